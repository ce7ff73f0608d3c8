// Test media made on the spot: tiny tracker modules written byte by byte and
// MP3 files encoded with libmp3lame, plus helpers to read raw device output.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qo_test {

struct ModSample {
  std::vector<int8_t> data;  // even length
  int volume = 64;
  bool loop = true;
};

struct ModCell {
  uint16_t period = 0;  // 0 = no note
  uint8_t sample = 0;   // 1-based, 0 = none
  uint8_t effect = 0;
  uint8_t param = 0;
};

using ModRow = std::array<ModCell, 4>;
using ModPattern = std::array<ModRow, 64>;

struct ModSong {
  std::string title;
  std::vector<ModSample> samples;  // at most 31
  std::vector<ModPattern> patterns;
  std::vector<uint8_t> orders;
};

// A four-channel "M.K." module file.
std::vector<uint8_t> BuildMod(const ModSong& song);

// One looping sine cycle (32 bytes) and a looping noise sample (fixed seed).
ModSample SineSample(int amplitude = 100);
ModSample NoiseSample(size_t length, uint32_t seed);

// A song whose notes change every row (noise sample, varying pitch) so that no
// stretch of its output repeats. Rows at speed 5, tempo 125: 4410 frames each
// at 44100 Hz. `rows` between 1 and 640; the song ends (and loops) after them.
std::vector<uint8_t> VariedMod(const std::string& title, int rows);

// A single sine note held for the whole song: a constant level.
std::vector<uint8_t> ToneMod(const std::string& title);

// Encodes interleaved floats (`channels` 1 or 2) as a CBR MP3 with a LAME
// tag, so a gapless decoder gives back exactly the input's length.
std::vector<uint8_t> EncodeMp3(const std::vector<float>& samples, int rate = 44100, int channels = 2,
                               int kbps = 160);

// Noise-like stereo test signal (a sum of drifting tones), `frames` long.
std::vector<float> TestSignal(size_t frames, float amplitude = 0.5f);

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<float> ReadFloats(const std::string& path);

}  // namespace qo_test
