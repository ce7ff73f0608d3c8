#include "tests/support/media.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace qo_test {

namespace {

void PutBE16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v & 0xFF));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// Amiga periods of three octaves (C-1 .. B-3).
constexpr uint16_t kPeriods[] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                 428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

}  // namespace

std::vector<uint8_t> BuildMod(const ModSong& song) {
  std::vector<uint8_t> out;
  PutText(out, song.title, 20);
  for (int i = 0; i < 31; ++i) {
    if (i < static_cast<int>(song.samples.size())) {
      const ModSample& s = song.samples[i];
      const unsigned words = static_cast<unsigned>(s.data.size() / 2);
      PutText(out, "sample", 22);
      PutBE16(out, words);
      out.push_back(0);  // finetune
      out.push_back(static_cast<uint8_t>(s.volume));
      PutBE16(out, 0);                     // loop start
      PutBE16(out, s.loop ? words : 1);    // loop length (1 = no loop)
    } else {
      PutText(out, "", 22);
      PutBE16(out, 0);
      out.push_back(0);
      out.push_back(0);
      PutBE16(out, 0);
      PutBE16(out, 1);
    }
  }
  out.push_back(static_cast<uint8_t>(song.orders.size()));
  out.push_back(0);  // restart position
  for (int i = 0; i < 128; ++i) out.push_back(i < static_cast<int>(song.orders.size()) ? song.orders[i] : 0);
  PutText(out, "M.K.", 4);
  for (const ModPattern& pattern : song.patterns) {
    for (const ModRow& row : pattern) {
      for (const ModCell& c : row) {
        out.push_back(static_cast<uint8_t>((c.sample & 0xF0) | (c.period >> 8)));
        out.push_back(static_cast<uint8_t>(c.period & 0xFF));
        out.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | (c.effect & 0x0F)));
        out.push_back(c.param);
      }
    }
  }
  for (const ModSample& s : song.samples) {
    for (int8_t v : s.data) out.push_back(static_cast<uint8_t>(v));
  }
  return out;
}

ModSample SineSample(int amplitude) {
  ModSample s;
  for (int i = 0; i < 32; ++i) {
    s.data.push_back(static_cast<int8_t>(std::lround(amplitude * std::sin(2.0 * M_PI * i / 32.0))));
  }
  return s;
}

ModSample NoiseSample(size_t length, uint32_t seed) {
  ModSample s;
  for (size_t i = 0; i < length; ++i) s.data.push_back(static_cast<int8_t>((NextRandom(seed) % 161) - 80));
  return s;
}

std::vector<uint8_t> VariedMod(const std::string& title, int rows) {
  ModSong song;
  song.title = title;
  song.samples.push_back(NoiseSample(4096, 12345));
  const int patterns = (rows + 63) / 64;
  song.patterns.resize(patterns);
  uint32_t seed = 777;
  for (int r = 0; r < rows; ++r) {
    ModRow& row = song.patterns[r / 64][r % 64];
    row[0] = ModCell{kPeriods[NextRandom(seed) % 36], 1, 0, 0};
    if (r == 0) row[1] = ModCell{0, 0, 0xF, 5};  // speed 5: 0.1 s per row
    if (r == rows - 1) {
      row[0] = ModCell{0, 0, 0xC, 0};  // silence the last row so the loop starts clean
      if (rows % 64 != 0) row[1] = ModCell{0, 0, 0xD, 0};  // end the song here
    }
  }
  for (int p = 0; p < patterns; ++p) song.orders.push_back(static_cast<uint8_t>(p));
  return BuildMod(song);
}

std::vector<uint8_t> ToneMod(const std::string& title) {
  ModSong song;
  song.title = title;
  song.samples.push_back(SineSample());
  song.patterns.resize(1);
  song.patterns[0][0][0] = ModCell{254, 1, 0, 0};
  song.orders.push_back(0);
  return BuildMod(song);
}

std::vector<uint8_t> EncodeMp3(const std::vector<float>& samples, int rate, int channels, int kbps) {
  lame_t lame = lame_init();
  if (lame == nullptr) throw std::runtime_error("lame_init failed");
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_num_channels(lame, channels);
  lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);
  lame_set_write_id3tag_automatic(lame, 0);
  if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");

  const int frames = static_cast<int>(samples.size() / channels);
  std::vector<uint8_t> out(static_cast<size_t>(1.25 * frames + 7200 + 16384));
  const int size = static_cast<int>(out.size());
  int n = channels == 1 ? lame_encode_buffer_ieee_float(lame, samples.data(), samples.data(), frames, out.data(), size)
                        : lame_encode_buffer_interleaved_ieee_float(lame, samples.data(), frames, out.data(), size);
  if (n < 0) throw std::runtime_error("lame encode failed");
  int m = lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
  if (m < 0) throw std::runtime_error("lame flush failed");
  out.resize(static_cast<size_t>(n + m));
  // The first frame is a placeholder for the LAME tag, which carries the
  // encoder delay and padding that gapless decoding trims.
  uint8_t tag[4096];
  const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
  if (tagSize > 0 && tagSize <= out.size()) std::copy(tag, tag + tagSize, out.begin());
  lame_close(lame);
  return out;
}

std::vector<float> TestSignal(size_t frames, float amplitude) {
  std::vector<float> s(frames * 2);
  uint32_t seed = 99;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double a = std::sin(2 * M_PI * (220 * t + 40 * t * t)) + 0.5 * std::sin(2 * M_PI * (555 * t - 7 * t * t));
    const double b = std::sin(2 * M_PI * (330 * t + 25 * t * t)) + 0.5 * std::sin(2 * M_PI * 1234 * t);
    const double noise = static_cast<double>(NextRandom(seed) % 2001) / 1000.0 - 1.0;
    s[2 * i] = static_cast<float>(amplitude * (a / 1.5 * 0.9 + 0.1 * noise));
    s[2 * i + 1] = static_cast<float>(amplitude * (b / 1.5 * 0.9 - 0.1 * noise));
  }
  return s;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<float> ReadFloats(const std::string& path) {
  std::vector<float> v;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return v;
  float chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, sizeof(float), 4096, f)) > 0) v.insert(v.end(), chunk, chunk + n);
  std::fclose(f);
  return v;
}

}  // namespace qo_test
