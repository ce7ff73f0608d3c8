#include "platform/audio_decoders.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <libopenmpt/libopenmpt.hpp>
#include <mutex>
#include <ostream>
#include <streambuf>

namespace platform::audio {

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (path == nullptr) return false;
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  uint8_t chunk[65536];
  bool ok = true;
  for (;;) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, f);
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < sizeof chunk) {
      ok = std::ferror(f) == 0;
      break;
    }
  }
  std::fclose(f);
  return ok;
}

// ---- modules -------------------------------------------------------------

namespace {

// libopenmpt writes its loader warnings to a stream it keeps; the music is
// silent about its problems, so they go nowhere.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};
std::ostream& NullLog() {
  static NullBuffer buffer;
  static std::ostream log(&buffer);
  return log;
}

class ModuleSource final : public LoopingSource {
 public:
  ModuleSource(const std::vector<uint8_t>& bytes, int rate)
      : module_(bytes, NullLog()), rate_(rate) {
    module_.set_repeat_count(-1);
    module_.ctl_set_boolean("seek.sync_samples", true);  // notes already sounding keep sounding after a jump
  }

  std::string Title() const { return module_.get_metadata("title"); }

  size_t Read(float* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      const size_t n = module_.read_interleaved_stereo(rate_, frames - done, out + done * kChannels);
      if (n == 0) break;  // end of a module that does not loop
      done += n;
    }
    position_ += done;
    return done;
  }

  void SetLoop(bool loop) override {
    loop_ = loop;
    module_.set_repeat_count(loop ? -1 : 0);
  }
  void Rewind() override { Seek(0); }

  uint64_t Position() override {
    const uint64_t length = uint64_t(module_.get_duration_seconds() * rate_);
    return loop_ && length > 0 ? position_ % length : position_;
  }

  void Seek(uint64_t frame) override {
    const uint64_t length = uint64_t(module_.get_duration_seconds() * rate_);
    if (loop_ && length > 0) frame %= length;
    // The module lands on a row start near the time asked; ask a second
    // early, then play the rest into the void.
    const double at = module_.set_position_seconds(std::max(0.0, double(frame) / rate_ - 1.0));
    uint64_t skip = frame - std::min(frame, uint64_t(std::llround(at * rate_)));
    float scratch[2 * 1024];
    while (skip > 0) {
      const size_t n = module_.read_interleaved_stereo(rate_, size_t(std::min<uint64_t>(skip, 1024)), scratch);
      if (n == 0) break;
      skip -= n;
    }
    position_ = frame;
  }

 private:
  openmpt::module module_;
  int rate_;
  bool loop_ = true;
  uint64_t position_ = 0;  // frames read since the last seek, plus where it went
};

}  // namespace

OpenedModule OpenModule(const std::vector<uint8_t>& bytes, int rate) {
  OpenedModule opened;
  if (bytes.empty()) return opened;
  try {
    auto module = std::make_unique<ModuleSource>(bytes, rate);
    opened.title = module->Title();
    opened.source = std::move(module);
  } catch (const std::exception&) {
    // libopenmpt refused the data (openmpt::exception) or ran out of memory.
    opened.source.reset();
  }
  return opened;
}

// ---- MP3 streams -----------------------------------------------------------

namespace {

constexpr int kFrameBytes = kChannels * static_cast<int>(sizeof(float));

// The decoder hunts far for a frame header and finds false ones in any
// binary file, which then plays as loud noise. Real MP3 files start their
// audio right after the ID3v2 tag (or the LAME/Xing frame); allow a little
// junk before it and refuse files whose first frame lies further in.
constexpr size_t kMaxLeadingJunk = 8192;

size_t Id3v2Size(const std::vector<uint8_t>& b) {
  if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
  const size_t size = (size_t(b[6] & 0x7F) << 21) | (size_t(b[7] & 0x7F) << 14) | (size_t(b[8] & 0x7F) << 7) |
                      size_t(b[9] & 0x7F);
  return 10 + size + ((b[5] & 0x10) ? 10 : 0);  // header, body, footer
}

class StreamSource final : public LoopingSource {
 public:
  explicit StreamSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  ~StreamSource() override {
    if (handle_ != nullptr) {
      mpg123_close(handle_);
      mpg123_delete(handle_);
    }
  }

  bool Open(int rate) {
    static std::once_flag initOnce;
    std::call_once(initOnce, [] { mpg123_init(); });
    handle_ = mpg123_new(nullptr, nullptr);
    if (handle_ == nullptr) return false;
    // Gapless trims the encoder's delay and padding, so the loop joins seamlessly.
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    // One output format whatever the file holds: stereo float at our rate.
    mpg123_format_none(handle_);
    if (mpg123_format(handle_, rate, MPG123_STEREO, MPG123_ENC_FLOAT_32) != MPG123_OK) return false;
    if (mpg123_replace_reader_handle(handle_, &ReadBytes, &SeekBytes, nullptr) != MPG123_OK) return false;
    if (mpg123_open_handle(handle_, this) != MPG123_OK) return false;
    long gotRate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &gotRate, &channels, &encoding) != MPG123_OK) return false;
    const off_t first = mpg123_framepos(handle_);
    if (first < 0 || static_cast<size_t>(first) > Id3v2Size(bytes_) + kMaxLeadingJunk) return false;
    return gotRate == rate && channels == kChannels && encoding == MPG123_ENC_FLOAT_32;
  }

  size_t Read(float* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      size_t bytes = 0;
      const int r = mpg123_read(handle_, reinterpret_cast<unsigned char*>(out + done * kChannels),
                                (frames - done) * kFrameBytes, &bytes);
      done += bytes / kFrameBytes;
      sinceRewind_ += bytes / kFrameBytes;
      if (r == MPG123_OK || r == MPG123_NEW_FORMAT) {
        if (bytes == 0 && ++idle_ > 64) break;  // a decoder that makes no progress
        if (bytes > 0) idle_ = 0;
        continue;
      }
      // The end, or a stream damaged beyond what the decoder skips: loop
      // back unless nothing at all came out since the last start.
      if (!loop_ || sinceRewind_ == 0) break;
      Rewind();
    }
    return done;
  }

  void SetLoop(bool loop) override { loop_ = loop; }

  void Rewind() override { Seek(0); }

  uint64_t Position() override {
    const off_t at = mpg123_tell(handle_);
    return at > 0 ? uint64_t(at) : 0;
  }

  void Seek(uint64_t frame) override {
    if (loop_ && frame > 0) {
      // The length is exact only once the whole stream has been scanned.
      if (!scanned_) scanned_ = mpg123_scan(handle_) == MPG123_OK;
      const off_t length = mpg123_length(handle_);
      if (length > 0) frame %= uint64_t(length);
    }
    mpg123_seek(handle_, off_t(frame), SEEK_SET);
    sinceRewind_ = 0;
    idle_ = 0;
  }

 private:
  static mpg123_ssize_t ReadBytes(void* self, void* buffer, size_t count) {
    auto* s = static_cast<StreamSource*>(self);
    const size_t left = s->bytes_.size() - s->pos_;
    const size_t n = count < left ? count : left;
    std::memcpy(buffer, s->bytes_.data() + s->pos_, n);
    s->pos_ += n;
    return static_cast<mpg123_ssize_t>(n);
  }

  static off_t SeekBytes(void* self, off_t offset, int whence) {
    auto* s = static_cast<StreamSource*>(self);
    const off_t size = static_cast<off_t>(s->bytes_.size());
    off_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<off_t>(s->pos_);
    else if (whence == SEEK_END) base = size;
    else if (whence != SEEK_SET) return -1;
    const off_t to = base + offset;
    if (to < 0 || to > size) return -1;
    s->pos_ = static_cast<size_t>(to);
    return to;
  }

  std::vector<uint8_t> bytes_;
  size_t pos_ = 0;
  mpg123_handle* handle_ = nullptr;
  bool loop_ = true;
  bool scanned_ = false;
  size_t sinceRewind_ = 0;
  int idle_ = 0;
};

}  // namespace

std::unique_ptr<LoopingSource> OpenStream(std::vector<uint8_t> bytes, int rate) {
  if (bytes.empty()) return nullptr;
  auto stream = std::make_unique<StreamSource>(std::move(bytes));
  if (!stream->Open(rate)) return nullptr;
  return stream;
}

}  // namespace platform::audio
