// Placeholder bodies until text.cpp lands; delete this file then.
#include "Zentra2/buffer.h"

void TBuffer64::SetFont(const std::string&, int32_t) {}
void TBuffer64::DrawText(int32_t, int32_t, const std::string&, uint32_t) {}
