#include "app/frame_sink.h"

#include <csignal>

#include "core/sha256.h"
#include "pngwrite/png_writer.h"

void PngFolderSink::Write(int64_t frame, const RgbImage& picture) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06lld.png", (long long)frame);
  // Compression level 3: quick to write; the folder is a working copy.
  if (!pngwrite::WriteRgb((dir_ / name).string(), picture.width, picture.height, picture.rgb.data(),
                          size_t(picture.width) * 3, 3))
    failed_ = true;
}

void HashSink::Write(int64_t frame, const RgbImage& picture) {
  hashes_.emplace_back(frame, Sha256Hex(picture.rgb.data(), picture.rgb.size()));
}

EncoderPipe::~EncoderPipe() {
  if (pipe_) Finish();
}

bool EncoderPipe::Start(const std::string& command) {
  // A broken pipe is an error to report, not a reason to die.
  std::signal(SIGPIPE, SIG_IGN);
  pipe_ = popen(command.c_str(), "w");
  return pipe_ != nullptr;
}

void EncoderPipe::Write(const void* data, size_t bytes) {
  if (!pipe_ || failed_) return;
  failed_ = std::fwrite(data, 1, bytes, pipe_) != bytes;
}

bool EncoderPipe::Finish() {
  if (!pipe_) return false;
  const bool ok = pclose(pipe_) == 0 && !failed_;
  pipe_ = nullptr;
  return ok;
}
