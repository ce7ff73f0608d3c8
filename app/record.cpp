#include "app/record.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Zentra2/error.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/bench_report.h"
#include "app/options.h"
#include "app/progress_line.h"
#include "app/record_output.h"
#include "app/show.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "core/show_control.h"
#include "core/timeline.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/session.h"

namespace {

constexpr int64_t kFrameMicros = timeline::kFrameMillis * 1000;  // one video frame of show time

double WallSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Processor time of this thread: what drawing a frame costs, without the
// time other processes of a busy machine take from it.
double ThreadSeconds() { return platform::ProcessorSeconds(); }

int64_t FramesToWrite(const FrameSpan& span, int64_t showFrames) {
  if (!span.only.empty()) return int64_t(span.only.size());
  return (span.end < 0 ? showFrames : span.end) - span.first;
}

// Drives a headless run along the virtual clock: which video frames show
// which picture, the music between them, the drawing times, the progress
// line; what becomes of them is the output's business.
class Recorder final : public FrameObserver {
public:
  Recorder(const Options& options, platform::VirtualClock* clock)
      : options_(options), span_(options_.frames), clock_(clock),
        progress_(span_.end < 0 ? ShowFrames(options.startMillis) : span_.end,
                  FramesToWrite(span_, ShowFrames(options.startMillis)),
                  options.mode == RunMode::Record   ? "written"
                  : options.mode == RunMode::Hashes ? "hashed"
                                                    : "played",
                  platform::StderrIsTerminal()),
        startWall_(WallSeconds()) {}

  bool Open(std::string* error) {
    output_ = MakeRecordOutput(options_, report_, error);
    return output_ != nullptr;
  }

  // Time moves from `from` to `to`: every video frame whose instant lies in
  // [from, to) shows the screen as it is now, and the music advances. Here,
  // between frames, is where a quit signal stops the run; and once the last
  // frame asked for and its music are written the run is complete: the show
  // is asked to leave (without the fade, which nobody will see or hear).
  void Advance(int64_t from, int64_t to) {
    if (done_) return;
    if (const int sig = platform::QuitSignal()) return Interrupted(sig);
    for (int64_t g = NextGrid(from); g < to; g += kFrameMicros) EmitFrame(g);
    RenderAudio(to);
    if (span_.end >= 0 && to >= span_.end * kFrameMicros) show::RequestLeave(Finish(), false);
  }

  void Presented(const platform::Surface& s) {
    if (!PastTheLastWanted()) output_->TakePicture(s);
    presentedSinceEmit_ = true;
    shownInfo_ = pendingInfo_;
  }

  void FrameStarted(const char* scene, float t) override {
    AttachToDisplay();
    pendingInfo_ = {scene, t, Elapsed(SyncTimer), Elapsed(MusicTimer)};
    frameStart_ = ThreadSeconds();
    if (currentScene_ != scene) {
      if (currentScene_ == "loading") report_.SetLoading((WallSeconds() - startWall_) * 1000);
      currentScene_ = scene;
    }
  }

  void FrameDrawn() override { report_.AddFrame(currentScene_, (ThreadSeconds() - frameStart_) * 1000.0); }

  void AddJump(const std::string& scene, const char* where, double wallMs, double processorMs) {
    report_.AddJump(scene, where, wallMs, processorMs);
  }

  // The end of the run, whether the show ended, was left or has played
  // every frame asked for: completes the output and says what it wrote.
  // Returns the exit code.
  int Finish() {
    if (done_) return code_;
    if (const int sig = platform::QuitSignal()) {
      Interrupted(sig);
      return code_;
    }
    done_ = true;
    // A frame presented since the last video frame still gets its own; the
    // music then runs to the end of the last frame's 20 ms, so picture and
    // sound have the same length.
    if (presentedSinceEmit_) EmitFrame(NextGrid(clock_->Micros()));
    RenderAudio(nextFrame_ * kFrameMicros);
    progress_.End();
    if (!output_->Finish()) {
      if (const int sig = platform::QuitSignal()) {
        Interrupted(sig);
        return code_;
      }
      std::fprintf(stderr, "quietorbit: %s was not written\n", options_.out.c_str());
      return code_ = 1;
    }
    if (const std::string names = output_->Names(); !names.empty()) {
      char seconds[32] = "";
      if (span_.only.empty()) std::snprintf(seconds, sizeof seconds, " (%.2f s)", double(written_ * kFrameMicros) / 1e6);
      std::fprintf(stderr, "quietorbit: %lld %s%s written to %s in %.1f s\n", (long long)written_,
                   written_ == 1 ? "frame" : "frames", seconds, names.c_str(), WallSeconds() - startWall_);
    }
    return 0;
  }

  // The run is ending on an error: nothing it wrote stays.
  void Fail() {
    if (done_) return;
    done_ = true;
    progress_.End();
    output_->Abort();
  }

private:
  static int64_t NextGrid(int64_t micros) { return (micros + kFrameMicros - 1) / kFrameMicros * kFrameMicros; }

  // A quit signal: nothing written stays, and the show leaves at its next
  // quit test with 128 + the signal's number.
  void Interrupted(int sig) {
    if (code_ != 0) return;
    Fail();
    code_ = 128 + sig;
    std::fprintf(stderr, "quietorbit: stopped by %s%s\n", sig == SIGINT ? "SIGINT" : "SIGTERM",
                 options_.mode == RunMode::Record ? ("; " + options_.out + " was not written").c_str() : "");
    show::RequestLeave(code_, false);
  }

  void AttachToDisplay() {
    if (attached_ || !Display || !Display->DirectDraw) return;
    attached_ = true;
    Display->DirectDraw->SetPresentListener([this](const platform::Surface& s) { Presented(s); });
  }

  // No frame from the next one on is to be written: presented pictures
  // need not be kept.
  bool PastTheLastWanted() const { return span_.end >= 0 && NextGrid(clock_->Micros()) / kFrameMicros >= span_.end; }

  void EmitFrame(int64_t gridMicros) {
    const int64_t frame = gridMicros / kFrameMicros;
    if (frame < nextFrame_) return;
    nextFrame_ = frame + 1;
    const bool fresh = presentedSinceEmit_;
    presentedSinceEmit_ = false;
    if (span_.Contains(frame)) {
      output_->TakeFrame(frame, fresh, shownInfo_);
      ++written_;
    }
    progress_.Update(frame, written_, WallSeconds() - startWall_);
  }

  void RenderAudio(int64_t toMicros) {
    if (options_.mode != RunMode::Record || !span_.only.empty()) return;
    // The music of the written stretch of video: from the first written
    // frame's instant to the end of the last one's 20 ms.
    const int64_t first = SampleAt(span_.first * kFrameMicros);
    const int64_t last = span_.end < 0 ? INT64_MAX : SampleAt(span_.end * kFrameMicros);
    const int64_t end = SampleAt(toMicros);
    while (samplesDone_ < end) {
      const size_t n = size_t(std::min<int64_t>(end - samplesDone_, 4096));
      audio_.resize(n * 2);
      platform::audio::RenderOffline(audio_.data(), n);
      const int64_t from = std::max(samplesDone_, first), to = std::min(samplesDone_ + int64_t(n), last);
      if (from < to) output_->TakeMusic(audio_.data() + (from - samplesDone_) * 2, size_t(to - from));
      samplesDone_ += int64_t(n);
    }
  }

  const Options options_;
  const FrameSpan& span_;
  platform::VirtualClock* clock_;
  BenchReport report_;
  std::unique_ptr<RecordOutput> output_;
  ProgressLine progress_;
  bool attached_ = false, done_ = false;
  int code_ = 0;
  std::vector<float> audio_;
  bool presentedSinceEmit_ = false;
  FrameInfo pendingInfo_, shownInfo_;
  int64_t nextFrame_ = 0, written_ = 0, samplesDone_ = 0;
  std::string currentScene_;
  double startWall_ = 0, frameStart_ = 0;
};

}  // namespace

int RunRecorded(const Options& options) {
  platform::DisableDialogs();
  platform::CatchQuitSignals(false);
  Headless = true;
  auto clock = std::make_unique<platform::VirtualClock>();
  platform::VirtualClock* vclock = clock.get();
  platform::UseClock(std::move(clock));

  Recorder recorder(options, vclock);
  std::string error;
  if (!recorder.Open(&error)) {
    std::fprintf(stderr, "quietorbit: %s\n", error.c_str());
    return 1;
  }
  vclock->SetListener([&recorder](int64_t from, int64_t to) { recorder.Advance(from, to); });
  SetFrameObserver(&recorder);
  SetErrorCleanup([&recorder] { recorder.Fail(); });

  JumpTimes jumpTimes;
  if (options.mode == RunMode::Benchmark)
    jumpTimes = [&recorder](const std::string& scene, const char* where, double wallMs, double processorMs) {
      recorder.AddJump(scene, where, wallMs, processorMs);
    };
  const int shown = RunShow(options, jumpTimes);

  SetFrameObserver(nullptr);
  SetErrorCleanup(nullptr);
  vclock->SetListener(nullptr);
  const int code = recorder.Finish();
  return code != 0 ? code : shown;
}
