// The record mode's pieces on their own: where an enlarged frame sits, the
// conversion of every depth to RGB, and the worker that writes frames in
// order while the show draws on.
#include <gtest/gtest.h>

#include <random>

#include "Zentra2/buffer.h"
#include "Zentra2/zentra.h"
#include "app/frame_pipeline.h"
#include "app/rgb_frames.h"

namespace {

TEST(FrameLayout, LargestWholeFactorCentred) {
  struct Case {
    int width, height, scale, left, top;
  };
  for (const Case& c : {Case{3840, 2160, 5, 640, 120}, Case{1920, 1080, 2, 448, 156}, Case{1101, 801, 2, 38, 16},
                        Case{512, 384, 1, 0, 0}, Case{2048, 400, 1, 768, 8}}) {
    const std::optional<FrameLayout> l = LayoutForSize(512, 384, c.width, c.height);
    ASSERT_TRUE(l) << c.width << "x" << c.height;
    EXPECT_EQ(l->scale, c.scale) << c.width << "x" << c.height;
    EXPECT_EQ(l->left, c.left) << c.width << "x" << c.height;
    EXPECT_EQ(l->top, c.top) << c.width << "x" << c.height;
  }
  EXPECT_FALSE(LayoutForSize(512, 384, 511, 384));
  EXPECT_FALSE(LayoutForSize(512, 384, 640, 383));
}

TEST(PixelsToRgb, AgreesWithTheBuffersOwnColourSplitInEveryDepth) {
  std::mt19937 random(7);
  const uint8_t depth0 = DisplayDepth;
  for (int depth : {15, 16, 24, 32}) {
    DisplayDepth = uint8_t(depth);
    const int bytes = depth == 24 ? 3 : depth == 32 ? 4 : 2;
    const int width = 37, height = 5, pitch = width * bytes + 3;  // rows with a gap after them
    std::vector<uint8_t> bits(size_t(pitch) * height);
    for (uint8_t& b : bits) b = uint8_t(random());
    RgbImage out{40, 6, std::vector<uint8_t>(40 * 6 * 3, 0xAB)};
    PixelsToRgb(bits.data(), pitch, depth, width, height, &out);
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        uint8_t r = 0, g = 0, b = 0;
        if (x < width && y < height) {
          const uint8_t* p = bits.data() + size_t(y) * pitch + size_t(x) * bytes;
          uint32_t v = 0;
          for (int i = 0; i < std::min(bytes, 3); ++i) v |= uint32_t(p[i]) << (8 * i);
          SplitColor(v, r, g, b);
        }
        const uint8_t* o = &out.rgb[(size_t(y) * out.width + x) * 3];
        ASSERT_EQ(o[0], r) << depth << " at " << x << "," << y;
        ASSERT_EQ(o[1], g) << depth << " at " << x << "," << y;
        ASSERT_EQ(o[2], b) << depth << " at " << x << "," << y;
      }
  }
  DisplayDepth = depth0;
}

// Keeps what it is given, slowly, so the queue fills up.
class SlowSink final : public FrameSink {
public:
  void Write(int64_t frame, const RgbImage& picture) override {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    frames.push_back(frame);
    firstBytes.push_back(picture.rgb[0]);
    size = {picture.width, picture.height};
  }
  bool Close() override { return true; }
  std::vector<int64_t> frames;
  std::vector<uint8_t> firstBytes;
  std::pair<int, int> size;
};

TEST(FramePipeline, WritesEveryFrameInOrderWithThePictureOfItsTime) {
  SlowSink sink;
  FramePipeline pipeline(&sink, 4, 2, *LayoutForSize(4, 2, 9, 5));
  std::vector<uint8_t> expected;
  pipeline.Emit(0);  // before anything was presented: black
  expected.push_back(0);
  int64_t frame = 1;
  for (int picture = 1; picture <= 60; ++picture) {
    // 32-bit pixels whose red channel is the picture's number.
    std::vector<uint8_t> bits(4 * 2 * 4, 0);
    for (int i = 0; i < 8; ++i) bits[size_t(4 * i + 2)] = uint8_t(picture);
    pipeline.Capture(bits.data(), 16, 32, 4, 2);
    bits.assign(bits.size(), 0xFF);  // the show draws on; the copy must not see it
    for (int repeat = 0; repeat < picture % 3; ++repeat, ++frame) {
      pipeline.Emit(frame);
      expected.push_back(uint8_t(picture));
    }
  }
  ASSERT_TRUE(pipeline.Finish());
  ASSERT_EQ(sink.frames.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(sink.frames[i], int64_t(i));
  // 9 x 5 holds the 4 x 2 frame twice: left 0, top 0; its first pixel is the picture's.
  EXPECT_EQ(sink.firstBytes, expected);
  EXPECT_EQ(sink.size, std::make_pair(9, 5));
}

}  // namespace
