#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Zentra2/image.h"
#include "Zentra2/zentra.h"
#include "platform/bmp.h"
#include "tests/support/image_files.h"
#include "tests/support/pixels.h"

namespace fs = std::filesystem;
using namespace testimg;

namespace {

// Every pixel of the buffer equals MakeColor of the expected channels.
void ExpectPicture(const TBuffer64& buf, const Pixels& want, bool overBlack = false) {
  ASSERT_EQ(buf.Width, want.w);
  ASSERT_EQ(buf.Height, want.h);
  for (int y = 0; y < want.h; ++y)
    for (int x = 0; x < want.w; ++x) {
      Rgba c = want.At(x, y);
      if (overBlack) {
        c.r = uint8_t((c.r * c.a + 127) / 255);
        c.g = uint8_t((c.g * c.a + 127) / 255);
        c.b = uint8_t((c.b * c.a + 127) / 255);
      }
      ASSERT_EQ(ReadPixel(buf, x, y), MakeColor(c.r, c.g, c.b)) << "depth " << buf.BitDepth << " at " << x << "," << y;
    }
}

void LoadBytes(TBuffer64& buf, const std::string& bytes, bool videoMemory = false) {
  std::istringstream in(bytes);
  buf.LoadFromStream(in, videoMemory);
}

// The CRC of PNG chunks, so a test can forge a header that passes it.
uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char ch : bytes) {
    crc ^= ch;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// A directory of its own per test, so parallel tests never share a file.
struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "qo_images_XXXXXX").string();
    path = mkdtemp(tmpl.data());
  }
  ~TempDir() { fs::remove_all(path); }
  fs::path Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return path / name;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// Loads `bytes` in a child process whose working directory is `dir`.
void LoadInChild(const TempDir& dir, const std::string& bytes) {
  if (chdir(dir.path.c_str()) != 0) std::_Exit(99);
  THeadlessZentra display(64, 48, 32);
  TBuffer64 buf(&display, 1, 1, false);
  LoadBytes(buf, bytes);
  std::_Exit(0);
}

TEST(ImageLoad, EachSignatureDecodesExactlyInEveryDepth) {
  const Pixels pic = Pattern(13, 7);
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 1, 1, false);
    LoadBytes(buf, EncodeBmp(pic));
    ExpectPicture(buf, pic);
    LoadBytes(buf, EncodeBmp(pic, true));
    ExpectPicture(buf, pic);
    LoadBytes(buf, EncodePng(pic, PngKind::Rgb8));
    ExpectPicture(buf, pic);
  }
}

// Four-channel JPEGs: Adobe's files (APP14) store the channels inverted,
// others the ink; YCCK comes back as CMYK. R = (255 - C)(255 - K) / 255 in ink.
TEST(ImageLoad, CmykAndYcckJpegsLoad) {
  const uint8_t stored[4] = {200, 120, 40, 230};
  const struct {
    bool ycck, adobe;
    int r, g, b;
  } cases[] = {
      {false, true, 200 * 230 / 255, 120 * 230 / 255, 40 * 230 / 255},
      {true, true, 200 * 230 / 255, 120 * 230 / 255, 40 * 230 / 255},
      {false, false, 55 * 25 / 255, 135 * 25 / 255, 215 * 25 / 255},
  };
  THeadlessZentra display(64, 48, 32);
  TBuffer64 buf(&display, 1, 1, false);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ycck ? "YCCK" : "CMYK") + (c.adobe ? " with" : " without") + " the Adobe marker");
    LoadBytes(buf, EncodeCmykJpeg(24, 16, stored, c.ycck, c.adobe));
    ASSERT_EQ(buf.Width, 24);
    ASSERT_EQ(buf.Height, 16);
    for (int y = 0; y < 16; y += 5)
      for (int x = 0; x < 24; x += 7) {
        uint8_t r, g, b;
        SplitColor(ReadPixel(buf, x, y), r, g, b);
        ASSERT_NEAR(r, c.r, 2);
        ASSERT_NEAR(g, c.g, 2);
        ASSERT_NEAR(b, c.b, 2);
      }
  }
}

TEST(ImageLoad, JpegComesBackCloseToTheSource) {
  const Pixels pic = Flat(24, 16, {200, 90, 30, 255});
  const std::string jpeg = EncodeJpeg(pic, 100);
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 1, 1, false);
    LoadBytes(buf, jpeg);
    ASSERT_EQ(buf.Width, 24);
    ASSERT_EQ(buf.Height, 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) {
        uint8_t r, g, b;
        SplitColor(ReadPixel(buf, x, y), r, g, b);
        // One step of the packed channel plus JPEG's rounding.
        const int tol = depth <= 16 ? 10 : 2;
        ASSERT_NEAR(r, 200, tol);
        ASSERT_NEAR(g, 90, tol);
        ASSERT_NEAR(b, 30, tol);
      }
  }
  // Progressive and greyscale-free variants decode to the same size.
  THeadlessZentra display(64, 48, 32);
  TBuffer64 buf(&display, 1, 1, false);
  LoadBytes(buf, EncodeJpeg(Pattern(33, 17), 80, true));
  EXPECT_EQ(buf.Width, 33);
  EXPECT_EQ(buf.Height, 17);
}

TEST(ImageLoad, PngLayoutsExpandToRgb) {
  THeadlessZentra display(64, 48, 32);
  TBuffer64 buf(&display, 1, 1, false);
  const Pixels pic = Pattern(11, 9);
  for (bool interlaced : {false, true}) {
    LoadBytes(buf, EncodePng(pic, PngKind::Rgb16, interlaced));
    ExpectPicture(buf, pic);
    LoadBytes(buf, EncodePng(pic, PngKind::Rgb8, interlaced));
    ExpectPicture(buf, pic);
    // Grey: the red channel on all three.
    Pixels grey = pic;
    for (Rgba& c : grey.px) c.g = c.b = c.r;
    LoadBytes(buf, EncodePng(pic, PngKind::Grey8, interlaced));
    ExpectPicture(buf, grey);
    // Two-bit grey: 0, 85, 170, 255.
    Pixels grey2 = pic;
    for (Rgba& c : grey2.px) c.r = c.g = c.b = uint8_t((c.r >> 6) * 85);
    LoadBytes(buf, EncodePng(pic, PngKind::Grey2, interlaced));
    ExpectPicture(buf, grey2);
  }
  Pixels few = Pattern(5, 4);  // 20 colours fit a palette
  LoadBytes(buf, EncodePng(few, PngKind::Palette8));
  ExpectPicture(buf, few);
}

TEST(ImageLoad, PngAlphaIsFlattenedOverBlack) {
  const Pixels pic = Pattern(16, 8, true);
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 1, 1, false);
    LoadBytes(buf, EncodePng(pic, PngKind::Rgba8));
    ExpectPicture(buf, pic, true);
  }
  THeadlessZentra display(64, 48, 32);
  TBuffer64 buf(&display, 1, 1, false);
  Pixels few = Pattern(5, 4, true);
  LoadBytes(buf, EncodePng(few, PngKind::PaletteAlpha, true));
  ExpectPicture(buf, few, true);
  Pixels greyAlpha = few;
  for (Rgba& c : greyAlpha.px) c.g = c.b = c.r;
  LoadBytes(buf, EncodePng(few, PngKind::GreyAlpha8));
  ExpectPicture(buf, greyAlpha, true);
}

TEST(ImageLoad, FilesAreTypedByContentNotName) {
  TempDir dir;
  const Pixels pic = Pattern(6, 5);
  THeadlessZentra display(64, 48, 16);
  TImage64 asJpg(&display, dir.Write("picture.jpg", EncodePng(pic, PngKind::Rgb8)).string(), false);
  ExpectPicture(asJpg, pic);
  TImage64 bare(&display, dir.Write("marrowind", EncodeBmp(pic)).string(), false);
  ExpectPicture(bare, pic);
}

TEST(ImageLoad, SurfaceIsKeptForTheSameSizeAndMadeAnewOtherwise) {
  THeadlessZentra display(64, 48, 24);
  TBuffer64 buf(&display, 1, 1, false);
  LoadBytes(buf, EncodeBmp(Flat(1, 1, {1, 2, 3, 255})));
  EXPECT_EQ(buf.Width, 1);
  auto surface = buf.Surface;
  LoadBytes(buf, EncodePng(Flat(1, 1, {9, 8, 7, 255}), PngKind::Rgb8));
  EXPECT_EQ(buf.Surface, surface) << "a 1 x 1 image keeps the 1 x 1 surface";
  EXPECT_EQ(ReadPixel(buf, 0, 0), MakeColor(9, 8, 7));

  LoadBytes(buf, EncodePng(Pattern(20, 10), PngKind::Rgb8));
  surface = buf.Surface;
  const auto rows = buf.Rows;
  LoadBytes(buf, EncodeBmp(Pattern(20, 10)));
  EXPECT_EQ(buf.Surface, surface);
  EXPECT_EQ(buf.Rows, rows) << "rows stay valid when the size is unchanged";

  // Another kind of memory asked for: a new surface, the field keeps its value.
  LoadBytes(buf, EncodeBmp(Pattern(20, 10)), true);
  EXPECT_NE(buf.Surface, surface);
  EXPECT_FALSE(buf.VideoMemory);
  ExpectPicture(buf, Pattern(20, 10));
}

TEST(ImageLoad, ReadsFromTheMiddleOfAStreamAndRestoresThePosition) {
  const Pixels pic = Pattern(7, 3);
  const std::string png = EncodePng(pic, PngKind::Rgb8);
  std::istringstream in("some leading bytes" + png + "and trailing ones");
  in.seekg(18);
  THeadlessZentra display(64, 48, 15);
  TBuffer64 buf(&display, 1, 1, false);
  buf.LoadFromStream(in, false);
  EXPECT_EQ(in.tellg(), std::streampos(18));
  EXPECT_TRUE(in.good());
  ExpectPicture(buf, pic);
}

TEST(ImageLoadDeath, UnknownOrShortDataIsReportedInTheLog) {
  const std::string jpegStart = EncodeJpeg(Pattern(8, 8)).substr(0, 7);
  for (const std::string& bytes : {std::string("GIF89a..........."), std::string("\x89PNG"), jpegStart,
                                   std::string()}) {
    TempDir dir;
    EXPECT_EXIT(LoadInChild(dir, bytes), ::testing::ExitedWithCode(1), "Stream Image format not supported");
    EXPECT_EQ(dir.Read("ZNT_ERR.txt"), "[TBuffer64]LoadStreamImage -> Stream Image format not supported...\r\n");
  }
}

TEST(ImageLoadDeath, DamagedFilesEndWithExitCodeOne) {
  const std::string jpeg = EncodeJpeg(Pattern(40, 40));
  std::string png = EncodePng(Pattern(40, 40), PngKind::Rgb8);
  std::string damagedPng = png;
  damagedPng[damagedPng.size() / 2] ^= 0x55;  // inside the compressed data: CRC fails
  std::string bmp = EncodeBmp(Pattern(40, 40));
  // A 16384 x 16384 header in front of a small picture's data.
  std::string hugePng = png;
  hugePng[16] = 0, hugePng[17] = 0, hugePng[18] = 0x40, hugePng[19] = 0;
  hugePng[20] = 0, hugePng[21] = 0, hugePng[22] = 0x40, hugePng[23] = 0;
  const uint32_t crc = Crc32(hugePng.substr(12, 17));
  for (int i = 0; i < 4; ++i) hugePng[size_t(29 + i)] = char(crc >> (24 - 8 * i));
  std::string hugeBmp = bmp;
  hugeBmp[19] = 0x7F;  // width 0x7F28
  // The old core header: unsigned 16-bit sizes, here 65534 x 65535.
  const std::string hugeCoreBmp("BM:M-\0\0\0\x19\0\0\0\x37\0\x0c\0\0\0\xfe\xff\xff\xff\x02\0\x01\0", 26);

  const struct {
    std::string bytes, message;
  } cases[] = {
      {jpeg.substr(0, jpeg.size() / 2), "JPEG error: Premature end of JPEG file"},
      {jpeg.substr(0, 200) + std::string(300, '\x00'), "JPEG error"},
      {damagedPng, "PNG error: IDAT"},
      {png.substr(0, png.size() - 30), "PNG error"},
      {hugePng, "PNG error: Image too large: 16384 x 16384"},
      {bmp.substr(0, 30), "BMP error"},
      {hugeBmp, "BMP error: Bitmap too large"},
      {hugeCoreBmp, "BMP error: Bitmap too large: 65534 x 65535"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    EXPECT_EXIT(LoadInChild(dir, c.bytes), ::testing::ExitedWithCode(1), c.message);
    EXPECT_FALSE(fs::exists(dir.path / "ZNT_ERR.txt")) << c.message;
  }
}

void Le(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(char(v >> (8 * i)));
}

// A 2 x 2 bitmap, red and green over blue and white, with a header of
// `headerSize` bytes; at 32 bits with compression 3 it carries X8R8G8B8 masks.
std::string MakeBmp(uint32_t headerSize, uint16_t bits, uint32_t compression) {
  std::string info;
  Le(info, headerSize, 4);
  Le(info, 2, headerSize == 12 ? 2 : 4);
  Le(info, 2, headerSize == 12 ? 2 : 4);
  Le(info, 1, 2);
  Le(info, bits, 2);
  if (headerSize >= 40) {
    Le(info, compression, 4);
    for (uint32_t v : {0u, 2835u, 2835u, 0u, 0u}) Le(info, v, 4);
  }
  std::string masks;
  for (uint32_t m : {0xFF0000u, 0xFF00u, 0xFFu}) Le(masks, m, 4);
  const bool fields = compression == 3 && bits == 32;
  if (fields && headerSize > 40) info += masks;
  info.resize(std::max<size_t>(info.size(), headerSize), '\0');
  info.resize(headerSize);
  if (fields && headerSize == 40) info += masks;
  std::string rows;
  const uint32_t bottomUp[4] = {0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) Le(rows, bottomUp[2 * y + x], bits / 8);
    while (rows.size() % 4) rows.push_back('\0');
  }
  std::string file = "BM";
  Le(file, uint32_t(14 + info.size() + rows.size()), 4);
  Le(file, 0, 4);
  Le(file, uint32_t(14 + info.size()), 4);
  return file + info + rows;
}

// DecodeBmp of MakeBmp's bitmap: whether it decoded, the RGB bytes, the error.
struct BmpResult {
  bool ok = false;
  std::vector<uint8_t> rgb;
  std::string error;
};
BmpResult DecodeMadeBmp(uint32_t headerSize, uint16_t bits, uint32_t compression) {
  const std::string bytes = MakeBmp(headerSize, bits, compression);
  BmpResult r;
  int32_t w = 0, h = 0;
  r.ok = platform::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 64, 4096, &w, &h, &r.rgb,
                             &r.error);
  return r;
}

// Every header the reader knows decodes right; the kinds it would decode
// wrongly are refused.
TEST(ImageLoad, BitmapHeadersAndCompressions) {
  const std::vector<uint8_t> expect = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  const struct {
    uint32_t header;
    uint16_t bits;
    uint32_t compression;
  } good[] = {{12, 24, 0}, {16, 24, 0}, {40, 24, 0}, {52, 24, 0}, {56, 24, 0}, {64, 24, 0}, {108, 24, 0},
              {124, 24, 0}, {40, 32, 0}, {40, 32, 3}, {56, 32, 3}, {108, 32, 3}, {124, 32, 3}};
  for (const auto& g : good) {
    const BmpResult r = DecodeMadeBmp(g.header, g.bits, g.compression);
    EXPECT_TRUE(r.ok) << g.header << " " << g.bits << " " << g.compression << ": " << r.error;
    EXPECT_EQ(r.rgb, expect) << g.header << " " << g.bits << " " << g.compression;
  }
  const struct {
    uint32_t header;
    uint16_t bits;
    uint32_t compression;
    const char* message;
  } bad[] = {
      {64, 1, 3, "Unsupported compression 3 at 1 bits per pixel in a 64-byte header"},  // OS/2 Huffman 1D
      {64, 24, 4, "Unsupported compression 4"},                                        // OS/2 RLE24
      {40, 32, 6, "Unsupported compression 6"},                                        // alpha bit fields
      {40, 24, 4, "Unsupported compression 4"},                                        // JPEG inside
      {40, 24, 3, "Unsupported compression 3 at 24 bits"},
      {40, 24, 1, "Unsupported compression 1 at 24 bits"},
      {66, 24, 0, "Unsupported header size 66"},
      {20, 24, 0, "Unsupported header size 20"},
  };
  for (const auto& b : bad) {
    const BmpResult r = DecodeMadeBmp(b.header, b.bits, b.compression);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error.rfind(b.message, 0), 0u) << r.error;
  }
  // Through the image loader: exit code 1 with the message.
  TempDir dir;
  EXPECT_EXIT(LoadInChild(dir, MakeBmp(40, 32, 6)), ::testing::ExitedWithCode(1),
              "BMP error: Unsupported compression 6");
}

// A palette bitmap of 4 or 8 bits per pixel with run-length data `codes`;
// palette entry i is (16 i, 255 - 16 i, 8 i).
std::string RleBmp(uint16_t bits, int32_t width, int32_t height, const std::vector<uint8_t>& codes) {
  std::string info;
  for (uint32_t v : {40u, uint32_t(width), uint32_t(height)}) Le(info, v, 4);
  Le(info, 1, 2);
  Le(info, bits, 2);
  for (uint32_t v : {bits == 8 ? 1u : 2u, uint32_t(codes.size()), 2835u, 2835u, 16u, 0u}) Le(info, v, 4);
  for (uint32_t i = 0; i < 16; ++i) Le(info, (16 * i) << 16 | (255 - 16 * i) << 8 | 8 * i, 4);
  std::string file = "BM";
  Le(file, uint32_t(14 + info.size() + codes.size()), 4);
  Le(file, 0, 4);
  Le(file, uint32_t(14 + info.size()), 4);
  return file + info + std::string(codes.begin(), codes.end());
}

// The pixels of run-length data by the format's rules, top row first:
// palette indices, -1 where the data leaves a pixel undefined.
std::vector<int> RleModel(uint16_t bits, int32_t width, int32_t height, const std::vector<uint8_t>& codes) {
  std::vector<int> px(size_t(width * height), -1);
  int32_t x = 0, y = 0;
  auto put = [&](int index) { px[size_t((height - 1 - y) * width + x++)] = index; };
  for (size_t p = 0; p + 1 < codes.size();) {
    const uint8_t n = codes[p], v = codes[p + 1];
    p += 2;
    if (n > 0) {
      for (int k = 0; k < n; ++k) put(bits == 8 ? v : k % 2 ? v & 15 : v >> 4);
    } else if (v == 0) {
      x = 0, ++y;
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      x += codes[p], y += codes[p + 1];
      p += 2;
    } else {
      for (int k = 0; k < v; ++k) put(bits == 8 ? codes[p + size_t(k)] : k % 2 ? codes[p + size_t(k / 2)] & 15 : codes[p + size_t(k / 2)] >> 4);
      const size_t bytes = bits == 8 ? v : (v + 1u) / 2;
      p += (bytes + 1) & ~size_t(1);
    }
  }
  return px;
}

// Run-length bitmaps load by their rules, runs, literals, deltas and the
// pixels these leave undefined included; data that breaks the rules (rows
// top-down, runs, literals or deltas past the picture, no end code) is
// refused rather than drawn in part or upside down.
TEST(ImageLoad, RunLengthBitmapsLoadByTheirRulesOrAreRefused) {
  // 8 bits, 6 x 4: a run and a literal, a delta from row 1 to row 2, a run,
  // then one pixel of the top row before the end.
  const std::vector<uint8_t> rle8 = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 5, 0, 2, 2, 1,
                                     2, 6, 0, 0, 1, 7, 0, 1};
  // 4 bits, 8 x 3: a run of alternating nibbles, a literal, a delta, a run.
  const std::vector<uint8_t> rle4 = {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 3, 1, 2, 0x67, 0, 1};
  const struct {
    uint16_t bits;
    int32_t width, height;
    std::vector<uint8_t> codes;
  } good[] = {{8, 6, 4, rle8}, {4, 8, 3, rle4}};
  for (const auto& g : good) {
    const std::string bytes = RleBmp(g.bits, g.width, g.height, g.codes);
    int32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    std::string error;
    ASSERT_TRUE(platform::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 64, 4096, &w, &h,
                                    &rgb, &error))
        << int(g.bits) << ": " << error;
    ASSERT_EQ(w, g.width);
    ASSERT_EQ(h, g.height);
    const std::vector<int> want = RleModel(g.bits, g.width, g.height, g.codes);
    for (size_t i = 0; i < want.size(); ++i) {
      if (want[i] < 0) continue;
      const uint8_t* c = &rgb[3 * i];
      EXPECT_EQ(c[0] << 16 | c[1] << 8 | c[2], 16 * want[i] << 16 | (255 - 16 * want[i]) << 8 | 8 * want[i])
          << int(g.bits) << " bits, pixel " << i;
    }
  }

  // rle8 with `remove` codes at `at` replaced by `put`.
  auto edit = [&](size_t at, size_t remove, std::initializer_list<uint8_t> put) {
    std::vector<uint8_t> c;
    for (size_t i = 0; i < at; ++i) c.push_back(rle8[i]);
    for (uint8_t v : put) c.push_back(v);
    for (size_t i = at + remove; i < rle8.size(); ++i) c.push_back(rle8[i]);
    return c;
  };
  const struct {
    int32_t height;
    std::vector<uint8_t> codes;
    const char* why;
  } bad[] = {
      {-4, rle8, "top-down rows"},
      {4, edit(0, 0, {7, 1}), "a run goes past the picture"},                 // 7 pixels in a row of 6
      {4, edit(8, 0, {1, 1}), "a run goes past the picture"},                 // a 7th pixel after the literal
      {4, edit(0, 0, {4, 1, 0, 3, 2, 3, 4, 0}), "literal pixels go past"},    // 4 + 3 pixels
      {4, edit(10, 0, {0, 2, 7, 0}), "a delta goes past the picture"},        // to column 7 of 6
      {4, edit(10, 0, {0, 2, 0, 5}), "a delta goes past the picture"},        // to row 6 of 4
      {4, edit(22, 0, {0, 0, 0, 0, 0, 0, 1, 1}), "a run goes past the picture"},  // a row above the top
      {4, edit(22, 2, {}), "no end-of-bitmap code"},
      {4, edit(3, 21, {}), "no end-of-bitmap code"},                        // cut inside a literal
  };
  for (const auto& b : bad) {
    const std::string bytes = RleBmp(8, 6, b.height, b.codes);
    int32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    std::string error;
    EXPECT_FALSE(platform::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 64, 4096, &w, &h,
                                     &rgb, &error))
        << b.why;
    EXPECT_EQ(error.rfind(std::string("Unsupported run-length bitmap: ") + b.why, 0), 0u) << error;
  }
  // Through the image loader: exit code 1 with the message.
  TempDir dir;
  EXPECT_EXIT(LoadInChild(dir, RleBmp(8, 6, -4, rle8)), ::testing::ExitedWithCode(1),
              "BMP error: Unsupported run-length bitmap: top-down rows");
}

TEST(ImageLoadDeath, MissingFileNamesTheFile) {
  THeadlessZentra display(64, 48, 32);
  EXPECT_EXIT(TImage64(&display, "./data/gfx/no_such_picture.png", false), ::testing::ExitedWithCode(1),
              "Cannot open file \"\\./data/gfx/no_such_picture\\.png\"");
  TempDir dir;
  EXPECT_EXIT(TImage64(&display, dir.path.string(), false), ::testing::ExitedWithCode(1), "Cannot open file");
}

}  // namespace
