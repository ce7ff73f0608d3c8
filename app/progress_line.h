// The progress line on stderr while a headless run plays: frames written of
// the frames to write, how far the run is, the time left. It redraws itself
// in place on a terminal and is left out elsewhere.
#pragma once

#include <cstdint>
#include <string>

class ProgressLine {
public:
  // The run plays `toPlay` video frames and writes `toWrite` of them (`verb`:
  // "written", "hashed", "played").
  ProgressLine(int64_t toPlay, int64_t toWrite, const char* verb, bool enabled);
  // Video frame `frame` has gone by, `written` frames are written.
  void Update(int64_t frame, int64_t written, double elapsedSeconds);
  // Ends the line, so that what follows starts on a line of its own.
  void End();

private:
  int64_t toPlay_, toWrite_;
  const char* verb_;
  bool enabled_, drawn_ = false;
  double lastDrawn_ = -1;
};
