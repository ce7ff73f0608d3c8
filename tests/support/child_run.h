// Running the program as a child process in a folder of its own, on the data
// tree the build generated.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct ChildResult {
  int code = -1;                 // exit code; 128 + signal when killed
  bool timedOut = false;         // killed after the time limit: a hang
  std::string out, err, errLog;  // stdout, stderr, ZNT_ERR.txt (empty when absent)
  long maxRssKb = 0;             // peak resident memory of the child
  double seconds = 0;            // wall time
};

// Runs the binary QO_BIN names in `dir` with `args`, the variables in `env`
// (NAME=value) added to its environment. Its stdout and stderr go to files in
// `dir` and come back in the result. A child still running after
// `timeoutSeconds` is killed.
ChildResult RunChild(const std::filesystem::path& dir, const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}, int timeoutSeconds = 900);

// The same in two steps, for a test that acts on the child while it runs
// (sends it a signal): StartChild returns at once, FinishChild waits. The
// child starts with SIGINT and SIGTERM at their defaults, however the tests
// were started.
struct StartedChild {
  int pid = -1;
  std::filesystem::path dir;
  double startSeconds = 0;
};
StartedChild StartChild(const std::filesystem::path& dir, const std::vector<std::string>& args,
                        const std::vector<std::string>& env = {});
ChildResult FinishChild(const StartedChild& child, int timeoutSeconds = 900);
// The same with the arguments and the variables each given as words
// separated by spaces.
ChildResult RunShowIn(const std::filesystem::path& dir, const std::string& args, const std::string& env = "");

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// The data tree the build generated (QO_SOURCE_DIR/data); empty when missing.
std::filesystem::path GeneratedData();

// A fresh folder under the temp dir for child runs, removed with the object
// unless kept.
class ChildFolder {
public:
  explicit ChildFolder(const std::string& name);
  ~ChildFolder();
  ChildFolder(const ChildFolder&) = delete;
  ChildFolder& operator=(const ChildFolder&) = delete;

  // ./data as one link to `data`.
  void LinkData(const std::filesystem::path& data);
  // Every file of `data` linked one by one under ./data, so that a test can
  // replace one of them.
  void LinkDataFiles(const std::filesystem::path& data);
  // Leaves the folder behind, for a look after a failure.
  void Keep() { keep_ = true; }
  const std::filesystem::path& dir() const { return dir_; }

private:
  std::filesystem::path dir_;
  bool keep_ = false;
};

// A fixture: a folder named after the running test that sees the generated
// data tree as ./data. Skipped without that tree; the folder stays behind
// when the test failed.
class ShowFolder : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // Replaces the one link to the data tree by links to each of its files.
  void LinkDataFiles();

  std::filesystem::path data, dir;

private:
  std::unique_ptr<ChildFolder> folder_;
};
