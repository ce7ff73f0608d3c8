// What the process holds right now, for the memory and open-file checks of
// the long test runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Bytes of heap in use (in a sanitizer build, the sanitizer's own count).
size_t HeapInUse();

struct OpenFiles {
  int handles = 0;                 // every open file handle
  std::vector<std::string> paths;  // the regular files among them (no /dev entries)
};
OpenFiles ListOpenFiles();

}  // namespace platform
