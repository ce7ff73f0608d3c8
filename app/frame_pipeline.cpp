#include "app/frame_pipeline.h"

#include <cstring>

#include "Zentra2/pixel_traits.h"

FramePipeline::FramePipeline(FrameSink* sink, int width, int height, const FrameLayout& layout)
    : sink_(sink), width_(width), height_(height), layout_(layout), slots_(kQueue + 2) {
  worker_ = std::thread([this] { Work(); });
}

FramePipeline::~FramePipeline() { Finish(); }

void FramePipeline::Capture(const uint8_t* bits, int pitch, int depth, int width, int height) {
  std::unique_lock<std::mutex> hold(lock_);
  // A slot no queued frame needs; there is always one once the worker has
  // written the oldest queued frame.
  size_t free = SIZE_MAX;
  changed_.wait(hold, [&] {
    for (size_t i = 0; i < slots_.size(); ++i)
      if (i != current_ && slots_[i].pending == 0) return free = i, true;
    return false;
  });
  Slot& slot = slots_[free];
  slot.generation = ++generations_;
  hold.unlock();

  const size_t rowBytes = size_t(width) * size_t(pixel::BytesOfDepth(depth));
  slot.bytes.resize(rowBytes * size_t(height));
  for (int y = 0; y < height; ++y) std::memcpy(slot.bytes.data() + size_t(y) * rowBytes, bits + size_t(y) * size_t(pitch), rowBytes);
  slot.pitch = int(rowBytes);
  slot.depth = depth;
  slot.width = width;
  slot.height = height;
  current_ = free;
}

void FramePipeline::Emit(int64_t frame) {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return jobs_.size() < kQueue; });
  if (current_ == SIZE_MAX) {
    // Nothing presented yet: a black picture.
    current_ = 0;
    slots_[0].generation = ++generations_;
  }
  ++slots_[current_].pending;
  jobs_.push_back({frame, current_, slots_[current_].generation});
  changed_.notify_all();
}

void FramePipeline::Work() {
  RgbImage native{width_, height_, std::vector<uint8_t>(size_t(width_) * size_t(height_) * 3)};
  RgbImage enlarged;
  const bool enlarge = layout_.scale != 1 || layout_.width != width_ || layout_.height != height_;
  uint64_t converted = 0;  // generation of the picture in `native`
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [&] { return !jobs_.empty() || closing_; });
      if (jobs_.empty()) return;
      job = jobs_.front();
    }
    if (job.generation != converted) {
      const Slot& s = slots_[job.slot];
      if (s.bytes.empty()) std::fill(native.rgb.begin(), native.rgb.end(), 0);
      else PixelsToRgb(s.bytes.data(), s.pitch, s.depth, s.width, s.height, &native);
      if (enlarge) Enlarge(native, layout_, &enlarged);
      converted = job.generation;
    }
    sink_->Write(job.frame, enlarge ? enlarged : native);
    std::lock_guard<std::mutex> hold(lock_);
    --slots_[job.slot].pending;
    jobs_.pop_front();
    changed_.notify_all();
  }
}

bool FramePipeline::Finish() {
  if (finished_) return true;
  {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
    changed_.notify_all();
  }
  worker_.join();
  finished_ = true;
  return sink_->Close();
}
