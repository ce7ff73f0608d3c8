#include "app/frame_pipeline.h"

#include <cstring>

#include "Zentra2/pixel_traits.h"
#include "platform/session.h"

FramePipeline::FramePipeline(FrameSink* sink, int width, int height, const FrameLayout& layout)
    : sink_(sink), width_(width), height_(height), layout_(layout), slots_(kQueue + 2),
      native_{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 3)} {
  if (platform::CanStartThreads()) worker_ = std::thread([this] { Work(); });
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
  if (!worker_.joinable()) {
    // No worker where threads are missing: the job is done right here.
    hold.unlock();
    while (Step()) {}
  }
}

void FramePipeline::Work() {
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [&] { return !jobs_.empty() || closing_; });
    }
    if (!Step()) return;
  }
}

bool FramePipeline::Step() {
  Job job;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (jobs_.empty() || aborting_) return false;
    job = jobs_.front();
  }
  const bool enlarge = layout_.scale != 1 || layout_.width != width_ || layout_.height != height_;
  if (job.generation != converted_) {
    const Slot& s = slots_[job.slot];
    if (s.bytes.empty()) std::fill(native_.rgb.begin(), native_.rgb.end(), 0);
    else PixelsToRgb(s.bytes.data(), s.pitch, s.depth, s.width, s.height, &native_);
    if (enlarge) Enlarge(native_, layout_, &enlarged_);
    converted_ = job.generation;
  }
  sink_->Write(job.frame, enlarge ? enlarged_ : native_);
  std::lock_guard<std::mutex> hold(lock_);
  --slots_[job.slot].pending;
  jobs_.pop_front();
  changed_.notify_all();
  return true;
}

void FramePipeline::Abort() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    aborting_ = closing_ = true;
    changed_.notify_all();
  }
  if (worker_.joinable()) worker_.join();
  finished_ = true;
}

bool FramePipeline::Finish() {
  if (finished_) return !aborting_;
  {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
    changed_.notify_all();
  }
  if (worker_.joinable()) worker_.join();
  finished_ = true;
  return sink_->Close();
}
