// A folder of its own for the running test, made current while it lives.
// Tests that leave files in the working directory (the error log above all)
// use it, since ctest runs tests in parallel from one working directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

class ScratchDir {
public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    // A "threadsafe" death test runs the test again in a new process: that
    // child must use its parent's folder.
    bool deathTestChild = !GTEST_FLAG_GET(internal_run_death_test).empty();
    int owner = deathTestChild ? getppid() : getpid();
    path_ = std::filesystem::temp_directory_path() / ("qo_" + std::to_string(owner) + "_" + name);
    std::filesystem::create_directories(path_);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    if (GTEST_FLAG_GET(internal_run_death_test).empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

private:
  std::filesystem::path path_, old_;
};
