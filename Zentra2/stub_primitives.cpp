// Placeholder bodies until primitives.cpp lands; delete this file then.
#include "Zentra2/buffer.h"

void TBuffer64::PutPixel(int32_t, int32_t, uint32_t) {}
uint32_t TBuffer64::GetPixel(int32_t, int32_t) const { return 0; }
void TBuffer64::Line(int32_t, int32_t, int32_t, int32_t, uint32_t) {}
bool TBuffer64::ClipLine(int32_t&, int32_t&, int32_t&, int32_t&) const { return true; }
void TBuffer64::HLine(int32_t, int32_t, int32_t, uint32_t) {}
void TBuffer64::VLine(int32_t, int32_t, int32_t, uint32_t) {}
void TBuffer64::Rectangle(int32_t, int32_t, int32_t, int32_t, uint32_t) {}
void TBuffer64::FillRect(int32_t, int32_t, int32_t, int32_t, uint32_t) {}
void TBuffer64::FillCircle(int32_t, int32_t, int32_t, uint32_t) {}
void TBuffer64::DrawRotated(TBuffer64*, int32_t, int32_t, float, float) {}
