#include "app/frame_sink.h"

#include <cstdio>

#include "core/sha256.h"
#include "platform/child_process.h"
#include "pngwrite/png_writer.h"

std::string PngFolderSink::FileName(int64_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06lld.png", (long long)frame);
  return name;
}

void PngFolderSink::Write(int64_t frame, const RgbImage& picture) {
  files_.push_back(dir_ / FileName(frame));
  // Compression level 3: quick to write; the folder is a working copy.
  if (!pngwrite::WriteRgb(files_.back().string(), picture.width, picture.height, picture.rgb.data(),
                          size_t(picture.width) * 3, 3))
    failed_ = true;
}

void HashSink::Write(int64_t frame, const RgbImage& picture) {
  hashes_.emplace_back(frame, Sha256Hex(picture.rgb.data(), picture.rgb.size()));
}

void EncoderSink::Write(int64_t, const RgbImage& picture) { encoder_->Write(picture.rgb.data(), picture.rgb.size()); }

bool EncoderSink::Close() { return encoder_->Finish() == platform::ChildProcess::End::Success; }
