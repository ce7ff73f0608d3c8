// Placeholder bodies until polyfill.cpp lands; delete this file then.
#include "Zentra2/buffer.h"

void TBuffer64::FillPoly(const TPolyVertex*, int32_t, uint32_t) {}
void TBuffer64::GouraudPoly(const TPolyVertex*, int32_t) {}
void TBuffer64::TexturePoly(TBuffer64*, const TPolyVertex*, int32_t) {}
