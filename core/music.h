// The program's side of the music: starting it, the hold point during
// loading, the resume before the first scene, and the fade on leaving.
// Sound problems never stop the show: they only turn NoSound on.
#pragma once

#include <cstdint>

// The file the show plays.
inline constexpr const char* MusicFile = "./data/msx/QuietOrbit.mp3";

// Checks the audio component's version and opens the default output device
// at 44100 Hz; NoSound on when either fails. Does nothing under "-nosound".
void InitSound();

// Loads `path` as a tracker module, else as an MP3 stream, and starts it at
// volume 90 (modules repeat forever, streams loop). Ends with SyncTimer
// started, sound or not.
void LoadMusic(const char* path);

// The hold point: holds all output once MusicTimer reads timeline::kHoldPoint
// (8500) or more.
// Called even under "-nosound" (the hold is harmless then).
void CheckMusicPause();

// Lets the held output continue from the exact frame where it stopped.
void ResumeMusic();

// Holds all output where it is (a jump holds the music while it plays forward).
void HoldMusic();

// Notes where the music was held at the hold point, while it still is.
void MarkMusicHold();

// Moves the music to where a full run has it at show time `showMillis`
// (MusicTimer): the hold point's position plus the time since. Only with sound.
void PlaceMusic(int32_t showMillis);

// Where MusicTimer stands in the music's beat (the timeline's grid, bar 0 at
// the hold point): 0 on the beat, rising towards 1 just before the next.
float BeatPhase(float musicTimer);

// About 3 s: volume stepped down once per 30 ms (101 steps, never rising),
// then the music is freed. Only with sound.
void FadeOutMusic();

// Frees the music at once (the normal end cuts it off). Only with sound.
void FreeMusic();

// Closes the audio component. Only with sound.
void FreeSound();
