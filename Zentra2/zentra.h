// The display device and its two window classes.
#pragma once

#include <cstdint>

// Depth every buffer follows (15, 16, 24 or 32), found when the display is made.
extern uint8_t DisplayDepth;
// True once a fullscreen display has been completed; read by the error path.
extern bool DisplayIsFullscreen;

class TZentra;
