// Captures for video sites: enlarged frames with crisp pixels, lossless
// .mkv whose frames are the PNG frames, .mp4 for upload, same bytes twice.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/record/picture.h"
#include "tests/support/child_run.h"

namespace fs = std::filesystem;

namespace {

using Capture = ShowFolder;

// Frames 700 to 705: the intro's particles.
constexpr const char* kFrames = "--from=14 --to=14.12";
constexpr const char* kShortRun = "QO_QUIT_AT_FRAME=720";

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

std::string FrameName(int frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06d.png", frame);
  return name;
}

// Every decoded frame of a video as RGB pictures of the given size.
std::vector<Picture> DecodeVideo(const fs::path& video, int width, int height) {
  const fs::path raw = video.string() + ".rgb";
  const std::string cmd = "ffmpeg -nostdin -loglevel error -y -i '" + video.string() + "' -f rawvideo -pix_fmt rgb24 '" +
                          raw.string() + "'";
  std::vector<Picture> frames;
  if (std::system(cmd.c_str()) != 0) return frames;
  const std::string bytes = ReadFile(raw);
  const size_t size = size_t(width) * size_t(height) * 3;
  for (size_t at = 0; at + size <= bytes.size(); at += size) {
    Picture p{width, height, std::vector<uint8_t>(bytes.begin() + long(at), bytes.begin() + long(at + size))};
    frames.push_back(std::move(p));
  }
  return frames;
}

std::string Probe(const fs::path& file, const std::string& entries) {
  const fs::path out = file.string() + ".probe";
  const std::string cmd = "ffprobe -v error -show_entries " + entries + " -of default=nw=1 '" + file.string() + "' > '" +
                          out.string() + "'";
  return std::system(cmd.c_str()) == 0 ? ReadFile(out) : "";
}

TEST_F(Capture, EnlargedFramesAreBlocksOfTheNativeFrameCentredOnBlack) {
  ASSERT_EQ(RunShowIn(dir, std::string("--record=native ") + kFrames, kShortRun).code, 0);
  // 1101 x 801 fits twice 512 x 384 (1024 x 768): 77 and 33 pixels left,
  // 38 left and 16 above, the odd one right and below.
  ChildResult r = RunShowIn(dir, std::string("--record=big --record-size=1101x801 ") + kFrames, kShortRun);
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(RunShowIn(dir, std::string("--record=k3 --record-scale=3 ") + kFrames, kShortRun).code, 0);
  EXPECT_EQ(ReadFile(dir / "big/music.wav"), ReadFile(dir / "native/music.wav"));
  EXPECT_EQ(ReadFile(dir / "big/frames.csv"), ReadFile(dir / "native/frames.csv"));

  for (int frame : {700, 705}) {
    const Picture native = ReadPng(dir / "native" / FrameName(frame));
    ASSERT_EQ(native.width, 512);
    struct Case {
      const char* folder;
      int width, height, k, left, top;
    };
    for (const Case& c : {Case{"big", 1101, 801, 2, 38, 16}, Case{"k3", 1536, 1152, 3, 0, 0}}) {
      const Picture big = ReadPng(dir / c.folder / FrameName(frame));
      ASSERT_EQ(big.width, c.width) << c.folder;
      ASSERT_EQ(big.height, c.height) << c.folder;
      size_t wrong = 0;
      for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) {
          const int sx = x - c.left, sy = y - c.top;
          const bool inside = sx >= 0 && sy >= 0 && sx < 512 * c.k && sy < 384 * c.k;
          for (int ch = 0; ch < 3; ++ch) {
            const uint8_t want = inside ? native.rgb[(size_t(sy / c.k) * 512 + size_t(sx / c.k)) * 3 + size_t(ch)] : 0;
            wrong += big.rgb[(size_t(y) * size_t(big.width) + size_t(x)) * 3 + size_t(ch)] != want;
          }
        }
      EXPECT_EQ(wrong, 0u) << c.folder << " frame " << frame;
    }
  }
}

TEST_F(Capture, LosslessVideoFramesAreThePngFramesAndRepeatByteForByte) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
  const std::string size = " --record-size=1101x801 ";
  ASSERT_EQ(RunShowIn(dir, "--record=png" + size + kFrames, kShortRun).code, 0);
  ChildResult a = RunShowIn(dir, "--record=a.mkv" + size + kFrames, kShortRun);
  ASSERT_EQ(a.code, 0) << a.err;
  ASSERT_EQ(RunShowIn(dir, "--record=b.mkv" + size + kFrames, kShortRun).code, 0);
  EXPECT_EQ(ReadFile(dir / "a.mkv"), ReadFile(dir / "b.mkv"));
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path() << " left behind";

  EXPECT_EQ(Probe(dir / "a.mkv", "stream=codec_name,pix_fmt,r_frame_rate"),
            "codec_name=ffv1\npix_fmt=bgr0\nr_frame_rate=50/1\ncodec_name=flac\nr_frame_rate=0/0\n");
  const std::vector<Picture> frames = DecodeVideo(dir / "a.mkv", 1101, 801);
  ASSERT_EQ(frames.size(), 6u);  // 700..705
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(frames[size_t(i)].rgb, ReadPng(dir / "png" / FrameName(700 + i)).rgb) << "frame " << 700 + i;
}

TEST_F(Capture, UploadVideoIsH264AndAacAtExactlyFiftyFrames) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
  ChildResult r = RunShowIn(dir, std::string("--record=up.mp4 --record-size=1920x1080 ") + kFrames, kShortRun);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Probe(dir / "up.mp4", "stream=codec_name,pix_fmt,width,height,r_frame_rate,avg_frame_rate"),
            "codec_name=h264\nwidth=1920\nheight=1080\npix_fmt=yuv420p\nr_frame_rate=50/1\navg_frame_rate=50/1\n"
            "codec_name=aac\nr_frame_rate=0/0\navg_frame_rate=0/0\n");
  // +faststart: the index (moov) comes before the media data (mdat).
  const std::string bytes = ReadFile(dir / "up.mp4");
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

}  // namespace
