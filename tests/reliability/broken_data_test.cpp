// Every file the show reads, missing, empty, cut in half and replaced by a
// file of another kind, each run as a child process: pictures end the program
// with exit code 1 and a message naming the file or the decoder's complaint,
// meshes with exit code 69, music only silences the show; each names the file
// it could not use. No run may crash, hang or draw a sanitizer report.
//
// Each file's observed row is written to broken_data/ in the build folder and
// compared with its row of the README table; scripts/broken-data-table.sh
// rebuilds that table from the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "watch.h"

namespace qo_rel {
namespace {

// The data files the show reads, roughly in the order it reads them.
const char* const kFiles[] = {
    "gfx/loading/ld00.jpg",    "gfx/loading/ld01.png",   "msx/QuietOrbit.mp3",     "gfx/particles/pa00.png",
    "gfx/particles/pa01.png",  "gfx/particles/pa02.png", "gfx/particles/pa00s.png", "gfx/particles/pa01s.png",
    "gfx/particles/pa02s.png", "gfx/intro/in00.png",     "gfx/intro/in01.png",     "gfx/intro/in02.png",
    "gfx/intro/in69.png",      "gfx/cube/cb00.jpg",      "gfx/textures/tex00.jpg", "gfx/textures/tex01.jpg",
    "gfx/textures/tex02.jpg",  "gfx/textures/tex03.jpg", "gfx/textures/tex04.jpg", "gfx/metaballs/mb00.jpg",
    "gfx/metaballs/mb01.jpg",  "msh/geosph10.asc",       "msh/spring1.asc",        "msh/spring2.asc",
    "msh/saucer.asc",          "gfx/greetz/gz00.jpg",    "gfx/greetz/gz01.png",    "gfx/greetz/gz02.png",
    "gfx/greetz/gz03.png",     "gfx/misc/marrowind",
};

enum class Kind { Image, Mesh, Music };

Kind KindOf(const std::string& file) {
  if (file.rfind("msh/", 0) == 0) return Kind::Mesh;
  if (file.rfind("msx/", 0) == 0) return Kind::Music;
  return Kind::Image;
}

const char* const kVariants[] = {"missing", "empty", "truncated", "wrong type"};

// The first intro frame: every scene has been built, so every file read.
constexpr const char* kAfterLoading = "QO_QUIT_AT_FRAME=301";

// Loudest sample of a 16-bit WAV file's data.
int WavPeak(const fs::path& wav) {
  std::string bytes = ReadFile(wav);
  int peak = 0;
  for (size_t i = 44; i + 1 < bytes.size(); i += 2)
    peak = std::max(peak, std::abs(int(int16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8))));
  return peak;
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

// The program's last error line from stderr ("quietorbit: ..."): the
// message of the error path, after the line that names the file.
std::string ErrorLine(const std::string& err) {
  std::string last;
  size_t pos = 0;
  while ((pos = err.find("quietorbit: ", pos)) != std::string::npos) {
    size_t end = err.find('\n', pos);
    last = err.substr(pos + 12, end == std::string::npos ? std::string::npos : end - pos - 12);
    pos = end == std::string::npos ? err.size() : end;
  }
  return Trim(last);
}

class BrokenData : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    if (std::string why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
    data = GeneratedData();
  }

  // Replaces the file by its broken version and runs the show; returns the
  // table cell and checks the documented outcome.
  std::string RunVariant(const std::string& file, const std::string& variant) {
    ChildFolder box(std::string("bd_") + std::to_string(std::hash<std::string>()(file + variant)));
    box.LinkDataFiles(data);
    const fs::path target = box.dir() / "data" / file;
    const std::string original = ReadFile(data / file);
    fs::remove(target);
    const Kind kind = KindOf(file);
    if (variant == "empty") WriteFile(target, "");
    if (variant == "truncated") WriteFile(target, original.substr(0, original.size() / 2));
    if (variant == "wrong type")  // a picture for a mesh or the music, a mesh for a picture
      WriteFile(target, ReadFile(data / (kind == Kind::Image ? "msh/saucer.asc" : "gfx/particles/pa00.png")));

    SCOPED_TRACE(file + ", " + variant);
    // The music is only decoded when it is written out: record half a
    // second of the loading screen, where the music plays.
    ChildResult r = kind == Kind::Music
                        ? RunWatched(box.dir(), {"--record=rec", "--from=2", "--to=2.5"}, {"QO_QUIT_AT_FRAME=150"})
                        : RunWatched(box.dir(), {"--benchmark"}, {kAfterLoading});
    EXPECT_FALSE(r.timedOut) << "hangs";
    EXPECT_EQ(SanitizerReport(r), "");
    // Every file that cannot be used is named, with the reason; half an MP3 plays.
    EXPECT_EQ(r.err.find("quietorbit: data/" + file + ": ") != std::string::npos,
              kind != Kind::Music || variant != "truncated")
        << r.err;
    std::string cell = "exit " + std::to_string(r.code);
    switch (kind) {
      case Kind::Image: {
        EXPECT_EQ(r.code, 1) << r.err;
        std::string message = ErrorLine(r.err);
        std::string name = fs::path(file).filename().string();
        // ZNT_ERR.txt holds the line of a BufferError; the run-time's
        // errors (a file that cannot be opened, the decoders') only go to stderr.
        if (!r.errLog.empty()) {
          EXPECT_EQ(Trim(r.errLog), message);
          EXPECT_EQ(r.errLog.substr(r.errLog.size() - 2), "\r\n");
          cell += ", ZNT_ERR.txt: " + message;
        } else {
          EXPECT_FALSE(message.empty()) << r.err;
          if (variant == "missing") {
            EXPECT_NE(message.find(name), std::string::npos) << message;
          }
          cell += ": " + message;
        }
        break;
      }
      case Kind::Mesh:
        EXPECT_EQ(r.code, 69) << r.err;
        EXPECT_EQ(r.errLog, "");
        break;
      case Kind::Music: {
        EXPECT_EQ(r.code, 0) << r.err;
        int peak = WavPeak(box.dir() / "rec/music.wav");
        // Half a stream still plays its first half; anything else is silence.
        if (variant == "truncated") {
          EXPECT_GT(peak, 0);
        } else {
          EXPECT_EQ(peak, 0);
        }
        cell += peak > 0 ? ", music plays" : ", silent";
        break;
      }
    }
    return cell;
  }

  fs::path data;
};

TEST_P(BrokenData, Outcomes) {
  const std::string file = GetParam();
  ASSERT_TRUE(fs::exists(data / file)) << file << " is not in the data tree any more";
  std::string row = "| `" + file + "` |";
  for (const char* variant : kVariants) {
    row += ' ';
    row += RunVariant(file, variant);
    row += " |";
  }

  // The observed row, for scripts/broken-data-table.sh.
  fs::path rows = fs::current_path() / "broken_data";
  fs::create_directories(rows);
  std::string id = file;
  std::replace(id.begin(), id.end(), '/', '_');
  const int index = int(std::find_if(std::begin(kFiles), std::end(kFiles), [&](const char* f) { return file == f; }) -
                        std::begin(kFiles));
  char order[8];
  std::snprintf(order, sizeof order, "%02d_", index);
  WriteFile(rows / (order + id + ".md"), row + "\n");

  // The README documents exactly what the program does.
  std::string readme = ReadFile(fs::path(std::getenv("QO_SOURCE_DIR")) / "README.md");
  size_t at = readme.find("| `" + file + "` |");
  ASSERT_NE(at, std::string::npos) << "README has no broken-data row for " << file
                                   << "; run scripts/broken-data-table.sh --update";
  EXPECT_EQ(readme.substr(at, readme.find('\n', at) - at), row)
      << "the README row differs from what the program does; run scripts/broken-data-table.sh --update";
}

std::string TestName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFile, BrokenData, ::testing::ValuesIn(kFiles), TestName);

// The list above is the whole data tree: a new file needs its row.
TEST(BrokenDataList, CoversTheWholeDataTree) {
  fs::path data = GeneratedData();
  if (data.empty()) GTEST_SKIP() << "no generated data tree";
  std::vector<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(data))
    if (e.is_regular_file() && e.path().filename().string()[0] != '.')
      found.push_back(fs::relative(e.path(), data).string());
  std::vector<std::string> listed(std::begin(kFiles), std::end(kFiles));
  std::sort(found.begin(), found.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(found, listed);
}

}  // namespace
}  // namespace qo_rel
