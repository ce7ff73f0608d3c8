// What a headless run of the show makes: a folder of frames, a video, the
// frames' hashes or the benchmark's report. The run hands each kind the same
// things along the show's virtual clock (the pictures the show presents, the
// video frames that show them, the music) and then either finishes it (all
// complete: the files get their final names, the report is printed) or
// aborts it (an error or Ctrl+C: nothing of the run is left).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/frame_index.h"

struct Options;
class BenchReport;
namespace platform {
class Surface;
}

class RecordOutput {
public:
  virtual ~RecordOutput() = default;
  // A picture the show presented: the frames taken after it show it.
  virtual void TakePicture(const platform::Surface&) {}
  // Video frame `frame` (`fresh`: a picture was presented since the previous
  // frame) showing the last picture; `info` says what it belongs to.
  virtual void TakeFrame(int64_t frame, bool fresh, const FrameInfo& info) = 0;
  // Interleaved stereo samples of the music of the frames taken.
  virtual void TakeMusic(const float*, size_t) {}
  // Completes the output; false (with an error line on stderr, nothing
  // left) when it cannot, or when a quit signal came while it waited.
  virtual bool Finish() = 0;
  // Removes whatever it wrote.
  virtual void Abort() = 0;
  // The files written, for the summary; empty when it writes none.
  virtual std::string Names() const { return ""; }
};

// The output the options ask for, ready to take frames; null (with the
// reason in `error`, naming the file) when it cannot be made. `report`
// collects the drawing times the benchmark and the hashes print.
std::unique_ptr<RecordOutput> MakeRecordOutput(const Options& options, const BenchReport& report,
                                               std::string* error);
