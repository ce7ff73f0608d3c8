// Placeholder bodies until blend.cpp lands; delete this file then.
#include "Zentra2/buffer.h"

void TBuffer64::DrawAdd(TBuffer64*, int32_t, int32_t) {}
void TBuffer64::DrawSub(TBuffer64*, int32_t, int32_t) {}
void TBuffer64::DrawXor(TBuffer64*, int32_t, int32_t) {}
void TBuffer64::DrawAlpha(TBuffer64*, int32_t, int32_t, uint8_t) {}
void TBuffer64::DrawAlphaKeyed(TBuffer64*, int32_t, int32_t, uint8_t, uint32_t) {}
void TBuffer64::DrawMasked(TBuffer64*, int32_t, int32_t) {}
void TBuffer64::Blur() {}
void TBuffer64::BlurFast() {}
void TBuffer64::Invert() {}
