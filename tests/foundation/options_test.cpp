#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "Zentra2/buffer.h"
#include "Zentra2/cpu.h"
#include "Zentra2/zentra.h"
#include "app/options.h"
#include "core/globals.h"
#include "platform/session.h"

namespace {

void ResetFlags() {
  DebugMode = ShowFramerate = MaxPriority = MotionBlur = NoMMX = NoSound = VSync = Windowed = 0;
}

// The show's options of a command line, put into the globals.
void ParseOptions(const std::vector<std::string>& args) { ApplyShowOptions(ParseCommandLine(args).show); }

TEST(Options, DefaultsWithoutArgumentsLeavePriorityAlone) {
  ResetFlags();
  ScreenWidth = 1;
  ParseOptions({});
  EXPECT_EQ(ScreenWidth, 512);
  EXPECT_EQ(ScreenHeight, 384);
  EXPECT_EQ(ScreenBpp, 32);
  EXPECT_FALSE(Windowed || NoSound || DebugMode);
}

TEST(Options, LiteralsAreExactCaseSensitiveAndLaterOnesWin) {
  ResetFlags();
  ParseOptions({"-res:640x480", "-Windowed", "-res:320x240", "-res:1024x768", "-bpp:16b", "-nosound", "--windowed",
                "-windowed "});
  EXPECT_EQ(ScreenWidth, 320);
  EXPECT_EQ(ScreenHeight, 240);
  EXPECT_EQ(ScreenBpp, 16);
  EXPECT_EQ(NoSound, FlagOn);
  EXPECT_EQ(Windowed, 0);
}

TEST(Options, EveryFlagSwitchesOn) {
  ResetFlags();
  bool mmxBefore = UseMMX;
  ParseOptions({"-debug", "-framerate", "-motionblur", "-nommx", "-nosound", "-vsync", "-windowed", "-bpp:24b"});
  for (int32_t flag : {DebugMode, ShowFramerate, MotionBlur, NoMMX, NoSound, VSync, Windowed}) EXPECT_EQ(flag, FlagOn);
  EXPECT_FALSE(UseMMX);
  EXPECT_EQ(ScreenBpp, 24);
  UseMMX = mmxBefore;
}

TEST(Options, PriorityIsSetOnlyWithArgumentsAndFollowsMaxPriorityAnywhere) {
  using platform::PriorityClass;
  // A session that notes what it is asked instead of changing the process.
  struct Noting : platform::Session {
    std::vector<PriorityClass>* calls;
    explicit Noting(std::vector<PriorityClass>* c) : calls(c) {}
    void SetPriorityClass(PriorityClass c) override { calls->push_back(c); }
  };
  std::vector<PriorityClass> calls;
  platform::UseSession(std::make_unique<Noting>(&calls));
  ResetFlags();
  ParseOptions({});
  EXPECT_TRUE(calls.empty());  // no argument: the priority is not touched
  ParseOptions({"-unknown"});
  ParseOptions({"-maxpriority", "-windowed"});
  ParseOptions({"-windowed", "-maxpriority"});
  platform::UseSession(nullptr);
  EXPECT_EQ(calls, (std::vector<PriorityClass>{PriorityClass::Normal, PriorityClass::Realtime, PriorityClass::Realtime}));
}

TEST(Options, ParseResetsOnlyTheFlagsItOwns) {
  // NoSound may have been turned on by a sound failure; a later parse keeps it.
  ResetFlags();
  NoSound = FlagOn;
  DebugMode = FlagOn;
  ParseOptions({"-x"});
  EXPECT_EQ(NoSound, FlagOn);
  EXPECT_EQ(DebugMode, 0);
}

TEST(Options, HelpListsEveryOption) {
  std::string help = HelpText();
  for (const char* name : {"-debug", "-framerate", "-maxpriority", "-motionblur", "-nommx", "-nosound", "-vsync",
                           "-windowed", "-res:320x240", "-res:512x384", "-res:640x480", "-res:800x600", "-bpp:15b",
                           "-bpp:16b", "-bpp:24b", "-bpp:32b", "--help", "--version"})
    EXPECT_NE(help.find(name), std::string::npos) << name;
  EXPECT_EQ(ParseCommandLine({"x", "--help"}).mode, RunMode::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).mode, RunMode::Version);
  EXPECT_EQ(ParseCommandLine({"-help"}).mode, RunMode::Play);
  // -h is an unknown argument like any other: ignored, the show plays.
  EXPECT_EQ(ParseCommandLine({"-h"}).mode, RunMode::Play);
  EXPECT_EQ(ParseCommandLine({"-h"}).error, "");
}

// ColorComponent by its rule: round to the nearest integer (ties to even),
// above 255 take 255, below 0 mirror; then at 24 and 32 bits the low byte,
// at 15 and 16 bits 4 more, to the nearest of the 32 steps the five-bit
// kernels use. There the written rule takes the sum modulo 256, so 252..255
// (and every large value clamped to 255) come out as 0..3: a fade that ends
// at full opacity would show almost nothing on its last frames, an obvious
// fault. The sum saturates at 255 instead.
TEST(ColorComponent, FollowsTheRuleWithTheFiveBitSumSaturating) {
  auto rule = [](float value, int depth) {
    long double v = std::nearbyint(static_cast<long double>(value));
    if (v > 255) v = 255;
    else if (v < 0) v = -v;
    return int(depth <= 16 ? std::min(v + 4, 255.0L) : std::fmod(v, 256.0L));
  };
  std::vector<float> values = {0.5f, 1.5f, 2.5f, 3.5f, 251.5f, 252.5f, -0.5f, -1.5f, -10.4f, 1e9f, -1e9f, -3e38f};
  for (int i = -2400; i <= 2400; ++i) values.push_back(float(i) / 4.0f);
  for (uint8_t depth : {15, 16, 24, 32}) {
    DisplayDepth = depth;
    for (float v : values) ASSERT_EQ(ColorComponent(v), rule(v, depth)) << v << " at " << int(depth);
  }
  // The worked values: 128 is 132 at 15/16 bits, -300 mirrors to 300 (44 at 24/32 bits).
  DisplayDepth = 16;
  EXPECT_EQ(ColorComponent(128.0f), 132);
  EXPECT_EQ(ColorComponent(255.0f), 255);
  DisplayDepth = 32;
  EXPECT_EQ(ColorComponent(-300.0f), 44);
  DisplayDepth = 0;
}

}  // namespace
