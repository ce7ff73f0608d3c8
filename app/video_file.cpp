#include "app/video_file.h"

#include <cstdlib>
#include <filesystem>

#include "app/wav_writer.h"

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& s, const char* tail) {
  const std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The picture encoder for `lossless` (.mkv) or upload (.mp4) output.
std::string VideoCommand(bool lossless, int width, int height, const FrameLayout& l, const std::string& to) {
  std::string cmd = "ffmpeg -nostdin -y -loglevel error -f rawvideo -pix_fmt rgb24 -s " + std::to_string(width) + "x" +
                    std::to_string(height) + " -framerate 50 -i -";
  // Nearest neighbour by a whole factor copies each pixel into a block,
  // exactly (tests compare the decoded frames with the PNG frames).
  std::string filter;
  if (l.scale != 1) filter = "scale=" + std::to_string(width * l.scale) + ":" + std::to_string(height * l.scale) + ":flags=neighbor";
  if (l.width != width * l.scale || l.height != height * l.scale)
    filter += std::string(filter.empty() ? "" : ",") + "pad=" + std::to_string(l.width) + ":" + std::to_string(l.height) +
              ":" + std::to_string(l.left) + ":" + std::to_string(l.top) + ":black";
  if (!filter.empty()) cmd += " -vf " + filter;
  if (lossless)
    cmd += " -c:v ffv1 -level 3 -coder 0 -g 1 -slices 4 -threads 2 -pix_fmt bgr0 -fflags +bitexact -flags:v +bitexact";
  else
    cmd += " -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -threads 2";
  return cmd + " " + Quote(to);
}

std::string AudioCommand(bool lossless, const std::string& to) {
  return "ffmpeg -nostdin -y -loglevel error -f s16le -ar 44100 -ac 2 -i - " +
         std::string(lossless ? "-c:a flac -fflags +bitexact -flags:a +bitexact" : "-c:a aac -b:a 192k") + " " +
         Quote(to);
}

}  // namespace

bool IsVideoPath(const std::string& out) { return EndsWith(out, ".mp4") || EndsWith(out, ".mkv"); }

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

VideoFile::~VideoFile() {
  if (!open_) return;
  std::error_code ec;
  fs::remove(tempVideo_, ec);
  fs::remove(tempAudio_, ec);
}

bool VideoFile::Open(const std::string& out, int width, int height, const FrameLayout& layout) {
  const bool lossless = EndsWith(out, ".mkv");
  const fs::path path(out);
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  fs::create_directories(dir, ec);
  out_ = out;
  tempVideo_ = (dir / (path.stem().string() + ".video.tmp" + path.extension().string())).string();
  tempAudio_ = (dir / (path.stem().string() + (lossless ? ".music.tmp.flac" : ".music.tmp.m4a"))).string();
  open_ = true;
  return video_.Start(VideoCommand(lossless, width, height, layout, tempVideo_)) &&
         audio_.Start(AudioCommand(lossless, tempAudio_));
}

void VideoFile::WriteMusic(const float* samples, size_t frames) {
  FloatsToPcm16(samples, frames * 2, &pcm_);
  audio_.Write(pcm_.data(), pcm_.size() * 2);
}

bool VideoFile::Close() {
  bool ok = audio_.Finish();
  const bool lossless = EndsWith(out_, ".mkv");
  const std::string mux = "ffmpeg -nostdin -y -loglevel error -i " + Quote(tempVideo_) + " -i " + Quote(tempAudio_) +
                          " -map 0:v -map 1:a -c copy -shortest " +
                          (lossless ? "-fflags +bitexact" : "-movflags +faststart") + " " + Quote(out_);
  ok = ok && std::system(mux.c_str()) == 0;
  return ok;
}
