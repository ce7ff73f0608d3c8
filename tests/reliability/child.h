// The program as a child process in a folder of its own, on a copy of the
// generated data tree made of links, so that a test can replace one file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qo_rel {

namespace fs = std::filesystem;

struct ChildResult {
  int code = -1;          // exit code; 128 + signal when killed
  bool timedOut = false;  // killed after the time limit: a hang
  std::string out, err, errLog;  // stdout, stderr, ZNT_ERR.txt (empty when absent)
  long maxRssKb = 0;      // peak resident memory of the child
  double seconds = 0;     // wall time
};

// Runs the binary of QO_BIN in `dir` with `args`, the variables in `env`
// added to the environment, and the sanitizers told to stop at the first
// finding with exit code 86.
ChildResult RunChild(const fs::path& dir, const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}, int timeoutSeconds = 900);

// What the sanitizers reported in a child's stderr, or empty.
std::string SanitizerReport(const ChildResult& r);

// The data tree the build generated (QO_SOURCE_DIR/data); empty when missing.
fs::path GeneratedData();

// Why these long runs are skipped here, or empty: they run in the sanitizer
// build, elsewhere only with QO_RELIABILITY=1, and need the data tree.
std::string SkipReason();

// A fresh folder under the temp dir, removed with the object.
class Sandbox {
public:
  explicit Sandbox(const std::string& name);
  ~Sandbox();
  // Every data file linked one by one into dir()/data.
  void LinkData(const fs::path& data);
  const fs::path& dir() const { return dir_; }

private:
  fs::path dir_;
};

std::string ReadFile(const fs::path& p);
void WriteFile(const fs::path& p, const std::string& bytes);

// Frames per scene from a --benchmark table, in show order.
std::vector<std::pair<std::string, long>> SceneFrames(const std::string& benchmarkOut);

}  // namespace qo_rel
