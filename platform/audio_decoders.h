// The two decoders behind the music calls: tracker modules through libopenmpt,
// MP3 streams through libmpg123. Both produce interleaved stereo floats at the
// rate they are opened with and can loop forever without a gap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_mixer.h"

namespace platform::audio {

class LoopingSource : public Source {
 public:
  virtual void SetLoop(bool loop) = 0;
  virtual void Rewind() = 0;
  // The next frame Read delivers, counted from the start of the music, and a
  // jump there; a looping source takes a frame past its end modulo its length.
  virtual uint64_t Position() = 0;
  virtual void Seek(uint64_t frame) = 0;
};

struct OpenedModule {
  std::unique_ptr<LoopingSource> source;  // null when libopenmpt refuses the data
  std::string title;
};

// A module is whatever libopenmpt accepts, whatever the file is called.
OpenedModule OpenModule(const std::vector<uint8_t>& bytes, int rate);

// An MP3 stream (takes the bytes over); null when no MPEG audio frame decodes.
std::unique_ptr<LoopingSource> OpenStream(std::vector<uint8_t> bytes, int rate);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes);

}  // namespace platform::audio
