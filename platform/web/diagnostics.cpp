// What the process holds, in a browser: the heap from the allocator's own
// count; there is no list of open files to read.
#include <malloc.h>

#include "platform/diagnostics.h"

namespace platform {

size_t HeapInUse() {
  struct mallinfo info = mallinfo();
  return size_t(info.uordblks) + size_t(info.hblkhd);
}

OpenFiles ListOpenFiles() { return {}; }

}  // namespace platform
