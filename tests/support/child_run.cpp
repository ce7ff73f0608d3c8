#include "tests/support/child_run.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

}  // namespace

StartedChild StartChild(const fs::path& dir, const std::vector<std::string>& args, const std::vector<std::string>& env) {
  const std::string bin = std::getenv("QO_BIN");
  const fs::path outPath = dir / "stdout.txt", errPath = dir / "stderr.txt";
  fs::remove(dir / "ZNT_ERR.txt");
  StartedChild child{-1, dir, Now()};
  child.pid = fork();
  if (child.pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(125);
    std::FILE* out = std::freopen(outPath.c_str(), "w", stdout);
    std::FILE* err = std::freopen(errPath.c_str(), "w", stderr);
    if (!out || !err) _exit(125);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    for (const std::string& e : env) {
      size_t eq = e.find('=');
      setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    std::vector<char*> argv{const_cast<char*>(bin.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(bin.c_str(), argv.data());
    _exit(127);
  }
  return child;
}

ChildResult FinishChild(const StartedChild& child, int timeoutSeconds) {
  ChildResult r;
  int status = 0;
  rusage usage{};
  for (;;) {
    pid_t done = wait4(child.pid, &status, WNOHANG, &usage);
    if (done == child.pid) break;
    if (Now() - child.startSeconds > timeoutSeconds) {
      kill(child.pid, SIGKILL);
      wait4(child.pid, &status, 0, &usage);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  r.seconds = Now() - child.startSeconds;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.maxRssKb = usage.ru_maxrss;
  r.out = ReadFile(child.dir / "stdout.txt");
  r.err = ReadFile(child.dir / "stderr.txt");
  if (fs::exists(child.dir / "ZNT_ERR.txt")) r.errLog = ReadFile(child.dir / "ZNT_ERR.txt");
  return r;
}

ChildResult RunChild(const fs::path& dir, const std::vector<std::string>& args, const std::vector<std::string>& env,
                     int timeoutSeconds) {
  return FinishChild(StartChild(dir, args, env), timeoutSeconds);
}

ChildResult RunShowIn(const fs::path& dir, const std::string& args, const std::string& env) {
  return RunChild(dir, Words(args), Words(env));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

fs::path GeneratedData() {
  fs::path data = fs::path(std::getenv("QO_SOURCE_DIR")) / "data";
  return fs::exists(data / ".mkdata-stamp") ? data : fs::path();
}

ChildFolder::ChildFolder(const std::string& name) {
  dir_ = fs::temp_directory_path() / ("qo_" + std::to_string(getpid()) + "_" + name);
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

ChildFolder::~ChildFolder() {
  std::error_code ec;
  if (!keep_) fs::remove_all(dir_, ec);
}

void ChildFolder::LinkData(const fs::path& data) { fs::create_directory_symlink(data, dir_ / "data"); }

void ChildFolder::LinkDataFiles(const fs::path& data) {
  for (const auto& e : fs::recursive_directory_iterator(data)) {
    fs::path target = dir_ / "data" / fs::relative(e.path(), data);
    if (e.is_directory()) fs::create_directories(target);
    else fs::create_symlink(e.path(), target);
  }
}

void ShowFolder::SetUp() {
  data = GeneratedData();
  if (data.empty()) GTEST_SKIP() << "no generated data tree (run ./setup.sh build)";
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  folder_ = std::make_unique<ChildFolder>(name);
  dir = folder_->dir();
  folder_->LinkData(data);
}

void ShowFolder::LinkDataFiles() {
  fs::remove(dir / "data");
  folder_->LinkDataFiles(data);
}

void ShowFolder::TearDown() {
  if (folder_ && HasFailure()) folder_->Keep();
  folder_.reset();
}
