// Music as a WAV file: 16-bit stereo PCM at 44100 Hz; the header's sizes
// are filled in when the file is closed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Floats in -1..1 to 16-bit samples, clamped and rounded to nearest.
void FloatsToPcm16(const float* samples, size_t count, std::vector<int16_t>* out);

class WavWriter {
public:
  ~WavWriter();
  bool Open(const std::string& path);
  // `frames` interleaved stereo frames.
  void Write(const float* samples, size_t frames);
  // False when anything could not be written.
  bool Close();

private:
  std::FILE* file_ = nullptr;
  uint32_t dataBytes_ = 0;
  bool failed_ = false;
  std::vector<int16_t> buffer_;
};
