// The desktop icons: one per size in an icon theme's layout, RGBA with
// see-through corners and the logo's dark emblem on an opaque panel.
#include <png.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "icons.h"

namespace {

TEST(MkdataIcons, EverySizeIsAnRgbaPanelWithTheEmblem) {
  const std::filesystem::path dir = std::filesystem::path(MKDATA_WORK) / "icons";
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(mkdata::WriteIcons(dir.string()));
  for (int size : mkdata::kIconSizes) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const std::string file = (dir / name / "apps" / "quietorbit.png").string();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, file.c_str())) << file;
    EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA) << name;
    ASSERT_EQ(image.width, png_uint_32(size));
    ASSERT_EQ(image.height, png_uint_32(size));
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> px(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, px.data(), 0, nullptr)) << file;
    auto at = [&](int x, int y) { return &px[(size_t(y) * size + x) * 4]; };

    EXPECT_EQ(at(0, 0)[3], 0) << name << ": the rounded corner is see-through";
    EXPECT_EQ(at(size - 1, size - 1)[3], 0) << name;
    EXPECT_EQ(at(size / 2, 1)[3], 255) << name << ": the panel's edge is opaque";
    int opaque = 0, dark = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const png_byte* p = at(x, y);
        opaque += p[3] == 255;
        dark += p[3] == 255 && p[0] + p[1] + p[2] < 3 * 80;
      }
    // A light panel over almost all of the square, the dark planet and ring on it.
    EXPECT_GT(opaque, size * size * 9 / 10) << name;
    EXPECT_GT(dark, size * size / 20) << name;
    EXPECT_LT(dark, size * size / 2) << name;
  }
}

}  // namespace
