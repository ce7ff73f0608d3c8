// Where recorded frames go: a folder of numbered PNG files, their hashes, or
// an encoder process reading raw RGB frames on its standard input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/rgb_frames.h"

namespace platform {
class ChildProcess;
}

class FrameSink {
public:
  virtual ~FrameSink() = default;
  // Writes video frame number `frame`.
  virtual void Write(int64_t frame, const RgbImage& picture) = 0;
  // Ends the output; false when any frame was lost.
  virtual bool Close() = 0;
};

// frame_NNNNNN.png files in a folder.
class PngFolderSink final : public FrameSink {
public:
  explicit PngFolderSink(std::filesystem::path dir) : dir_(std::move(dir)) {}
  void Write(int64_t frame, const RgbImage& picture) override;
  bool Close() override { return !failed_; }
  // The files written so far.
  const std::vector<std::filesystem::path>& Files() const { return files_; }

  static std::string FileName(int64_t frame);

private:
  std::filesystem::path dir_;
  std::vector<std::filesystem::path> files_;
  bool failed_ = false;
};

// The SHA-256 of each frame's RGB bytes (rows top-down), in order.
class HashSink final : public FrameSink {
public:
  void Write(int64_t frame, const RgbImage& picture) override;
  bool Close() override { return true; }
  const std::vector<std::pair<int64_t, std::string>>& Hashes() const { return hashes_; }

private:
  std::vector<std::pair<int64_t, std::string>> hashes_;
};

// Raw RGB frames into an encoder's standard input; closing waits for it.
class EncoderSink final : public FrameSink {
public:
  explicit EncoderSink(platform::ChildProcess* encoder) : encoder_(encoder) {}
  void Write(int64_t, const RgbImage& picture) override;
  bool Close() override;

private:
  platform::ChildProcess* encoder_;
};
