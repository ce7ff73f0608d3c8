#include "app/record.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "Zentra2/buffer.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/show.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "core/sha256.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/session.h"
#include "platform/surface.h"
#include "pngwrite/png_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kFrameMicros = 20000;  // 50 frames per second of show time
constexpr int kRate = 44100;

double WallSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Processor time of this thread: what drawing a frame costs, without the
// time other processes of a busy machine take from it.
double ThreadSeconds() { return platform::ProcessorSeconds(); }

// ---- output files ----

// 16-bit stereo PCM, header patched when the file is closed.
class WavWriter {
public:
  bool Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    uint8_t header[44] = {};
    return std::fwrite(header, 1, 44, file_) == 44;
  }
  void Write(const float* samples, size_t frames) {
    if (!file_) return;
    buffer_.resize(frames * 2);
    for (size_t i = 0; i < frames * 2; ++i) {
      float v = std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f;
      buffer_[i] = int16_t(std::lrintf(v));
    }
    std::fwrite(buffer_.data(), 2, buffer_.size(), file_);
    dataBytes_ += uint32_t(frames * 4);
  }
  bool Close() {
    if (!file_) return false;
    auto put32 = [](uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); };
    auto put16 = [](uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); };
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes_);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, 2);
    put32(h + 24, kRate);
    put32(h + 28, kRate * 4);
    put16(h + 32, 4);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes_);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(h, 1, 44, file_);
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

private:
  std::FILE* file_ = nullptr;
  uint32_t dataBytes_ = 0;
  std::vector<int16_t> buffer_;
};

bool IsVideoPath(const std::string& out) {
  auto ends = [&](const char* ext) {
    size_t n = std::strlen(ext);
    return out.size() >= n && out.compare(out.size() - n, n, ext) == 0;
  };
  return ends(".mp4") || ends(".mkv");
}

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

// ---- the recorder ----

struct FrameInfo {
  std::string scene = "loading";
  float t = 0, sync = 0, music = 0;
};

struct Percentiles {
  double median, p95, max;
};

Percentiles Summarise(std::vector<double> v) {
  if (v.empty()) return {0, 0, 0};
  std::sort(v.begin(), v.end());
  auto at = [&](double q) { return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))]; };
  return {at(0.5), at(0.95), v.back()};
}

class Recorder final : public FrameObserver {
public:
  Recorder(const RecordOptions& options, platform::VirtualClock* clock) : options_(options), clock_(clock) {
    writing_ = !options.benchmark && !options.hashes;
    progress_ = isatty(STDERR_FILENO) != 0;
    startWall_ = WallSeconds();
  }

  bool Open() {
    if (!writing_) return true;
    video_ = IsVideoPath(options_.out);
    if (video_) {
      if (!HaveFfmpeg()) {
        std::fprintf(stderr, "quietorbit: recording to %s needs ffmpeg (apt-get install ffmpeg); "
                             "record to a folder instead\n", options_.out.c_str());
        return false;
      }
      fs::path out(options_.out);
      dir_ = out.has_parent_path() ? out.parent_path() : fs::path(".");
      tempVideo_ = (dir_ / (out.stem().string() + ".video.tmp.mkv")).string();
      tempAudio_ = (dir_ / (out.stem().string() + ".music.tmp.wav")).string();
      std::error_code ec;
      fs::create_directories(dir_, ec);
      std::string cmd = "ffmpeg -y -loglevel error -f rawvideo -pix_fmt rgb24 -s " + std::to_string(RenderWidth) +
                        "x" + std::to_string(RenderHeight) + " -framerate 50 -i - -c:v libx264 -preset veryfast " +
                        "-crf 16 -pix_fmt yuv420p " + ShellQuote(tempVideo_);
      pipe_ = popen(cmd.c_str(), "w");
      if (!pipe_) return false;
      if (!wav_.Open(tempAudio_)) return false;
    } else {
      dir_ = options_.out;
      std::error_code ec;
      fs::create_directories(dir_, ec);
      if (!wav_.Open((dir_ / "music.wav").string())) {
        std::fprintf(stderr, "quietorbit: cannot write into %s\n", options_.out.c_str());
        return false;
      }
    }
    csv_ = std::fopen((dir_ / (video_ ? fs::path(options_.out).stem().string() + ".frames.csv" : "frames.csv"))
                          .string().c_str(), "w");
    if (csv_) std::fputs("frame,kind,scene,t,sync_timer,music_timer\n", csv_);
    return true;
  }

  // Time moves from `from` to `to`: every video frame whose instant lies in
  // [from, to) shows the screen as it is now, and the music advances.
  void Advance(int64_t from, int64_t to) {
    for (int64_t g = NextGrid(from); g < to; g += kFrameMicros) EmitFrame(g);
    RenderAudio(to);
  }

  void Presented(const platform::Surface& surface) {
    ConvertToRgb(surface);
    presentedSinceEmit_ = true;
    shownInfo_ = pendingInfo_;
  }

  void FrameStarted(const char* scene, float t) override {
    AttachToDisplay();
    pendingInfo_ = {scene, t, Elapsed(SyncTimer), Elapsed(MusicTimer)};
    frameStart_ = ThreadSeconds();
    if (currentScene_ != scene) {
      if (currentScene_ == "loading") loadingSeconds_ = WallSeconds() - startWall_;
      currentScene_ = scene;
      sceneOrder_.push_back(currentScene_);
    }
    sceneTime_ = t;
  }

  void FrameDrawn() override { drawTimes_[currentScene_].push_back((ThreadSeconds() - frameStart_) * 1000.0); }

  int Finish() {
    // A frame presented since the last video frame still gets its own; the
    // music then runs to the end of the last frame's 20 ms, so picture and
    // sound have the same length.
    if (presentedSinceEmit_) EmitFrame(NextGrid(clock_->Micros()));
    RenderAudio(nextFrame_ * kFrameMicros);
    if (progress_) std::fputc('\n', stderr);
    if (options_.benchmark) return Report();
    if (options_.hashes) return PrintHashes();
    if (csv_) std::fclose(csv_);
    bool ok = wav_.Close();
    if (video_) {
      ok = pclose(pipe_) == 0 && ok;
      std::string mux = "ffmpeg -y -loglevel error -i " + ShellQuote(tempVideo_) + " -i " + ShellQuote(tempAudio_) +
                        " -c:v copy -c:a " + (options_.out.ends_with(".mkv") ? "flac" : "aac -b:a 192k") +
                        " -shortest " + ShellQuote(options_.out);
      ok = ok && std::system(mux.c_str()) == 0;
      std::error_code ec;
      fs::remove(tempVideo_, ec);
      fs::remove(tempAudio_, ec);
    }
    std::fprintf(stderr, "quietorbit: %lld frames of %.2f s written to %s in %.1f s\n", (long long)written_,
                 double(nextFrame_) / 50.0, options_.out.c_str(), WallSeconds() - startWall_);
    return ok ? 0 : 1;
  }

private:
  static int64_t NextGrid(int64_t micros) { return (micros + kFrameMicros - 1) / kFrameMicros * kFrameMicros; }

  void AttachToDisplay() {
    if (attached_ || !Display || !Display->DirectDraw) return;
    attached_ = true;
    Display->DirectDraw->SetPresentListener([this](const platform::Surface& s) { Presented(s); });
  }

  void ConvertToRgb(const platform::Surface& s) {
    int w = std::min<int>(s.Width(), RenderWidth), h = std::min<int>(s.Height(), RenderHeight);
    screen_.assign(size_t(RenderWidth) * RenderHeight * 3, 0);
    int bpp = platform::BytesPerPixelOf(s.Format());
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = s.Bits() + size_t(y) * size_t(s.Pitch());
      uint8_t* out = screen_.data() + size_t(y) * RenderWidth * 3;
      for (int x = 0; x < w; ++x, out += 3) {
        uint32_t p = bpp == 2   ? uint32_t(row[2 * x] | row[2 * x + 1] << 8)
                     : bpp == 3 ? uint32_t(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16)
                                : uint32_t(row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16);
        SplitColor(p, out[0], out[1], out[2]);
      }
    }
  }

  bool Wanted(int64_t frame) const {
    double seconds = double(frame) / 50.0;
    if (seconds < options_.fromSeconds - 1e-9 || seconds > options_.toSeconds + 1e-9) return false;
    return options_.frames.empty() || options_.frames.count(frame) != 0;
  }

  void EmitFrame(int64_t gridMicros) {
    int64_t frame = gridMicros / kFrameMicros;
    if (frame < nextFrame_) return;
    nextFrame_ = frame + 1;
    bool fresh = presentedSinceEmit_;
    presentedSinceEmit_ = false;
    ShowProgress(frame);
    if ((!writing_ && !options_.hashes) || !Wanted(frame)) return;
    if (screen_.empty()) screen_.assign(size_t(RenderWidth) * RenderHeight * 3, 0);
    if (options_.hashes) {
      hashes_.emplace_back(frame, Sha256Hex(screen_.data(), screen_.size()));
      return;
    }
    if (video_) {
      std::fwrite(screen_.data(), 1, screen_.size(), pipe_);
    } else {
      char name[32];
      std::snprintf(name, sizeof name, "frame_%06lld.png", (long long)frame);
      pngwrite::WriteRgb((dir_ / name).string(), RenderWidth, RenderHeight, screen_.data(), size_t(RenderWidth) * 3,
                         3);
    }
    if (csv_)
      std::fprintf(csv_, "%lld,%s,%s,%.3f,%.3f,%.3f\n", (long long)frame, fresh ? "new" : "repeat",
                   shownInfo_.scene.c_str(), double(shownInfo_.t), double(shownInfo_.sync), double(shownInfo_.music));
    ++written_;
  }

  void RenderAudio(int64_t toMicros) {
    if (!writing_) return;
    // The music of the written stretch of video: from the first written
    // frame's instant to the end of the last one's 20 ms.
    const int64_t first = SampleAt(int64_t(options_.fromSeconds * 1e6 + 0.5));
    const int64_t last = options_.toSeconds > 1e12 ? INT64_MAX : SampleAt(int64_t(options_.toSeconds * 1e6 + 0.5) + kFrameMicros);
    int64_t end = SampleAt(toMicros);
    while (samplesDone_ < end) {
      size_t n = size_t(std::min<int64_t>(end - samplesDone_, 4096));
      audio_.resize(n * 2);
      platform::audio::RenderOffline(audio_.data(), n);
      int64_t from = std::max(samplesDone_, first), to = std::min(samplesDone_ + int64_t(n), last);
      if (options_.frames.empty() && from < to) wav_.Write(audio_.data() + (from - samplesDone_) * 2, size_t(to - from));
      samplesDone_ += int64_t(n);
    }
  }

  void ShowProgress(int64_t frame) {
    if (!progress_ || frame % 25 != 0) return;
    double done = 0, total = 0;
    bool passed = true;
    for (const ShowPart& part : ShowParts()) {
      const SceneSpan& s = part.span;
      total += s.length;
      if (currentScene_ == s.name) {
        done += std::min<double>(sceneTime_, s.length);
        passed = false;
      } else if (passed) {
        done += s.length;
      }
    }
    double elapsed = WallSeconds() - startWall_;
    double fraction = total > 0 ? done / total : 0;
    double left = fraction > 0.01 ? elapsed / fraction - elapsed : 0;
    std::fprintf(stderr, "\r%-9s frame %6lld  %5.1f%%  %6.1f fps  %3d:%02d left ", currentScene_.c_str(),
                 (long long)frame, 100 * fraction, elapsed > 0 ? double(frame) / elapsed : 0.0, int(left) / 60,
                 int(left) % 60);
    std::fflush(stderr);
  }

  // {"frames": {"0": "<sha-256>", ...}, "ms_per_frame": {"intro": <median>, ...}}
  int PrintHashes() {
    std::printf("{\"frames\": {");
    const char* sep = "";
    for (const auto& [frame, hex] : hashes_) {
      std::printf("%s\"%lld\": \"%s\"", sep, (long long)frame, hex.c_str());
      sep = ", ";
    }
    std::printf("}, \"ms_per_frame\": {");
    sep = "";
    for (const std::string& name : sceneOrder_) {
      std::printf("%s\"%s\": %.4f", sep, name.c_str(), Summarise(drawTimes_[name]).median);
      sep = ", ";
    }
    std::printf("}}\n");
    std::fflush(stdout);
    return 0;
  }

  int Report() {
    double total = WallSeconds() - startWall_;
    if (options_.json) {
      std::printf("{\"depth\": %d, \"loading_ms\": %.3f, \"total_ms\": %.3f, \"scenes\": [", int(DisplayDepth),
                  loadingSeconds_ * 1000, total * 1000);
      bool first = true;
      for (const std::string& name : sceneOrder_) {
        Percentiles p = Summarise(drawTimes_[name]);
        std::printf("%s{\"scene\": \"%s\", \"frames\": %zu, \"median_ms\": %.4f, \"p95_ms\": %.4f, \"max_ms\": %.4f}",
                    first ? "" : ", ", name.c_str(), drawTimes_[name].size(), p.median, p.p95, p.max);
        first = false;
      }
      std::printf("]}\n");
    } else {
      std::printf("quietorbit benchmark, %d bits per pixel (processor time to draw one frame; pacing and present excluded)\n",
                  int(DisplayDepth));
      std::printf("%-10s %8s %10s %10s %10s\n", "scene", "frames", "median ms", "p95 ms", "max ms");
      for (const std::string& name : sceneOrder_) {
        Percentiles p = Summarise(drawTimes_[name]);
        std::printf("%-10s %8zu %10.3f %10.3f %10.3f\n", name.c_str(), drawTimes_[name].size(), p.median, p.p95, p.max);
      }
      std::printf("loading: %.1f ms of work (its sleeps and waits not counted)\n", loadingSeconds_ * 1000);
      std::printf("total:   %.1f ms\n", total * 1000);
    }
    return 0;
  }

  RecordOptions options_;
  platform::VirtualClock* clock_;
  bool writing_ = true, video_ = false, progress_ = false, attached_ = false;
  fs::path dir_;
  std::string tempVideo_, tempAudio_;
  std::FILE* pipe_ = nullptr;
  std::FILE* csv_ = nullptr;
  WavWriter wav_;
  std::vector<uint8_t> screen_;
  std::vector<float> audio_;
  bool presentedSinceEmit_ = false;
  FrameInfo pendingInfo_, shownInfo_;
  int64_t nextFrame_ = 0, written_ = 0, samplesDone_ = 0;
  std::string currentScene_;
  float sceneTime_ = 0;
  std::vector<std::string> sceneOrder_;
  std::map<std::string, std::vector<double>> drawTimes_;
  std::vector<std::pair<int64_t, std::string>> hashes_;  // in frame order
  double startWall_ = 0, frameStart_ = 0, loadingSeconds_ = 0;
};

Recorder* g_recorder = nullptr;

}  // namespace

bool ParseFrameList(const std::string& text, std::set<int64_t>* frames) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t comma = text.find(',', pos);
    std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    pos = comma == std::string::npos ? text.size() : comma + 1;
    if (item.empty()) return false;
    char* end = nullptr;
    long long a = std::strtoll(item.c_str(), &end, 10), b = a;
    if (end == item.c_str() || a < 0) return false;
    if (*end == '-') {
      const char* second = end + 1;
      b = std::strtoll(second, &end, 10);
      if (end == second || b < a || b - a > 10000000) return false;
    }
    if (*end != '\0') return false;
    for (long long f = a; f <= b; ++f) frames->insert(f);
  }
  return !frames->empty();
}

int RunRecorded(const RecordOptions& options, const std::vector<std::string>& showArgs) {
  platform::DisableDialogs();
  Headless = true;
  auto clock = std::make_unique<platform::VirtualClock>();
  platform::VirtualClock* vclock = clock.get();
  platform::UseClock(std::move(clock));

  static Recorder recorder(options, vclock);
  g_recorder = &recorder;
  if (!recorder.Open()) return 1;
  vclock->SetListener([](int64_t from, int64_t to) {
    if (g_recorder) g_recorder->Advance(from, to);
  });
  SetFrameObserver(&recorder);
  // Leaving early ends the process from inside a scene: finish the files then.
  std::atexit([] {
    if (g_recorder) {
      Recorder* r = g_recorder;
      g_recorder = nullptr;
      SetFrameObserver(nullptr);
      std::fflush(stdout);
      r->Finish();
    }
  });

  RunShow(showArgs);

  g_recorder = nullptr;
  SetFrameObserver(nullptr);
  return recorder.Finish();
}
