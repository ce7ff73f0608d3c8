// Recording into a video file through ffmpeg. Two encoder processes run
// beside the show, one for the picture and one for the music, each into a
// temporary file next to the output; at the end they are joined into the
// output without encoding again.
//   .mp4: H.264 (CRF 18, 4:2:0) and AAC, 50 frames a second, index first
//         (+faststart) for upload.
//   .mkv: lossless FFV1 in RGB and FLAC; the same bytes on every run.
// Frames come in at the show's size; the encoder enlarges them by whole
// pixels (nearest neighbour) and centres them as the layout says.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/frame_sink.h"
#include "app/rgb_frames.h"

// True for names ending in .mp4 or .mkv.
bool IsVideoPath(const std::string& out);
bool HaveFfmpeg();

class VideoFile {
public:
  ~VideoFile();
  // Starts both encoders; frames are `width` x `height`, written as `layout`.
  bool Open(const std::string& out, int width, int height, const FrameLayout& layout);
  // Where the frames go.
  FrameSink* Frames() { return &video_; }
  // Interleaved stereo frames of the music.
  void WriteMusic(const float* samples, size_t frames);
  // Ends both encoders (the frame sink must be closed first) and joins
  // them into the output; false when anything failed.
  bool Close();

private:
  std::string out_, tempVideo_, tempAudio_;
  EncoderSink video_;
  EncoderPipe audio_;
  std::vector<int16_t> pcm_;
  bool open_ = false;
};
