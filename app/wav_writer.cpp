#include "app/wav_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr uint32_t kRate = 44100;

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
}  // namespace

void FloatsToPcm16(const float* samples, size_t count, std::vector<int16_t>* out) {
  out->resize(count);
  for (size_t i = 0; i < count; ++i) (*out)[i] = int16_t(std::lrintf(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f));
}

WavWriter::~WavWriter() {
  if (file_) std::fclose(file_);
}

bool WavWriter::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  const uint8_t header[44] = {};
  return std::fwrite(header, 1, 44, file_) == 44;
}

void WavWriter::Write(const float* samples, size_t frames) {
  if (!file_) return;
  FloatsToPcm16(samples, frames * 2, &buffer_);
  failed_ |= std::fwrite(buffer_.data(), 2, buffer_.size(), file_) != buffer_.size();
  dataBytes_ += uint32_t(frames * 4);
}

bool WavWriter::Close() {
  if (!file_) return false;
  uint8_t h[44];
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, 36 + dataBytes_);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);  // PCM
  Put16(h + 22, 2);
  Put32(h + 24, kRate);
  Put32(h + 28, kRate * 4);
  Put16(h + 32, 4);
  Put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, dataBytes_);
  bool ok = !failed_ && std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, 44, file_) == 44;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}
