// The generated data tree: every file exists, decodes, and has what the scenes rely on.
#include <fcntl.h>
#include <sys/wait.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <mpg123.h>

#include "generate.h"
#include "imageio.h"
#include "meshes.h"
#include "raster.h"
#include "text.h"
#include "qo_3d/qo3d.h"

namespace fs = std::filesystem;
using mkdata::Pixels;

namespace {

// ctest runs every test in its own process, possibly in parallel: the tree is generated once
// under a lock and reused while the generator's stamp still matches.
std::string Tree(const char* name) {
  fs::path dir = fs::path(MKDATA_WORK) / name;
  std::string lockPath = std::string(MKDATA_WORK) + "/" + name + ".lock";
  int fd = open(lockPath.c_str(), O_CREAT | O_RDWR, 0644);
  EXPECT_GE(fd, 0);
  flock(fd, LOCK_EX);
  std::string cmd = std::string("\"") + MKDATA_BIN + "\" \"" + dir.string() + "\"";
  int rc = std::system(cmd.c_str());
  flock(fd, LOCK_UN);
  close(fd);
  EXPECT_EQ(rc, 0) << cmd;
  return dir.string();
}

const std::string& DataDir() {
  static const std::string dir = Tree("data-a");
  return dir;
}

Pixels LoadPicture(const std::string& rel) {
  Pixels pix;
  std::string error;
  EXPECT_TRUE(mkdata::ReadImageFile((fs::path(DataDir()) / rel).string(), pix, &error)) << rel << ": " << error;
  return pix;
}

double MeanLevel(const Pixels& p) {
  double s = 0;
  for (uint8_t v : p.rgb) s += v;
  return p.rgb.empty() ? 0 : s / double(p.rgb.size());
}

// Mean absolute difference between two columns (or rows) of a picture.
double ColumnDiff(const Pixels& p, int a, int b) {
  double s = 0;
  for (int y = 0; y < p.h; ++y)
    for (int k = 0; k < 3; ++k) s += std::abs(int(p.at(a, y)[k]) - int(p.at(b, y)[k]));
  return s / (3.0 * p.h);
}
double RowDiff(const Pixels& p, int a, int b) {
  double s = 0;
  for (int x = 0; x < p.w; ++x)
    for (int k = 0; k < 3; ++k) s += std::abs(int(p.at(x, a)[k]) - int(p.at(x, b)[k]));
  return s / (3.0 * p.w);
}

// A seam is fine when it differs no more than neighbouring columns inside the picture do.
void ExpectWrapsHorizontally(const Pixels& p, const std::string& name) {
  double inside = 0;
  for (int x = 1; x < p.w; ++x) inside += ColumnDiff(p, x - 1, x);
  inside /= (p.w - 1);
  EXPECT_LE(ColumnDiff(p, p.w - 1, 0), inside * 1.8 + 1.5) << name << " has a vertical seam";
}
void ExpectWrapsVertically(const Pixels& p, const std::string& name) {
  double inside = 0;
  for (int y = 1; y < p.h; ++y) inside += RowDiff(p, y - 1, y);
  inside /= (p.h - 1);
  EXPECT_LE(RowDiff(p, p.h - 1, 0), inside * 1.8 + 1.5) << name << " has a horizontal seam";
}

TEST(MkdataTree, PicturesHaveTheSizesTheScenesAssume) {
  struct Want {
    const char* path;
    int minW, maxW, minH, maxH;
  };
  const Want wants[] = {
      {"gfx/loading/ld00.jpg", 512, 512, 384, 384},   {"gfx/loading/ld01.png", 268, 484, 354, 372},
      {"gfx/particles/pa00.png", 48, 64, 48, 64},     {"gfx/particles/pa01.png", 48, 64, 48, 64},
      {"gfx/particles/pa02.png", 48, 64, 48, 64},     {"gfx/particles/pa00s.png", 24, 40, 24, 40},
      {"gfx/particles/pa01s.png", 24, 40, 24, 40},    {"gfx/particles/pa02s.png", 24, 40, 24, 40},
      {"gfx/intro/in00.png", 512, 512, 384, 384},     {"gfx/intro/in01.png", 512, 512, 384, 384},
      {"gfx/intro/in02.png", 512, 512, 384, 384},     {"gfx/intro/in69.png", 16, 512, 16, 384},
      {"gfx/cube/cb00.jpg", 256, 512, 256, 384},      {"gfx/textures/tex00.jpg", 16, 512, 16, 384},
      {"gfx/textures/tex01.jpg", 256, 256, 256, 256}, {"gfx/textures/tex02.jpg", 512, 512, 512, 1024},
      {"gfx/textures/tex03.jpg", 256, 256, 256, 256}, {"gfx/textures/tex04.jpg", 256, 256, 256, 256},
      {"gfx/metaballs/mb00.jpg", 512, 512, 384, 384}, {"gfx/metaballs/mb01.jpg", 512, 512, 384, 384},
      {"gfx/greetz/gz00.jpg", 512, 512, 384, 384},    {"gfx/greetz/gz01.png", 180, 180, 30, 50},
      {"gfx/greetz/gz02.png", 180, 180, 1100, 1300},  {"gfx/greetz/gz03.png", 180, 180, 192, 192},
      {"gfx/misc/marrowind", 512, 512, 384, 384},
  };
  for (const Want& w : wants) {
    Pixels p = LoadPicture(w.path);
    EXPECT_GE(p.w, w.minW) << w.path;
    EXPECT_LE(p.w, w.maxW) << w.path;
    EXPECT_GE(p.h, w.minH) << w.path;
    EXPECT_LE(p.h, w.maxH) << w.path;
    EXPECT_GT(MeanLevel(p), 1.0) << w.path << " is empty";
  }
}

TEST(MkdataTree, TilesWrapWithoutSeams) {
  Pixels in69 = LoadPicture("gfx/intro/in69.png");
  // The backdrop is tiled over 512 x 384 and scrolled with a 384-row wrap.
  EXPECT_EQ(384 % in69.h, 0);
  EXPECT_EQ(512 % in69.w, 0);
  ExpectWrapsHorizontally(in69, "in69");
  ExpectWrapsVertically(in69, "in69");
  Pixels tex00 = LoadPicture("gfx/textures/tex00.jpg");
  EXPECT_EQ(512 % tex00.w, 0);
  ExpectWrapsHorizontally(tex00, "tex00");
  ExpectWrapsVertically(tex00, "tex00");
  ExpectWrapsHorizontally(LoadPicture("gfx/textures/tex02.jpg"), "tex02");
}

TEST(MkdataTree, GlowSpritesFadeToBlackAtTheirEdges) {
  for (const char* name : {"pa00", "pa01", "pa02", "pa00s", "pa01s", "pa02s"}) {
    Pixels p = LoadPicture(std::string("gfx/particles/") + name + ".png");
    EXPECT_EQ(p.w, p.h) << name;
    int edgeMax = 0;
    for (int i = 0; i < p.w; ++i)
      for (int k = 0; k < 3; ++k)
        edgeMax = std::max({edgeMax, int(p.at(i, 0)[k]), int(p.at(i, p.h - 1)[k]), int(p.at(0, i)[k]),
                            int(p.at(p.w - 1, i)[k])});
    EXPECT_LE(edgeMax, 2) << name << " shows a square edge when added";
    const uint8_t* c = p.at(p.w / 2, p.h / 2);
    EXPECT_GE(std::max({c[0], c[1], c[2]}), 200) << name << " has no bright core";
  }
}

TEST(MkdataTree, PanelsAreLightWithDarkContent) {
  // The loading logo: the text area is rewritten in the panel colour taken at (64, 64).
  Pixels logo = LoadPicture("gfx/loading/ld01.png");
  const uint8_t* panel = logo.at(64, 64);
  EXPECT_GE(std::min({panel[0], panel[1], panel[2]}), 160) << "the panel must be light";
  int off = 0;
  for (int y = 8; y < 323; ++y)
    for (int x = 8; x < 268; ++x)
      for (int k = 0; k < 3; ++k) off += logo.at(x, y)[k] != panel[k];
  EXPECT_EQ(off, 0) << "the text area must be plain panel colour";
  int dark = 0;
  for (size_t i = 0; i < logo.rgb.size(); i += 3) dark += logo.rgb[i] < 60 && logo.rgb[i + 1] < 60;
  EXPECT_GT(dark, 500) << "the logo needs a dark title";

  for (const char* name : {"gz01.png", "gz02.png", "gz03.png"}) {
    Pixels p = LoadPicture(std::string("gfx/greetz/") + name);
    size_t white = 0, ink = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
      int m = std::min({p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]});
      white += m == 255;
      ink += std::max({p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]}) < 90;
    }
    size_t n = p.rgb.size() / 3;
    EXPECT_GT(white, n / 2) << name << " must be mostly white (white subtracts nothing)";
    EXPECT_GT(ink, n / 200) << name << " has no dark content";
  }
}

TEST(MkdataTree, PicturesSuitTheirScenes) {
  // The cube is drawn with its corner pixel as a colour key, black for the cube and white for its
  // negative: the face texture must hold neither, even after reduction to 5 bits a channel.
  Pixels face = LoadPicture("gfx/textures/tex01.jpg");
  int keyed = 0;
  for (size_t i = 0; i < face.rgb.size(); i += 3) {
    const uint8_t* c = &face.rgb[i];
    keyed += (c[0] < 8 && c[1] < 8 && c[2] < 8) || (c[0] > 247 && c[1] > 247 && c[2] > 247);
  }
  EXPECT_EQ(keyed, 0);
  // Layers that are added over other pictures stay dark.
  EXPECT_LT(MeanLevel(LoadPicture("gfx/intro/in02.png")), 50);
  EXPECT_LT(MeanLevel(LoadPicture("gfx/intro/in69.png")), 40);
  // Under the greetings panel the background is bright, so the dark text reads.
  Pixels gz00 = LoadPicture("gfx/greetz/gz00.jpg");
  double under = 0;
  for (int y = 200; y < 384; ++y)
    for (int x = 300; x < 480; ++x) under += (gz00.at(x, y)[0] + gz00.at(x, y)[1] + gz00.at(x, y)[2]) / 3.0;
  EXPECT_GT(under / (184.0 * 180.0), 140);
}

// ------------------------------------------------------------------ meshes

struct AscMesh {
  std::vector<std::array<double, 3>> v;
  std::vector<std::array<long, 3>> f;
};

// Reads a mesh the way the show's loader does: before each number skip a given count of ':'.
class ColonReader {
 public:
  explicit ColonReader(std::string text) : s_(std::move(text)) {}
  bool Skip(int colons) {
    while (colons > 0 && i_ < s_.size())
      if (s_[i_++] == ':') --colons;
    return colons == 0;
  }
  bool Number(double& out) {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    size_t j = i_;
    while (j < s_.size() && !isspace(static_cast<unsigned char>(s_[j]))) ++j;
    std::string tok = s_.substr(i_, j - i_);
    i_ = j;
    char* end = nullptr;
    out = strtod(tok.c_str(), &end);
    return !tok.empty() && end && *end == '\0';
  }
  bool Integer(long& out) {
    double d;
    if (!Number(d) || d != std::floor(d)) return false;
    out = long(d);
    return true;
  }
  void SkipLine() {
    while (i_ < s_.size() && s_[i_] != '\n') ++i_;
    if (i_ < s_.size()) ++i_;
  }

 private:
  std::string s_;
  size_t i_ = 0;
};

AscMesh ReadAsc(const std::string& rel) {
  std::ifstream in(fs::path(DataDir()) / rel);
  std::stringstream ss;
  ss << in.rdbuf();
  ColonReader r(ss.str());
  AscMesh m;
  long nv = -1, nf = -1;
  EXPECT_TRUE(r.Skip(2) && r.Integer(nv)) << rel;
  EXPECT_TRUE(r.Skip(1) && r.Integer(nf)) << rel;
  r.SkipLine();
  r.SkipLine();
  EXPECT_GT(nv, 3);
  EXPECT_LE(nv, 3000) << rel;
  EXPECT_GT(nf, 3);
  EXPECT_LE(nf, 3000) << rel;
  if (nv <= 0 || nf <= 0 || nv > 3000 || nf > 3000) return m;
  for (long i = 0; i < nv; ++i) {
    std::array<double, 3> p{};
    bool ok = r.Skip(2) && r.Number(p[0]) && r.Skip(1) && r.Number(p[1]) && r.Skip(1) && r.Number(p[2]);
    EXPECT_TRUE(ok) << rel << " vertex " << i;
    if (!ok) return m;
    m.v.push_back(p);
  }
  for (long j = 0; j < nf; ++j) {
    std::array<long, 3> f{};
    long ignored;
    bool ok = r.Skip(3) && r.Integer(f[0]) && r.Skip(1) && r.Integer(f[1]) && r.Skip(1) && r.Integer(f[2]);
    for (int k = 0; k < 3 && ok; ++k) ok = r.Skip(1) && r.Integer(ignored);
    EXPECT_TRUE(ok) << rel << " face " << j;
    if (!ok) return m;
    m.f.push_back(f);
  }
  return m;
}

std::array<double, 3> Sub(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
std::array<double, 3> CrossD(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double DotD(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

TEST(MkdataTree, MeshesAreClosedOutwardAndSized) {
  for (const char* name : {"geosph10", "spring1", "spring2", "saucer"}) {
    std::string rel = std::string("msh/") + name + ".asc";
    AscMesh m = ReadAsc(rel);
    ASSERT_FALSE(m.f.empty()) << rel;
    double reach = 0;
    for (const auto& p : m.v) reach = std::max(reach, std::sqrt(DotD(p, p)));
    EXPECT_GE(reach, 9.5) << rel;
    EXPECT_LE(reach, 13.0) << rel << ": too large for the view distance";
    std::map<std::pair<long, long>, int> edges;
    double volume6 = 0;
    int degenerate = 0, badIndex = 0;
    for (const auto& f : m.f) {
      bool inRange = true;
      for (long k : f) inRange = inRange && k >= 0 && k < long(m.v.size());
      if (!inRange) {
        ++badIndex;
        continue;
      }
      const auto &a = m.v[size_t(f[0])], &b = m.v[size_t(f[1])], &c = m.v[size_t(f[2])];
      auto n = CrossD(Sub(b, a), Sub(c, a));
      if (std::sqrt(DotD(n, n)) < 1e-6) ++degenerate;
      volume6 += DotD(a, CrossD(b, c));
      for (int k = 0; k < 3; ++k) ++edges[{f[size_t(k)], f[size_t((k + 1) % 3)]}];
      if (std::string(name) == "geosph10") {
        std::array<double, 3> centroid{a[0] + b[0] + c[0], a[1] + b[1] + c[1], a[2] + b[2] + c[2]};
        EXPECT_GT(DotD(n, centroid), 0) << "a geosphere face points inward";
      }
    }
    EXPECT_EQ(badIndex, 0) << rel;
    EXPECT_EQ(degenerate, 0) << rel;
    // Closed and consistently wound: every edge once each way; then a positive volume means outward.
    int unmatched = 0;
    for (const auto& [e, count] : edges) unmatched += count != 1 || !edges.count({e.second, e.first});
    EXPECT_EQ(unmatched, 0) << rel;
    EXPECT_GT(volume6, 0) << rel << " is inside out";

    // The show's own loader reads the same mesh, and its normals point away from the centre
    // on average (they all do for the sphere).
    std::ifstream in(fs::path(DataDir()) / rel);
    std::stringstream ss;
    ss << in.rdbuf();
    TQOObject obj;
    ASSERT_TRUE(ParseASC(obj, ss.str())) << rel;
    EXPECT_EQ(size_t(obj.VertexCount), m.v.size());
    EXPECT_EQ(size_t(obj.FaceCount), m.f.size());
    CalcNormals(obj);
    double outward = 0;
    for (int32_t j = 0; j < obj.FaceCount; ++j) {
      const TFace& f = obj.Faces[size_t(j)];
      const TVoxel &a = obj.Vertices[size_t(f.A)], &b = obj.Vertices[size_t(f.B)], &c = obj.Vertices[size_t(f.C)];
      const TNormal& n = obj.FaceNormals[size_t(j)];
      outward += n.X * (a.X + b.X + c.X) + n.Y * (a.Y + b.Y + c.Y) + n.Z * (a.Z + b.Z + c.Z);
    }
    EXPECT_GT(outward, 0) << rel;
  }
}

// ------------------------------------------------------------------ music

TEST(MkdataTree, MusicDecodesToTheWholeShow) {
  mpg123_init();
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  ASSERT_NE(mh, nullptr);
  mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
  ASSERT_EQ(mpg123_open(mh, (fs::path(DataDir()) / "msx/QuietOrbit.mp3").c_str()), MPG123_OK);
  long rate = 0;
  int channels = 0, enc = 0;
  ASSERT_EQ(mpg123_getformat(mh, &rate, &channels, &enc), MPG123_OK);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  mpg123_format_none(mh);
  mpg123_format(mh, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);

  std::vector<unsigned char> buf(1 << 16);
  size_t frames = 0;
  double sumSquares = 0;
  size_t clipped = 0;
  for (;;) {
    size_t done = 0;
    int rc = mpg123_read(mh, buf.data(), buf.size(), &done);
    const int16_t* s = reinterpret_cast<const int16_t*>(buf.data());
    for (size_t i = 0; i < done / 2; ++i) {
      sumSquares += double(s[i]) * s[i];
      clipped += s[i] == 32767 || s[i] == -32768;
    }
    frames += done / 4;
    if (rc == MPG123_DONE) break;
    ASSERT_TRUE(rc == MPG123_OK || rc == MPG123_NEW_FORMAT) << mpg123_plain_strerror(rc);
  }
  EXPECT_GE(double(frames) / 44100.0, 375.0);
  double rms = std::sqrt(sumSquares / double(std::max<size_t>(1, frames * 2))) / 32768.0;
  EXPECT_GT(rms, 0.05) << "too quiet";
  EXPECT_LT(clipped, frames / 1000) << "clipping";

  mpg123_id3v1* v1 = nullptr;
  mpg123_id3v2* v2 = nullptr;
  ASSERT_EQ(mpg123_id3(mh, &v1, &v2), MPG123_OK);
  ASSERT_NE(v2, nullptr);
  ASSERT_NE(v2->title, nullptr);
  EXPECT_EQ(std::string(v2->title->p), "quiet orbit");
  mpg123_close(mh);
  mpg123_delete(mh);
}

// ------------------------------------------------------------------ the generator itself

TEST(MkdataTree, TwoRunsGiveIdenticalFilesAndARerunSkipsTheWork) {
  std::string a = DataDir(), b = Tree("data-b");
  for (const auto& rel : mkdata::TreeFiles()) {
    std::ifstream fa(fs::path(a) / rel, std::ios::binary), fb(fs::path(b) / rel, std::ios::binary);
    std::stringstream sa, sb;
    sa << fa.rdbuf();
    sb << fb.rdbuf();
    EXPECT_FALSE(sa.str().empty()) << rel;
    EXPECT_TRUE(sa.str() == sb.str()) << rel << " differs between two runs";
  }
  auto t0 = std::chrono::steady_clock::now();
  std::string cmd = std::string("\"") + MKDATA_BIN + "\" \"" + a + "\"";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(seconds, 1.0) << "an up-to-date tree must be skipped";
}

TEST(MkdataStamp, UpToDateNeedsTheSameGeneratorAndEveryFile) {
  fs::path dir = fs::temp_directory_path() / ("mkdata-stamp-" + std::to_string(getpid()));
  fs::remove_all(dir);
  for (const auto& rel : mkdata::TreeFiles()) {
    fs::create_directories((dir / rel).parent_path());
    std::ofstream(dir / rel) << "x";
  }
  EXPECT_FALSE(mkdata::UpToDate(dir.string())) << "no stamp yet";
  std::ofstream(dir / ".mkdata-stamp", std::ios::binary) << mkdata::GeneratorFingerprint();
  EXPECT_TRUE(mkdata::UpToDate(dir.string()));
  fs::remove(dir / "msh/saucer.asc");
  EXPECT_FALSE(mkdata::UpToDate(dir.string())) << "a missing file";
  std::ofstream(dir / "msh/saucer.asc") << "x";
  std::ofstream(dir / ".mkdata-stamp", std::ios::binary) << "mkdata 1 0000000000000000\n";
  EXPECT_FALSE(mkdata::UpToDate(dir.string())) << "another generator";
  fs::remove_all(dir);
}

// A font folder of links to the installed files, less the ones named.
fs::path FontFolder(const fs::path& dir, const std::vector<std::string>& leaveOut) {
  fs::remove_all(dir);
  for (const auto& f : mkdata::FontFiles()) {
    if (std::find(leaveOut.begin(), leaveOut.end(), f.name) != leaveOut.end()) continue;
    fs::create_directories((dir / f.name).parent_path());
    fs::create_symlink(fs::path("/usr/share/fonts/truetype") / f.name, dir / f.name);
  }
  return dir;
}

TEST(MkdataStamp, ATreeMadeWithOtherFontsIsRemade) {
  fs::path dir = fs::path(MKDATA_WORK) / ("fonts-stamp-" + std::to_string(getpid()));
  fs::path data = dir / "data", fonts = FontFolder(dir / "fonts", {});
  for (const auto& rel : mkdata::TreeFiles()) {
    fs::create_directories((data / rel).parent_path());
    std::ofstream(data / rel) << "x";
  }
  setenv("MKDATA_FONT_DIR", fonts.c_str(), 1);
  std::ofstream(data / ".mkdata-stamp", std::ios::binary) << mkdata::GeneratorFingerprint();
  EXPECT_TRUE(mkdata::UpToDate(data.string()));
  // The light face replaced by a regular one, as an old fallback would have drawn it.
  fs::path light = fonts / "dejavu/DejaVuSans-ExtraLight.ttf";
  fs::remove(light);
  fs::create_symlink("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", light);
  EXPECT_FALSE(mkdata::UpToDate(data.string())) << "another font file";
  fs::remove(light);
  EXPECT_FALSE(mkdata::UpToDate(data.string())) << "a missing font file";
  unsetenv("MKDATA_FONT_DIR");
  fs::remove_all(dir);
}

TEST(MkdataFonts, AMissingFontStopsTheRunNamingItsPackage) {
  fs::path dir = fs::path(MKDATA_WORK) / ("fonts-missing-" + std::to_string(getpid()));
  for (const auto& [name, package] : std::vector<std::pair<std::string, std::string>>{
           {"dejavu/DejaVuSans-ExtraLight.ttf", "fonts-dejavu-extra"},
           {"liberation/LiberationSerif-Italic.ttf", "fonts-liberation"},
           {"dejavu/DejaVuSansMono.ttf", "fonts-dejavu-core"}}) {
    fs::path fonts = FontFolder(dir / "fonts", {name});
    std::string cmd = "MKDATA_FONT_DIR=\"" + fonts.string() + "\" \"" + MKDATA_BIN + "\" \"" +
                      (dir / "data").string() + "\" 2>\"" + (dir / "err").string() + "\"";
    int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc)) << cmd;
    EXPECT_EQ(WEXITSTATUS(rc), 1) << name;
    std::ifstream in(dir / "err");
    std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(err.find((fonts / name).string()), std::string::npos) << err;
    EXPECT_NE(err.find(package), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "data" / ".mkdata-stamp"));
    EXPECT_FALSE(fs::exists(dir / "data" / "msx")) << "nothing is written before the fonts are checked";
  }
  fs::remove_all(dir);
}

TEST(MkdataStamp, AFolderThatCannotBeMadeFailsTheRun) {
  fs::path file = fs::temp_directory_path() / ("mkdata-file-" + std::to_string(getpid()));
  std::ofstream(file) << "in the way";
  std::string cmd = std::string("\"") + MKDATA_BIN + "\" \"" + (file / "data").string() + "\" 2>/dev/null";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  std::string usage = std::string("\"") + MKDATA_BIN + "\" 2>/dev/null";
  EXPECT_NE(std::system(usage.c_str()), 0);
  fs::remove(file);
}

}  // namespace

// ------------------------------------------------------------------ generator pieces

namespace {

TEST(MkdataPieces, NoiseRepeatsWithItsPeriodSoTilesWrap) {
  for (float y : {0.25f, 1.7f, 3.9f})
    for (float x : {0.1f, 2.5f, 4.75f}) {
      EXPECT_NEAR(mkdata::Noise2(x, y, 7, 4, 3), mkdata::Noise2(x + 4, y, 7, 4, 3), 1e-5);
      EXPECT_NEAR(mkdata::Noise2(x, y, 7, 4, 3), mkdata::Noise2(x, y + 3, 7, 4, 3), 1e-5);
      EXPECT_NEAR(mkdata::Fbm2(x, y, 5, 9, 4, 3), mkdata::Fbm2(x + 4, y + 3, 5, 9, 4, 3), 1e-5);
    }
  // Without a period it does not repeat.
  EXPECT_GT(std::fabs(mkdata::Noise2(0.3f, 0.6f, 7) - mkdata::Noise2(4.3f, 0.6f, 7)), 1e-3);
}

TEST(MkdataPieces, PicturesSurviveTheirFileFormats) {
  mkdata::Image img(37, 23);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) img.at(x, y) = {x / 36.0f, y / 22.0f, float((x * y) % 7) / 6.0f};
  Pixels exact = mkdata::Quantise(img, false);
  Pixels dithered = mkdata::Quantise(img, true);
  for (size_t i = 0; i < exact.rgb.size(); ++i) EXPECT_LE(std::abs(int(exact.rgb[i]) - int(dithered.rgb[i])), 1);

  fs::path dir = fs::temp_directory_path() / ("mkdata-io-" + std::to_string(getpid()));
  fs::create_directories(dir);
  Pixels back;
  ASSERT_TRUE(mkdata::WritePng((dir / "a.png").string(), exact));
  ASSERT_TRUE(mkdata::ReadImageFile((dir / "a.png").string(), back));
  EXPECT_EQ(back.w, 37);
  EXPECT_EQ(back.h, 23);
  EXPECT_EQ(back.rgb, exact.rgb);
  // A JPEG under another name is still found by its first bytes.
  ASSERT_TRUE(mkdata::WriteJpeg((dir / "noext").string(), exact, 95));
  ASSERT_TRUE(mkdata::ReadImageFile((dir / "noext").string(), back));
  double err = 0;
  for (size_t i = 0; i < back.rgb.size(); ++i) err += std::abs(int(back.rgb[i]) - int(exact.rgb[i]));
  EXPECT_LT(err / double(back.rgb.size()), 4.0);
  EXPECT_FALSE(fs::exists(dir / "noext.tmp"));

  // Broken files are refused, not crashed on.
  std::string error;
  std::ofstream(dir / "junk.png", std::ios::binary) << "not a picture at all";
  EXPECT_FALSE(mkdata::ReadImageFile((dir / "junk.png").string(), back, &error));
  EXPECT_FALSE(error.empty());
  {
    std::ifstream in(dir / "a.png", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(dir / "cut.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ifstream jin(dir / "noext", std::ios::binary);
    std::string jbytes((std::istreambuf_iterator<char>(jin)), std::istreambuf_iterator<char>());
    std::ofstream(dir / "cut.jpg", std::ios::binary) << jbytes.substr(0, 40);
  }
  EXPECT_FALSE(mkdata::ReadImageFile((dir / "cut.png").string(), back));
  EXPECT_FALSE(mkdata::ReadImageFile((dir / "cut.jpg").string(), back));
  EXPECT_FALSE(mkdata::ReadImageFile((dir / "missing.png").string(), back));
  // Writing into a folder that does not exist fails and leaves nothing behind.
  EXPECT_FALSE(mkdata::WritePng((dir / "no" / "such.png").string(), exact));
  fs::remove_all(dir);
}

TEST(MkdataPieces, GeosphereCountsFollowItsFrequency) {
  for (int n : {1, 2, 6}) {
    mkdata::Mesh m = mkdata::MakeGeosphere(10, n);
    EXPECT_EQ(m.vertices.size(), size_t(10 * n * n + 2));
    EXPECT_EQ(m.faces.size(), size_t(20 * n * n));
    for (const auto& v : m.vertices) EXPECT_NEAR(std::sqrt(mkdata::Dot(v, v)), 10.0f, 1e-3f);
    EXPECT_GT(mkdata::SignedVolume6(m), 0);
  }
}

TEST(MkdataPieces, AscTextKeepsTheColonLayout) {
  mkdata::Mesh m;
  m.name = "tetra";
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1.5e-3f}};
  m.faces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  ColonReader r(mkdata::ToAsc(m));
  long nv = 0, nf = 0;
  ASSERT_TRUE(r.Skip(2) && r.Integer(nv));
  ASSERT_TRUE(r.Skip(1) && r.Integer(nf));
  EXPECT_EQ(nv, 4);
  EXPECT_EQ(nf, 4);
  r.SkipLine();
  r.SkipLine();
  for (const auto& v : m.vertices) {
    double x, y, z;
    ASSERT_TRUE(r.Skip(2) && r.Number(x) && r.Skip(1) && r.Number(y) && r.Skip(1) && r.Number(z));
    EXPECT_NEAR(x, v.x, 1e-5);
    EXPECT_NEAR(y, v.y, 1e-5);
    EXPECT_NEAR(z, v.z, 1e-5);
  }
  for (const auto& f : m.faces) {
    long a, b, c, ignored;
    ASSERT_TRUE(r.Skip(3) && r.Integer(a) && r.Skip(1) && r.Integer(b) && r.Skip(1) && r.Integer(c));
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(r.Skip(1) && r.Integer(ignored));
    EXPECT_EQ(a, f[0]);
    EXPECT_EQ(b, f[1]);
    EXPECT_EQ(c, f[2]);
  }
}

}  // namespace
