#include "app/record_output.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Zentra2/zentra.h"
#include "app/bench_report.h"
#include "app/frame_pipeline.h"
#include "app/frame_sink.h"
#include "app/options.h"
#include "app/staged_files.h"
#include "app/wav_writer.h"
#include "core/globals.h"
#include "core/timeline.h"
#include "platform/child_process.h"
#include "platform/session.h"
#include "platform/surface.h"

namespace fs = std::filesystem;

namespace {

void Capture(FramePipeline& pipeline, const platform::Surface& s) {
  pipeline.Capture(s.Bits(), s.Pitch(), s.Depth(), s.Width(), s.Height());
}

FrameLayout Native() { return LayoutForScale(RenderWidth, RenderHeight, 1); }

double WallSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The end of a recording: its files in place when everything went well and
// no quit signal came; otherwise why not (a signal speaks for itself), and
// nothing of it left.
bool PutInPlace(bool ok, std::string error, StagedFiles& staged, RecordOutput& output) {
  if (ok && !platform::QuitSignal() && staged.Commit(&error)) return true;
  if (!platform::QuitSignal()) std::fprintf(stderr, "quietorbit: %s\n", error.c_str());
  output.Abort();
  return false;
}

// frame_NNNNNN.png files written as the show goes, music.wav and frames.csv
// under temporary names until the end. A list of single frames (--frames)
// has no music.
class FolderOutput final : public RecordOutput {
public:
  explicit FolderOutput(const Options& options)
      : user_(options.out), dir_(options.outPath), music_(options.frames.only.empty()), sink_(dir_),
        pipeline_(&sink_, RenderWidth, RenderHeight, options.layout.value_or(Native())) {}

  bool Open(std::string* error) {
    if (!staged_.MakeFolder(dir_, error)) return false;
    const std::string music = music_ ? staged_.Add(dir_ / "music.wav") : "";
    const std::string index = staged_.Add(dir_ / "frames.csv");
    if ((!music_ || wav_.Open(music)) && index_.Open(index)) return true;
    *error = "cannot write into " + user_ + ": " + std::strerror(errno);
    return false;
  }
  void TakePicture(const platform::Surface& s) override { Capture(pipeline_, s); }
  void TakeFrame(int64_t frame, bool fresh, const FrameInfo& info) override {
    pipeline_.Emit(frame);
    index_.Add(frame, fresh, info);
  }
  void TakeMusic(const float* samples, size_t frames) override { wav_.Write(samples, frames); }
  bool Finish() override {
    std::string error = "cannot write the frames into " + user_;
    bool ok = pipeline_.Finish();
    ok = index_.Close() && ok;
    ok = (!music_ || wav_.Close()) && ok;
    return PutInPlace(ok, error, staged_, *this);
  }
  void Abort() override {
    pipeline_.Abort();
    std::error_code ec;
    for (const fs::path& f : sink_.Files()) fs::remove(f, ec);
    staged_.Discard();
  }
  std::string Names() const override {
    const std::vector<fs::path>& files = sink_.Files();
    std::string names = user_ + " (";
    if (!files.empty())
      names += files.front().filename().string() + (files.size() > 1 ? " to " + files.back().filename().string() : "") + ", ";
    return names + (music_ ? "music.wav, " : "") + "frames.csv)";
  }

private:
  std::string user_;
  fs::path dir_;
  bool music_;
  StagedFiles staged_;
  PngFolderSink sink_;
  FramePipeline pipeline_;
  WavWriter wav_;
  FrameIndex index_;
};

// A video through ffmpeg: two encoders beside the show, one for the picture
// and one for the music, each into a working file next to the output; at
// the end they are joined into the output without encoding again.
//   .mp4: H.264 (CRF 18, 4:2:0) and AAC, 50 frames a second, index first
//         (+faststart) for upload.
//   .mkv: lossless FFV1 in RGB and FLAC; the same bytes on every run.
// Frames go to the encoder at the show's size; it enlarges them by whole
// pixels (nearest neighbour) and centres them as the layout says. The index
// is NAME.frames.csv (out.mp4.frames.csv), so two videos never share one.
class VideoOutput final : public RecordOutput {
public:
  explicit VideoOutput(const Options& options)
      : user_(options.out), out_(options.outPath), lossless_(out_.extension() == ".mkv"),
        layout_(options.layout.value_or(Native())), frames_(&video_),
        pipeline_(&frames_, RenderWidth, RenderHeight, Native()) {}

  bool Open(std::string* error) {
    if (!platform::HaveProgram("ffmpeg")) {
      *error = "recording to " + user_ + " needs ffmpeg (apt-get install ffmpeg); record to a folder instead";
      return false;
    }
    if (fs::is_directory(out_)) {
      *error = "cannot record to " + user_ + ": a folder has that name";
      return false;
    }
    if (!staged_.MakeFolder(out_.parent_path(), error)) return false;
    videoTemp_ = staged_.Scratch(out_.string() + ".video.tmp");
    musicTemp_ = staged_.Scratch(out_.string() + ".music.tmp");
    const std::string index = staged_.Add(out_.string() + ".frames.csv");
    outTemp_ = staged_.Add(out_);
    if (!index_.Open(index)) {
      *error = "cannot write " + user_ + ": " + std::strerror(errno);
      return false;
    }
    if (video_.Start(VideoCommand(), true) && music_.Start(MusicCommand(), true)) return true;
    *error = "cannot start ffmpeg for " + user_;
    return false;
  }
  void TakePicture(const platform::Surface& s) override { Capture(pipeline_, s); }
  void TakeFrame(int64_t frame, bool fresh, const FrameInfo& info) override {
    pipeline_.Emit(frame);
    index_.Add(frame, fresh, info);
  }
  void TakeMusic(const float* samples, size_t frames) override {
    FloatsToPcm16(samples, frames * 2, &pcm_);
    music_.Write(pcm_.data(), pcm_.size() * 2);
  }
  bool Finish() override {
    bool ok = pipeline_.Finish();
    ok = music_.Finish() == platform::ChildProcess::End::Success && ok;
    ok = index_.Close() && ok;
    std::string error = "ffmpeg could not encode " + user_;
    if (ok) {
      platform::ChildProcess mux;
      const std::vector<std::string> command = {
          "ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-i", videoTemp_, "-i", musicTemp_, "-map", "0:v",
          "-map", "1:a", "-c", "copy", "-shortest", lossless_ ? "-fflags" : "-movflags",
          lossless_ ? "+bitexact" : "+faststart", "-f", lossless_ ? "matroska" : "mp4", outTemp_};
      ok = mux.Start(command, false) && mux.Finish() == platform::ChildProcess::End::Success;
      error = "ffmpeg could not join the picture and the music of " + user_;
    }
    return PutInPlace(ok, error, staged_, *this);
  }
  void Abort() override {
    video_.Kill();
    music_.Kill();
    pipeline_.Abort();
    staged_.Discard();
  }
  std::string Names() const override { return user_ + " and its index " + user_ + ".frames.csv"; }

private:
  // The picture encoder: raw frames at the show's size on its input.
  std::vector<std::string> VideoCommand() const {
    std::vector<std::string> cmd = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt",
                                    "rgb24", "-s", std::to_string(RenderWidth) + "x" + std::to_string(RenderHeight),
                                    "-framerate", std::to_string(1000 / timeline::kFrameMillis), "-i", "-"};
    // Nearest neighbour by a whole factor copies each pixel into a block,
    // exactly (tests compare the decoded frames with the PNG frames).
    const FrameLayout& l = layout_;
    std::string filter;
    if (l.scale != 1)
      filter = "scale=" + std::to_string(RenderWidth * l.scale) + ":" + std::to_string(RenderHeight * l.scale) +
               ":flags=neighbor";
    if (l.width != RenderWidth * l.scale || l.height != RenderHeight * l.scale)
      filter += std::string(filter.empty() ? "" : ",") + "pad=" + std::to_string(l.width) + ":" +
                std::to_string(l.height) + ":" + std::to_string(l.left) + ":" + std::to_string(l.top) + ":black";
    if (!filter.empty()) cmd.insert(cmd.end(), {"-vf", filter});
    if (lossless_)
      cmd.insert(cmd.end(), {"-c:v", "ffv1", "-level", "3", "-coder", "0", "-g", "1", "-slices", "4", "-threads", "2",
                             "-pix_fmt", "bgr0", "-fflags", "+bitexact", "-flags:v", "+bitexact", "-f", "matroska"});
    else
      cmd.insert(cmd.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
                             "-threads", "2", "-f", "mp4"});
    cmd.push_back(videoTemp_);
    return cmd;
  }
  // The music encoder: 16-bit stereo samples at 44100 Hz on its input.
  std::vector<std::string> MusicCommand() const {
    std::vector<std::string> cmd = {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "s16le",
                                    "-ar", "44100", "-ac", "2", "-i", "-"};
    if (lossless_)
      cmd.insert(cmd.end(), {"-c:a", "flac", "-fflags", "+bitexact", "-flags:a", "+bitexact", "-f", "flac"});
    else
      cmd.insert(cmd.end(), {"-c:a", "aac", "-b:a", "192k", "-f", "ipod"});
    cmd.push_back(musicTemp_);
    return cmd;
  }

  std::string user_;
  fs::path out_;
  bool lossless_;
  FrameLayout layout_;
  StagedFiles staged_;
  std::string videoTemp_, musicTemp_, outTemp_;
  platform::ChildProcess video_, music_;
  EncoderSink frames_;
  FramePipeline pipeline_;
  FrameIndex index_;
  std::vector<int16_t> pcm_;
};

// {"frames": {"0": "<sha-256>", ...}, "ms_per_frame": {"intro": <median>, ...}} on stdout.
class HashOutput final : public RecordOutput {
public:
  explicit HashOutput(const BenchReport& report)
      : report_(report), pipeline_(&hashes_, RenderWidth, RenderHeight, Native()) {}
  void TakePicture(const platform::Surface& s) override { Capture(pipeline_, s); }
  void TakeFrame(int64_t frame, bool, const FrameInfo&) override { pipeline_.Emit(frame); }
  bool Finish() override {
    pipeline_.Finish();
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
    return true;
  }
  void Abort() override { pipeline_.Abort(); }

private:
  const BenchReport& report_;
  HashSink hashes_;
  FramePipeline pipeline_;
};

// The drawing times per scene, as a table or one JSON object on stdout.
class BenchmarkOutput final : public RecordOutput {
public:
  BenchmarkOutput(const BenchReport& report, bool json) : report_(report), json_(json), start_(WallSeconds()) {}
  void TakeFrame(int64_t, bool, const FrameInfo&) override {}
  bool Finish() override {
    report_.Print(json_, int(DisplayDepth), (WallSeconds() - start_) * 1000);
    std::fflush(stdout);
    return true;
  }
  void Abort() override {}

private:
  const BenchReport& report_;
  bool json_;
  double start_;
};

}  // namespace

std::unique_ptr<RecordOutput> MakeRecordOutput(const Options& options, const BenchReport& report, std::string* error) {
  switch (options.mode) {
    case RunMode::Benchmark: return std::make_unique<BenchmarkOutput>(report, options.json);
    case RunMode::Hashes: return std::make_unique<HashOutput>(report);
    default: break;
  }
  const bool video = options.out.ends_with(".mp4") || options.out.ends_with(".mkv");
  if (video) {
    auto out = std::make_unique<VideoOutput>(options);
    if (out->Open(error)) return out;
  } else {
    auto out = std::make_unique<FolderOutput>(options);
    if (out->Open(error)) return out;
  }
  return nullptr;
}
