// Placeholder bodies until image.cpp lands; delete this file then.
#include "Zentra2/buffer.h"

void TBuffer64::LoadFromFile(const std::string&, bool) {}
void TBuffer64::LoadFromStream(std::istream&, bool) {}
