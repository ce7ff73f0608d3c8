// The one headless show for tests: the globals of the main sequence on a
// display without a window at one depth, the timers on a virtual clock, sound
// off. With a data tree, that tree's folder is the current directory while
// the show lives and the six particles come from it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {
class VirtualClock;
}

class HeadlessShow {
public:
  enum class Data {
    None,       // no pictures; the particles stay empty
    MadeUp,     // small made-up pictures in a temporary folder, removed afterwards
    Generated,  // the tree the build generated (QO_SOURCE_DIR/data)
  };

  explicit HeadlessShow(uint8_t depth = 32, Data data = Data::None);
  ~HeadlessShow();
  HeadlessShow(const HeadlessShow&) = delete;
  HeadlessShow& operator=(const HeadlessShow&) = delete;

  // Whether the generated data tree, meshes included, is there to use.
  static bool HaveGeneratedData();
  // Moves the virtual clock on.
  void AdvanceMs(int64_t ms);

  platform::VirtualClock* Clock = nullptr;

private:
  std::filesystem::path oldDir_, madeUp_;
};
