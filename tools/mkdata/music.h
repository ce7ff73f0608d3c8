// The soundtrack: composed and synthesised here, encoded to MP3 with LAME.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mkdata {

constexpr int kSampleRate = 44100;

// Interleaved stereo samples in -1..1.
std::vector<float> RenderSoundtrack();

// Encodes interleaved stereo 44.1 kHz samples to an MP3 file with an ID3 title. False on failure.
bool WriteMp3(const std::string& path, const std::vector<float>& stereo, const std::string& title);

}  // namespace mkdata
