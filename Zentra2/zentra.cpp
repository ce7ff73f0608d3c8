#include "Zentra2/zentra.h"

uint8_t DisplayDepth = 0;
bool DisplayIsFullscreen = false;
