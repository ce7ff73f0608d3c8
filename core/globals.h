// The show's global state: created once at start-up, never replaced.
#pragma once

#include <cstdint>

class TZentra;
class TBuffer64;
class TImage64;
class TInput64;
class TTimer64;
class TTimer64_2;

// Every scene renders at this size, whatever the display's.
inline constexpr int32_t RenderWidth = 512;
inline constexpr int32_t RenderHeight = 384;

extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern int32_t ScreenBpp;

// Option flags: 0 off, all bits set on; any non-zero value counts as on.
extern int32_t DebugMode, ShowFramerate, MaxPriority, MotionBlur, NoMMX, NoSound, VSync, Windowed;

extern uint32_t MusicHandle;
extern int32_t MusicIsModule;

extern TZentra* Display;
extern TBuffer64* ScreenBuffer;
extern TBuffer64* BlurBuffer;
extern TInput64* Input;
extern TTimer64* SyncTimer;
extern TTimer64_2* MusicTimer;
extern TTimer64_2* WaitTimer;
extern TImage64* Particles[6];

// Ours: no window, no audio device (record and benchmark modes).
extern bool Headless;

// Ours (--gentle): no part of the show flashes more than three times in any
// second; the scenes that would soften their strobes and blinks.
extern bool Gentle;

// MusicTimer reading at which the previous frame was released.
extern float LastFrameTime;

inline constexpr int32_t FlagOn = -1;
