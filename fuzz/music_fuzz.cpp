// Feeds arbitrary bytes to the music loader as the file it reads: both the
// module path (MusicLoad) and the stream path (StreamCreateFile), then plays
// whatever loaded for a while through the offline mix, looping included.
// Refusing the data (handle 0) is the documented outcome; a crash, hang,
// leak, sanitizer report or a sample that is not a finite number is a finding.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio.h"

namespace audio = platform::audio;

namespace {

// The input lives in a memory file the loader opens by path, as it opens
// "./data/msx/QuietOrbit.mp3".
struct MemoryFile {
  MemoryFile() {
    fd = memfd_create("qo_music_fuzz", 0);
    if (fd < 0) __builtin_trap();
    path = "/proc/self/fd/" + std::to_string(fd);
  }
  void Write(const uint8_t* data, size_t size) {
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != ssize_t(size))) __builtin_trap();
  }
  int fd = -1;
  std::string path;
};

// About 0.3 s of output in pieces of the sizes the recorder asks for:
// enough for a short stream to reach its end and loop.
void Play(bool module, uint32_t handle) {
  if (module) {
    (void)audio::MusicGetName(handle);
    if (!audio::MusicPlay(handle)) __builtin_trap();
  } else if (!audio::StreamPlay(handle, true)) {
    __builtin_trap();
  }
  static std::vector<float> out(4096 * 2);
  for (size_t n : {1u, 4096u, 777u, 4096u, 4096u}) {
    audio::RenderOffline(out.data(), n);
    for (size_t i = 0; i < n * 2; ++i)
      if (!std::isfinite(out[i])) __builtin_trap();
  }
  if (!(module ? audio::MusicFree(handle) : audio::StreamFree(handle))) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryFile file;
  static bool ready = audio::InitOffline(44100) && audio::Start() && audio::SetVolume(90);
  if (!ready) __builtin_trap();
  file.Write(data, size);
  if (uint32_t music = audio::MusicLoad(file.path.c_str())) Play(true, music);
  if (uint32_t stream = audio::StreamCreateFile(file.path.c_str())) Play(false, stream);
  return 0;
}
