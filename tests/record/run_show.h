// Running the program as a child process in a folder of its own, on the data
// tree the build generated.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct ShowRun {
  int code = -1;
  std::string out, err;
};

// Runs `QO_BIN args` in `dir` with `env` (VAR=value ...) before it.
ShowRun RunShowIn(const std::filesystem::path& dir, const std::string& args, const std::string& env = "");

std::string ReadFile(const std::filesystem::path& path);

// A decoded PNG: width, height, RGB bytes. Empty on failure.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};
Picture ReadPng(const std::filesystem::path& path);
bool WritePng(const std::filesystem::path& path, const Picture& picture);
uint64_t PixelHash(const Picture& picture);

// A fixture with a fresh folder that sees the generated data tree as ./data.
class ShowFolder : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  std::filesystem::path dir;
};
