#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/globals.h"
#include "scenes/metaballs.h"
#include "tests/support/headless_show.h"
#include "tests/support/pixels.h"
#include "trig2/trig2.h"

namespace {

constexpr int32_t N = TMetaballsScene::FieldSize;

TEST(Metaballs, FieldTableFallsOffWithDistance) {
  std::vector<int32_t> storage(size_t(N) * N);
  auto table = reinterpret_cast<int32_t(*)[N]>(storage.data());
  TMetaballsScene::FillFieldTable(table);
  EXPECT_EQ(table[256][256], 200);
  EXPECT_EQ(table[256 + 31][256], 49);   // 64000 div (961 + 320)
  EXPECT_EQ(table[256][256 - 32], 47);   // 64000 div (1024 + 320)
  EXPECT_EQ(table[0][0], 64000 / (2 * 65536 + 320));
  for (int32_t dx = -256; dx <= 256; ++dx) {
    for (int32_t dy = -256; dy <= 256; ++dy) {
      const int32_t v = table[dx + 256][dy + 256];
      // The drawing threshold is met exactly within dx^2 + dy^2 <= 1013.
      ASSERT_EQ(v >= 48, dx * dx + dy * dy <= 1013) << dx << "," << dy;
      ASSERT_EQ(v, table[dy + 256][dx + 256]);
      ASSERT_EQ(v, table[256 - dx][256 + dy]);
    }
  }
}

TEST(Metaballs, FieldIsCappedAndColoursByPlaceAndStrength) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TMetaballsScene>();
  scene->Balls[0] = {100, 100};
  scene->Balls[1] = {100, 100};
  scene->Balls[2] = {200, 200};
  EXPECT_EQ(scene->FieldAt(100, 100), 255);  // 200 + 200 + 3
  // (131, 100): 49 + 49 from the pair, 64000 div (69^2 + 100^2 + 320) = 4.
  EXPECT_EQ(scene->FieldAt(131, 100), 102);
  // Far from all three: 2 + 2 from the pair, 1 from the third.
  EXPECT_EQ(scene->FieldAt(20, 240), 5);

  scene->DrawBlobs();
  const TBuffer64& layer = *scene->BallLayer;
  EXPECT_EQ(ReadPixel(layer, 100, 100), MakeColor(177, 177, 255));
  EXPECT_EQ(ReadPixel(layer, 131, 100), MakeColor(116, 101, 102));
  // 49 from the third ball 31 pixels away and 2 + 2 from the pair: 53.
  EXPECT_EQ(ReadPixel(layer, 231, 200), MakeColor(142, 126, 53));
  // Below the threshold the layer stays black.
  EXPECT_EQ(ReadPixel(layer, 20, 240), 0u);
}

TEST(Metaballs, BlobLayerMatchesTheFieldAtEveryPixel) {
  HeadlessShow world(16, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TMetaballsScene>();
  for (float t : {0.0f, 12345.0f, 77777.0f}) {
    for (int32_t k = 0; k < 3; ++k) scene->Balls[k] = TMetaballsScene::BallCentre(k, t);
    scene->DrawBlobs();
    for (int32_t y = 0; y < 256; ++y) {
      for (int32_t x = 0; x < 256; ++x) {
        const int32_t v = scene->FieldAt(x, y);
        const uint32_t expected = v >= 48 ? TMetaballsScene::BlobColor(x, y, v) : 0u;
        ASSERT_EQ(ReadPixel(*scene->BallLayer, x, y), expected) << t << ": " << x << "," << y;
      }
    }
  }
}

TEST(Metaballs, BallCentresStayWhereTheTableReaches) {
  BuildSinTable();
  for (float t = 0.0f; t <= 90030.0f; t += 3.0f) {
    for (int32_t k = 0; k < 3; ++k) {
      const TBall b = TMetaballsScene::BallCentre(k, t);
      ASSERT_GE(b.X, 48);
      ASSERT_LE(b.X, 208);
      ASSERT_GE(b.Y, 48);
      ASSERT_LE(b.Y, 208);
    }
  }
  EXPECT_EQ(TMetaballsScene::BallCentre(0, 0.0f).X, 128);
  EXPECT_EQ(TMetaballsScene::BallCentre(0, 0.0f).Y, 160);
  EXPECT_EQ(TMetaballsScene::BallCentre(2, 0.0f).X, 208);
}

TEST(Metaballs, FadeToWhiteEndsAtFullOpacity) {
  EXPECT_EQ(TMetaballsScene::FadeOpacity(80000.5f), 0);
  EXPECT_EQ(TMetaballsScene::FadeOpacity(85000.0f), 128);  // 127.55
  EXPECT_EQ(TMetaballsScene::FadeOpacity(90000.0f), 255);  // 255.1
  EXPECT_EQ(TMetaballsScene::FadeOpacity(90020.0f), 255);  // 255.6 would be 256
}

}  // namespace
