#include "tests/record/run_show.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "pngwrite/png_writer.h"

namespace fs = std::filesystem;

ShowRun RunShowIn(const fs::path& dir, const std::string& args, const std::string& env) {
  fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
  std::string cmd = "cd '" + dir.string() + "' && env " + env + " '" + std::getenv("QO_BIN") + "' " + args + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int status = std::system(cmd.c_str());
  ShowRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Picture ReadPng(const fs::path& path) {
  Picture p;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGB;
  p.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return {};
  p.width = int(image.width);
  p.height = int(image.height);
  return p;
}

bool WritePng(const fs::path& path, const Picture& picture) {
  return pngwrite::WriteRgb(path.string(), picture.width, picture.height, picture.rgb.data(),
                            size_t(picture.width) * 3);
}

uint64_t PixelHash(const Picture& picture) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (uint8_t b : picture.rgb) h = (h ^ b) * 1099511628211ull;
  return h;
}

void ShowFolder::SetUp() {
  fs::path data = fs::path(std::getenv("QO_SOURCE_DIR")) / "data";
  if (!fs::exists(data / ".mkdata-stamp")) GTEST_SKIP() << "no generated data tree (run ./setup.sh build)";
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  dir = fs::temp_directory_path() / ("qo_" + std::to_string(getpid()) + "_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::create_directory_symlink(data, dir / "data");
}

void ShowFolder::TearDown() {
  if (!dir.empty() && !HasFailure()) fs::remove_all(dir);
}
