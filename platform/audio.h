// The audio component: one music at a time, played through the SDL2 audio
// device or rendered offline.
//
// All calls come from one thread (the main thread). Start, Pause and
// SetVolume never block: they post the wish, and the mixer applies it at the
// first frame of the next buffer it renders. The load, play and free calls
// take a lock that the audio thread holds only while it mixes one buffer.
//
// Start and Pause work whether or not the component is initialised (without
// it they change nothing audible), so the hold logic can call them always.
//
// Offline use (recording): InitOffline(44100), MusicLoad/StreamCreateFile,
// Start/SetVolume/MusicPlay or StreamPlay, then alternate calls of
// RenderOffline(out, n) with the events: an event posted between two
// RenderOffline calls takes effect at the first frame of the second one, so
// the caller places each event at an exact frame of its virtual timeline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::audio {

// The version the program is built against, compared with Version() at start.
inline constexpr uint32_t kVersion = 0x00010000;  // 1.0: high word major, low word minor
uint32_t Version();

// Opens the output device (-1 = the system default, else an SDL device index)
// at `rate` Hz and starts output, volume 100. False when already initialised
// or when no device opens.
bool Init(int device, int rate);
// Same state, no device: the mix is pulled with RenderOffline.
bool InitOffline(int rate);
// Frees every music and closes the device. Harmless without Init.
void Free();
bool Initialised();

bool Start();   // resume output where it was held
bool Pause();   // hold all output, positions kept; true when initialised
bool SetVolume(int volume);  // 0..100, applied from the next buffer with a short ramp
int GetVolume();             // last volume set; -1 without Init

// Loading: a handle, or 0 on failure. MusicLoad accepts exactly what
// libopenmpt accepts; StreamCreateFile accepts MPEG audio (MP3).
uint32_t MusicLoad(const char* path);
uint32_t StreamCreateFile(const char* path);

// Playback replaces whatever was playing. A module plays from its start and
// repeats forever; a stream continues from its position and loops at its end.
bool MusicPlay(uint32_t music);
bool StreamPlay(uint32_t stream, bool loop = true);

// A module's title (possibly empty); none for a stream or an unknown handle.
std::optional<std::string> MusicGetName(uint32_t music);

// Where a music (module or stream) plays, in frames from its start, and a
// jump there; a position past the end of a looping music wraps. The position
// counts the frames mixed so far: exact offline; with a device, what was
// handed to it. Jumping while the output is held keeps it held.
std::optional<uint64_t> GetPosition(uint32_t music);
bool SetPosition(uint32_t music, uint64_t frame);

bool MusicFree(uint32_t music);
bool StreamFree(uint32_t stream);

// Offline mode only: writes `frames` interleaved stereo float frames of the
// mix. Returns false (and writes silence) when not initialised offline.
bool RenderOffline(float* out, size_t frames);

}  // namespace platform::audio
