#include "core/globals.h"

#include "Zentra2/zentra.h"

int32_t ScreenWidth = RenderWidth;
int32_t ScreenHeight = RenderHeight;
int32_t ScreenBpp = 32;

int32_t DebugMode = 0, ShowFramerate = 0, MaxPriority = 0, MotionBlur = 0, NoMMX = 0, NoSound = 0, VSync = 0,
        Windowed = 0;

uint32_t MusicHandle = 0;
int32_t MusicIsModule = 0;

TZentra* Display = nullptr;
TBuffer64* ScreenBuffer = nullptr;
TBuffer64* BlurBuffer = nullptr;
TInput64* Input = nullptr;
TTimer64* SyncTimer = nullptr;
TTimer64_2* MusicTimer = nullptr;
TTimer64_2* WaitTimer = nullptr;
TImage64* Particles[6] = {};

float LastFrameTime = 0.0f;
bool Headless = false;
bool Gentle = false;
