#include "platform/diagnostics.h"

#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of the bytes handed out (its malloc replaces glibc's).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace platform {

size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

OpenFiles ListOpenFiles() {
  OpenFiles open;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return open;
  while (dirent* e = readdir(dir)) {
    // The listing's own handle is not one of ours.
    if (e->d_name[0] == '.' || std::atoi(e->d_name) == dirfd(dir)) continue;
    ++open.handles;
    char target[4096];
    ssize_t n = readlinkat(dirfd(dir), e->d_name, target, sizeof target - 1);
    if (n <= 0 || target[0] != '/' || (n >= 5 && std::memcmp(target, "/dev/", 5) == 0)) continue;
    open.paths.emplace_back(target, size_t(n));
  }
  closedir(dir);
  return open;
}

}  // namespace platform
