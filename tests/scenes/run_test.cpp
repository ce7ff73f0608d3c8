// Whole scenes on the virtual clock: Run ends after the right frame, frames
// allocate nothing, how long a frame takes, and (on request) a few frames of
// every scene written as pictures to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/globals.h"
#include "scene_world.h"
#include "scenes/circles.h"
#include "scenes/cube.h"
#include "scenes/intro.h"
#include "scenes/metaballs.h"

// Every allocation of the test program is counted.
namespace {
std::atomic<int64_t> Allocations{0};
}

void* operator new(std::size_t size) {
  ++Allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

template <class Scene>
void CheckRunEndsAfterItsLength(float length) {
  SceneWorld world(32);
  auto scene = std::make_unique<Scene>();
  scene->Run({"scene", length});
  // The last frame read a scene time beyond the length; frames are 20 ms
  // (30 demo-clock units) apart, so it was the first such frame.
  const float now = scene->SceneTime();
  EXPECT_GT(now, length);
  EXPECT_LE(now, length + 61.0f);
}

TEST(SceneRun, IntroEndsAfterItsLength) { CheckRunEndsAfterItsLength<TIntroScene>(80000.0f); }
TEST(SceneRun, CubeEndsAfterItsLength) { CheckRunEndsAfterItsLength<TCubeScene>(90000.0f); }
TEST(SceneRun, CirclesEndsAfterItsLength) { CheckRunEndsAfterItsLength<TCirclesScene>(60000.0f); }
TEST(SceneRun, MetaballsEndsAfterItsLength) { CheckRunEndsAfterItsLength<TMetaballsScene>(90000.0f); }

// Scene times covering every row of every timeline.
const std::vector<float> IntroTimes = {0, 3000, 5400, 7000, 12000, 16000, 18500, 25000, 50000, 75000, 80010};
const std::vector<float> CubeTimes = {0, 5000, 10000, 20000, 30000, 38000, 45000, 60000, 80000, 90010};
const std::vector<float> CirclesTimes = {0, 20000, 49000, 55000, 60010};
const std::vector<float> MetaballsTimes = {0, 3000, 8000, 10000, 20000, 40000, 50000, 60000, 85000, 90020};

// Draws the frames in order, advancing the clock by one frame between them.
template <class Scene>
int64_t AllocationsWhileDrawing(SceneWorld& world, Scene& scene, const std::vector<float>& times) {
  scene.BeginScene();
  const int64_t before = Allocations.load();
  for (float t : times) {
    scene.DrawFrame(t);
    world.AdvanceMs(20);
  }
  return Allocations.load() - before;
}

TEST(SceneFrames, NoFrameAllocates) {
  for (uint8_t depth : {16, 32}) {
    SCOPED_TRACE(int(depth));
    SceneWorld world(depth);
    const int64_t atStart = Allocations.load();
    auto intro = std::make_unique<TIntroScene>();
    auto cube = std::make_unique<TCubeScene>();
    auto circles = std::make_unique<TCirclesScene>();
    auto metaballs = std::make_unique<TMetaballsScene>();
    ASSERT_GT(Allocations.load(), atStart);  // the counter does count
    // A first pass warms up anything made once (fonts, scratch memory).
    AllocationsWhileDrawing(world, *intro, IntroTimes);
    AllocationsWhileDrawing(world, *cube, CubeTimes);
    AllocationsWhileDrawing(world, *circles, CirclesTimes);
    AllocationsWhileDrawing(world, *metaballs, MetaballsTimes);
    EXPECT_EQ(AllocationsWhileDrawing(world, *intro, IntroTimes), 0);
    EXPECT_EQ(AllocationsWhileDrawing(world, *cube, CubeTimes), 0);
    EXPECT_EQ(AllocationsWhileDrawing(world, *circles, CirclesTimes), 0);
    EXPECT_EQ(AllocationsWhileDrawing(world, *metaballs, MetaballsTimes), 0);
  }
}

// Median time of DrawFrame over `frames` frames spread over the scene.
template <class Scene>
double MedianFrameMs(SceneWorld& world, Scene& scene, float length, int32_t frames) {
  std::vector<double> ms;
  scene.BeginScene();
  for (int32_t i = 0; i < frames; ++i) {
    const float t = length * float(i) / float(frames);
    const auto start = std::chrono::steady_clock::now();
    scene.DrawFrame(t);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    world.AdvanceMs(20);
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

TEST(SceneFrames, FramesFitTheFrameBudget) {
  SceneWorld world(32);
  auto intro = std::make_unique<TIntroScene>();
  auto cube = std::make_unique<TCubeScene>();
  auto circles = std::make_unique<TCirclesScene>();
  auto metaballs = std::make_unique<TMetaballsScene>();
  const double times[4] = {
      MedianFrameMs(world, *intro, 80000.0f, 400),
      MedianFrameMs(world, *cube, 90000.0f, 400),
      MedianFrameMs(world, *circles, 60000.0f, 400),
      MedianFrameMs(world, *metaballs, 90000.0f, 400),
  };
  std::printf("median frame, 32 bits: intro %.3f ms, cube %.3f ms, circles %.3f ms, metaballs %.3f ms\n",
              times[0], times[1], times[2], times[3]);
  // 20 ms is the whole frame's budget, pacing and presenting included.
  for (double t : times) EXPECT_LT(t, 20.0);
}

// With QO_SCENE_FRAMES=<folder>, plays every scene at 50 frames per second
// and writes the frames nearest to a few scene times as PNG pictures.
template <class Scene>
void DumpFrames(SceneWorld& world, Scene& scene, const char* name, float length, const std::vector<float>& times,
                const std::string& folder) {
  scene.BeginScene();
  size_t next = 0;
  for (;;) {
    const float t = scene.SceneTime();
    scene.DrawFrame(t);
    if (next < times.size() && t >= times[next]) {
      char file[256];
      std::snprintf(file, sizeof file, "%s/%s_%06d.png", folder.c_str(), name, int(t));
      SaveBufferPng(*ScreenBuffer, file);
      ++next;
    }
    if (t > length) break;
    world.AdvanceMs(20);
  }
}

TEST(SceneFrames, DumpFramesOnRequest) {
  const char* folder = std::getenv("QO_SCENE_FRAMES");
  if (!folder) GTEST_SKIP() << "set QO_SCENE_FRAMES to a folder to write frames";
  const char* depthText = std::getenv("QO_SCENE_DEPTH");
  SceneWorld world(uint8_t(depthText ? std::atoi(depthText) : 32));
  if (const char* data = std::getenv("QO_SCENE_DATA")) world.UseDataTree(data);
  auto intro = std::make_unique<TIntroScene>();
  auto cube = std::make_unique<TCubeScene>();
  auto circles = std::make_unique<TCirclesScene>();
  auto metaballs = std::make_unique<TMetaballsScene>();
  DumpFrames(world, *intro, "intro", 80000.0f, IntroTimes, folder);
  DumpFrames(world, *cube, "cube", 90000.0f, CubeTimes, folder);
  DumpFrames(world, *circles, "circles", 60000.0f, CirclesTimes, folder);
  DumpFrames(world, *metaballs, "metaballs", 90000.0f, MetaballsTimes, folder);
}

}  // namespace
