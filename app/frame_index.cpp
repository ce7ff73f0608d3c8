#include "app/frame_index.h"

FrameIndex::~FrameIndex() {
  if (file_) std::fclose(file_);
}

bool FrameIndex::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ && std::fputs("frame,kind,scene,t,sync_timer,music_timer\n", file_) >= 0;
}

void FrameIndex::Add(int64_t frame, bool fresh, const FrameInfo& info) {
  if (file_)
    std::fprintf(file_, "%lld,%s,%s,%.3f,%.3f,%.3f\n", (long long)frame, fresh ? "new" : "repeat", info.scene.c_str(),
                 double(info.t), double(info.sync), double(info.music));
}

bool FrameIndex::Close() {
  if (!file_) return false;
  const bool ok = std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok && closed;
}
