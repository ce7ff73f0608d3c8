// The recorded frames' way out, on a worker thread: the show's thread only
// copies each presented picture and queues which video frames show it; the
// worker converts to RGB, enlarges and hands the frames to the sink while
// the next frames draw (where there are no threads, Emit does that itself).
// One worker takes the jobs in order, so the output is the same bytes as
// without it. The queue is short: when the sink falls behind, the show waits.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "app/frame_sink.h"
#include "app/rgb_frames.h"

class FramePipeline {
public:
  // `layout` says how each `width` x `height` frame is written.
  FramePipeline(FrameSink* sink, int width, int height, const FrameLayout& layout);
  ~FramePipeline();

  // Keeps a copy of a presented picture (rows `pitch` bytes apart).
  void Capture(const uint8_t* bits, int pitch, int depth, int width, int height);
  // Writes the last captured picture (black before the first) as video frame `frame`.
  void Emit(int64_t frame);
  // Waits until every queued frame is written and closes the sink; false
  // when any frame was lost.
  bool Finish();
  // Drops the queued frames and stops the worker once the frame it is
  // writing is done; the sink is left as it is.
  void Abort();

private:
  // A copy of presented pixels; `pending` counts the queued frames showing it.
  struct Slot {
    std::vector<uint8_t> bytes;
    int pitch = 0, depth = 32, width = 0, height = 0;
    uint64_t generation = 0;
    int pending = 0;
  };
  struct Job {
    int64_t frame;
    size_t slot;
    uint64_t generation;
  };
  static constexpr size_t kQueue = 4;

  void Work();
  // Writes the oldest queued frame; false when none is queued.
  bool Step();

  FrameSink* sink_;
  int width_, height_;
  FrameLayout layout_;
  std::vector<Slot> slots_;  // the queue's frames can hold at most kQueue slots, plus the current one
  size_t current_ = SIZE_MAX;
  uint64_t generations_ = 0;

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  bool closing_ = false, aborting_ = false, finished_ = false;

  // The worker's own: the last converted picture and, enlarged, its copy.
  RgbImage native_, enlarged_;
  uint64_t converted_ = 0;
  std::thread worker_;  // none where the platform has no threads: Emit then writes at once
};
