// Placeholder bodies until blit.cpp lands; delete this file then.
#include "Zentra2/buffer.h"

void TBuffer64::Flip(bool) {}
void TBuffer64::Draw(TBuffer64*, int32_t, int32_t) {}
void TBuffer64::DrawKeyed(TBuffer64*, int32_t, int32_t, uint32_t) {}
void TBuffer64::DrawRect(TBuffer64*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
