// Golden frames: a few frames of every scene in every depth, recorded headless
// and compared with stored hashes of their pixels.
//
// After a deliberate change of the picture (new art, a kernel fix), refresh:
//   QO_GOLDEN_UPDATE=1 ctest --test-dir build -R Golden
// and commit tests/record/golden/. On a mismatch the test writes the actual
// frame into golden_failures/ under its build folder, with a difference image
// against the last frame that matched on this machine (kept in golden_last/).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/record/picture.h"
#include "tests/support/child_run.h"

namespace fs = std::filesystem;

namespace {

// Two frames or so of every scene (frame numbers are 20 ms of show time).
const char* const kFrames = "400,1200,2800,3600,4400,6800,9200,10800,12400,13200,16400,18000";

class Golden : public ShowFolder, public ::testing::WithParamInterface<int> {};

std::map<int, uint64_t> ReadHashes(const fs::path& file) {
  std::map<int, uint64_t> hashes;
  std::ifstream in(file);
  int frame;
  std::string hex;
  while (in >> frame >> hex) hashes[frame] = std::stoull(hex, nullptr, 16);
  return hashes;
}

Picture Difference(const Picture& a, const Picture& b) {
  Picture d = a;
  for (size_t i = 0; i < d.rgb.size() && i < b.rgb.size(); ++i)
    d.rgb[i] = uint8_t(std::min(255, 4 * std::abs(int(a.rgb[i]) - int(b.rgb[i]))));
  return d;
}

TEST_P(Golden, FramesMatchTheirStoredHashes) {
  const int depth = GetParam();
  ChildResult r = RunShowIn(dir, "--record=rec -bpp:" + std::to_string(depth) + "b --frames=" + kFrames);
  ASSERT_EQ(r.code, 0) << r.err;

  const fs::path file = fs::path(QO_GOLDEN_DIR) / ("frames_" + std::to_string(depth) + ".txt");
  const bool update = std::getenv("QO_GOLDEN_UPDATE") != nullptr;
  std::map<int, uint64_t> expected = ReadHashes(file);
  std::ostringstream fresh;
  const fs::path failures = fs::current_path() / "golden_failures";
  const fs::path last = fs::current_path() / "golden_last";
  fs::create_directories(last);

  std::stringstream list(kFrames);
  std::string item;
  while (std::getline(list, item, ',')) {
    int frame = std::stoi(item);
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", frame);
    Picture actual = ReadPng(dir / "rec" / name);
    ASSERT_EQ(actual.width, 512) << name;
    uint64_t hash = PixelHash(actual);
    char hex[32];
    std::snprintf(hex, sizeof hex, "%016llx", (unsigned long long)hash);
    fresh << frame << " " << hex << "\n";
    if (update) continue;
    ASSERT_TRUE(expected.count(frame)) << "no stored hash for frame " << frame << " in " << file;
    const std::string stem = std::to_string(depth) + "_" + std::to_string(frame);
    if (expected[frame] == hash) {
      fs::copy_file(dir / "rec" / name, last / (stem + ".png"), fs::copy_options::overwrite_existing);
      continue;
    }
    fs::create_directories(failures);
    WritePng(failures / (stem + "_actual.png"), actual);
    Picture before = ReadPng(last / (stem + ".png"));
    if (before.width == actual.width && before.height == actual.height)
      WritePng(failures / (stem + "_difference.png"), Difference(actual, before));
    ADD_FAILURE() << "depth " << depth << " frame " << frame << " differs from its stored hash; see "
                  << (failures / (stem + "_actual.png"));
  }
  if (update) {
    std::ofstream(file) << fresh.str();
    std::printf("wrote %s\n", file.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, Golden, ::testing::Values(32, 24, 16, 15));

}  // namespace
