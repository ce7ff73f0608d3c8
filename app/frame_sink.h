// Where recorded frames go: a folder of numbered PNG files, or an encoder
// process reading raw RGB frames on its standard input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/rgb_frames.h"

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

private:
  std::filesystem::path dir_;
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

// A child process fed through a pipe on its standard input (an ffmpeg
// encoder). A child that ends early does not end us: its pipe breaks, the
// writes fail and Finish reports it.
class EncoderPipe {
public:
  ~EncoderPipe();
  bool Start(const std::string& command);
  void Write(const void* data, size_t bytes);
  // Closes the pipe and waits for the child; true when every write went
  // through and the child succeeded.
  bool Finish();

private:
  std::FILE* pipe_ = nullptr;
  bool failed_ = false;
};

// Raw RGB frames to an encoder.
class EncoderSink final : public FrameSink {
public:
  bool Start(const std::string& command) { return pipe_.Start(command); }
  void Write(int64_t, const RgbImage& picture) override { pipe_.Write(picture.rgb.data(), picture.rgb.size()); }
  bool Close() override { return pipe_.Finish(); }

private:
  EncoderPipe pipe_;
};
