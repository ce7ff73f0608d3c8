#include "app/record.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/bench_report.h"
#include "app/frame_index.h"
#include "app/frame_pipeline.h"
#include "app/progress_line.h"
#include "app/show.h"
#include "app/video_file.h"
#include "app/wav_writer.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/session.h"
#include "platform/surface.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kFrameMicros = 20000;  // 50 frames per second of show time

double WallSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Processor time of this thread: what drawing a frame costs, without the
// time other processes of a busy machine take from it.
double ThreadSeconds() { return platform::ProcessorSeconds(); }

// Drives the parts of a recording along the virtual clock: which video
// frames show which picture, the music between them, the index, the
// progress line; or, benchmarking, the drawing times; or, hashing, the
// frames' hashes and the drawing times.
class Recorder final : public FrameObserver {
public:
  Recorder(const RecordOptions& options, platform::VirtualClock* clock)
      : options_(options), clock_(clock), progress_(ShowParts(), isatty(STDERR_FILENO) != 0) {
    writing_ = !options.benchmark && !options.hashes;
    startWall_ = WallSeconds();
  }

  bool Open() {
    if (options_.hashes) {
      pipeline_ = std::make_unique<FramePipeline>(&hashes_, RenderWidth, RenderHeight,
                                                  LayoutForScale(RenderWidth, RenderHeight, 1));
      return true;
    }
    if (!writing_) return true;
    const FrameLayout layout = options_.layout.value_or(LayoutForScale(RenderWidth, RenderHeight, 1));
    fs::path indexPath;
    if (IsVideoPath(options_.out)) {
      if (!HaveFfmpeg()) {
        std::fprintf(stderr, "quietorbit: recording to %s needs ffmpeg (apt-get install ffmpeg); "
                             "record to a folder instead\n", options_.out.c_str());
        return false;
      }
      video_ = std::make_unique<VideoFile>();
      if (!video_->Open(options_.out, RenderWidth, RenderHeight, layout)) return false;
      sink_ = video_->Frames();
      // Frames go out at the show's size; the encoder enlarges them.
      pipeline_ = std::make_unique<FramePipeline>(sink_, RenderWidth, RenderHeight,
                                                  LayoutForScale(RenderWidth, RenderHeight, 1));
      const fs::path out(options_.out);
      indexPath = (out.has_parent_path() ? out.parent_path() : fs::path(".")) / (out.stem().string() + ".frames.csv");
    } else {
      const fs::path dir(options_.out);
      std::error_code ec;
      fs::create_directories(dir, ec);
      if (!wav_.Open((dir / "music.wav").string())) {
        std::fprintf(stderr, "quietorbit: cannot write into %s\n", options_.out.c_str());
        return false;
      }
      folder_ = std::make_unique<PngFolderSink>(dir);
      sink_ = folder_.get();
      pipeline_ = std::make_unique<FramePipeline>(sink_, RenderWidth, RenderHeight, layout);
      indexPath = dir / "frames.csv";
    }
    return index_.Open(indexPath.string());
  }

  // Time moves from `from` to `to`: every video frame whose instant lies in
  // [from, to) shows the screen as it is now, and the music advances.
  void Advance(int64_t from, int64_t to) {
    for (int64_t g = NextGrid(from); g < to; g += kFrameMicros) EmitFrame(g);
    RenderAudio(to);
  }

  void Presented(const platform::Surface& s) {
    if (pipeline_ && !PastTheLastWanted())
      pipeline_->Capture(s.Bits(), s.Pitch(), s.Depth(), s.Width(), s.Height());
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
    }
    sceneTime_ = t;
  }

  void FrameDrawn() override { report_.AddFrame(currentScene_, (ThreadSeconds() - frameStart_) * 1000.0); }

  int Finish() {
    // A frame presented since the last video frame still gets its own; the
    // music then runs to the end of the last frame's 20 ms, so picture and
    // sound have the same length.
    if (presentedSinceEmit_) EmitFrame(NextGrid(clock_->Micros()));
    RenderAudio(nextFrame_ * kFrameMicros);
    progress_.End();
    if (options_.benchmark) {
      report_.Print(options_.json, int(DisplayDepth), loadingSeconds_ * 1000, (WallSeconds() - startWall_) * 1000);
      return 0;
    }
    if (options_.hashes) return PrintHashes();
    bool ok = index_.Close();
    ok = pipeline_->Finish() && ok;
    ok = (video_ ? video_->Close() : wav_.Close()) && ok;
    std::fprintf(stderr, "quietorbit: %lld frames of %.2f s written to %s in %.1f s\n", (long long)written_,
                 double(nextFrame_) / 50.0, options_.out.c_str(), WallSeconds() - startWall_);
    if (!ok) std::fprintf(stderr, "quietorbit: writing %s failed; the recording is incomplete\n", options_.out.c_str());
    return ok ? 0 : 1;
  }

private:
  static int64_t NextGrid(int64_t micros) { return (micros + kFrameMicros - 1) / kFrameMicros * kFrameMicros; }

  void AttachToDisplay() {
    if (attached_ || !Display || !Display->DirectDraw) return;
    attached_ = true;
    Display->DirectDraw->SetPresentListener([this](const platform::Surface& s) { Presented(s); });
  }

  bool Wanted(int64_t frame) const {
    double seconds = double(frame) / 50.0;
    if (seconds < options_.fromSeconds - 1e-9 || seconds > options_.toSeconds + 1e-9) return false;
    return options_.frames.empty() || options_.frames.count(frame) != 0;
  }

  // No frame from the next one on is to be written: presented pictures
  // need not be kept.
  bool PastTheLastWanted() const {
    const int64_t next = NextGrid(clock_->Micros()) / kFrameMicros;
    return double(next) / 50.0 > options_.toSeconds + 1e-9 ||
           (!options_.frames.empty() && *options_.frames.rbegin() < next);
  }

  void EmitFrame(int64_t gridMicros) {
    int64_t frame = gridMicros / kFrameMicros;
    if (frame < nextFrame_) return;
    nextFrame_ = frame + 1;
    bool fresh = presentedSinceEmit_;
    presentedSinceEmit_ = false;
    progress_.Update(frame, currentScene_, sceneTime_, WallSeconds() - startWall_);
    if (!pipeline_ || !Wanted(frame)) return;
    pipeline_->Emit(frame);
    if (!writing_) return;
    index_.Add(frame, fresh, shownInfo_);
    ++written_;
  }

  // {"frames": {"0": "<sha-256>", ...}, "ms_per_frame": {"intro": <median>, ...}}
  int PrintHashes() {
    pipeline_->Finish();
    std::printf("{\"frames\": {");
    const char* sep = "";
    for (const auto& [frame, hex] : hashes_.Hashes()) {
      std::printf("%s\"%lld\": \"%s\"", sep, (long long)frame, hex.c_str());
      sep = ", ";
    }
    std::printf("}, \"ms_per_frame\": {");
    report_.PrintMedians();
    std::printf("}}\n");
    std::fflush(stdout);
    return 0;
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
      if (options_.frames.empty() && from < to) {
        const float* part = audio_.data() + (from - samplesDone_) * 2;
        if (video_) video_->WriteMusic(part, size_t(to - from));
        else wav_.Write(part, size_t(to - from));
      }
      samplesDone_ += int64_t(n);
    }
  }

  RecordOptions options_;
  platform::VirtualClock* clock_;
  bool writing_ = true, attached_ = false;
  std::unique_ptr<VideoFile> video_;
  std::unique_ptr<PngFolderSink> folder_;
  HashSink hashes_;
  FrameSink* sink_ = nullptr;
  std::unique_ptr<FramePipeline> pipeline_;
  WavWriter wav_;
  FrameIndex index_;
  ProgressLine progress_;
  BenchReport report_;
  std::vector<float> audio_;
  bool presentedSinceEmit_ = false;
  FrameInfo pendingInfo_, shownInfo_;
  int64_t nextFrame_ = 0, written_ = 0, samplesDone_ = 0;
  std::string currentScene_;
  float sceneTime_ = 0;
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

  RunShow(showArgs, options.start);

  g_recorder = nullptr;
  SetFrameObserver(nullptr);
  return recorder.Finish();
}
