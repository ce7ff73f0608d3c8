// Whole scenes on the virtual clock: Run ends after the right frame, and
// frames allocate nothing. (Frame times are the benchmark mode's to print;
// pictures of any frame come from --record=DIR --frames=LIST.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "core/globals.h"
#include "core/timeline.h"
#include "scenes/circles.h"
#include "scenes/cube.h"
#include "scenes/intro.h"
#include "scenes/metaballs.h"
#include "tests/support/headless_show.h"

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
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<Scene>();
  scene->Run({"scene", length});
  // The last frame read a scene time beyond the length; frames are 20 ms
  // (30 demo-clock units) apart, so it was the first such frame.
  const float now = scene->SceneTime();
  EXPECT_GT(now, length);
  EXPECT_LE(now, length + 61.0f);
}

TEST(SceneRun, IntroEndsAfterItsLength) { CheckRunEndsAfterItsLength<TIntroScene>(timeline::kIntro.length); }
TEST(SceneRun, CubeEndsAfterItsLength) { CheckRunEndsAfterItsLength<TCubeScene>(timeline::kCube.length); }
TEST(SceneRun, CirclesEndsAfterItsLength) { CheckRunEndsAfterItsLength<TCirclesScene>(timeline::kCircles.length); }
TEST(SceneRun, MetaballsEndsAfterItsLength) { CheckRunEndsAfterItsLength<TMetaballsScene>(timeline::kMetaballs.length); }

// Scene times covering every row of every timeline.
const std::vector<float> IntroTimes = {0, 3000, 5400, 7000, 12000, 16000, 18500, 25000, 50000, 75000, 80010};
const std::vector<float> CubeTimes = {0, 5000, 10000, 20000, 30000, 38000, 45000, 60000, 80000, 90010};
const std::vector<float> CirclesTimes = {0, 20000, 49000, 55000, 60010};
const std::vector<float> MetaballsTimes = {0, 3000, 8000, 10000, 20000, 40000, 50000, 60000, 85000, 90020};

// Draws the frames in order, advancing the clock by one frame between them.
template <class Scene>
int64_t AllocationsWhileDrawing(HeadlessShow& world, Scene& scene, const std::vector<float>& times) {
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
    HeadlessShow world(depth, HeadlessShow::Data::MadeUp);
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

}  // namespace
