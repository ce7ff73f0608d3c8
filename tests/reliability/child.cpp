#include "child.h"

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

namespace qo_rel {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

ChildResult RunChild(const fs::path& dir, const std::vector<std::string>& args, const std::vector<std::string>& env,
                     int timeoutSeconds) {
  const std::string bin = std::getenv("QO_BIN");
  const fs::path outPath = dir / "stdout.txt", errPath = dir / "stderr.txt", logPath = dir / "ZNT_ERR.txt";
  fs::remove(logPath);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(125);
    std::FILE* out = std::freopen(outPath.c_str(), "w", stdout);
    std::FILE* err = std::freopen(errPath.c_str(), "w", stderr);
    if (!out || !err) _exit(125);
    // A finding ends the child with a code of its own, not the program's 1 or 69.
    setenv("ASAN_OPTIONS", "halt_on_error=1:exitcode=86:detect_leaks=1:abort_on_error=0", 1);
    setenv("UBSAN_OPTIONS", "halt_on_error=1:exitcode=86:print_stacktrace=1", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
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
  ChildResult r;
  int status = 0;
  rusage usage{};
  for (;;) {
    pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(timeoutSeconds)) {
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.maxRssKb = usage.ru_maxrss;
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  if (fs::exists(logPath)) r.errLog = ReadFile(logPath);
  return r;
}

std::string SanitizerReport(const ChildResult& r) {
  for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                           "WARNING: AddressSanitizer", "ERROR: UndefinedBehaviorSanitizer"}) {
    size_t at = r.err.find(mark);
    if (at != std::string::npos) return r.err.substr(at, 4000);
  }
  if (r.code == 86) return "exit code 86 (sanitizer finding):\n" + r.err.substr(0, 4000);
  return "";
}

fs::path GeneratedData() {
  fs::path data = fs::path(std::getenv("QO_SOURCE_DIR")) / "data";
  return fs::exists(data / ".mkdata-stamp") ? data : fs::path();
}

std::string SkipReason() {
  const char* wanted = std::getenv("QO_RELIABILITY");
#ifndef QO_SANITIZED
  if (!wanted || std::string(wanted) != "1") return "runs in the sanitizer build (scripts/sanitize.sh) or with QO_RELIABILITY=1";
#else
  (void)wanted;
#endif
  if (GeneratedData().empty()) return "no generated data tree (run ./setup.sh build)";
  return "";
}

Sandbox::Sandbox(const std::string& name) {
  dir_ = fs::temp_directory_path() / ("qo_rel_" + name + "_" + std::to_string(getpid()));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

Sandbox::~Sandbox() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

void Sandbox::LinkData(const fs::path& data) {
  for (const auto& e : fs::recursive_directory_iterator(data)) {
    fs::path target = dir_ / "data" / fs::relative(e.path(), data);
    if (e.is_directory()) fs::create_directories(target);
    else fs::create_symlink(e.path(), target);
  }
}

std::vector<std::pair<std::string, long>> SceneFrames(const std::string& benchmarkOut) {
  std::vector<std::pair<std::string, long>> scenes;
  std::istringstream in(benchmarkOut);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    long frames = 0;
    double median = 0;
    if (fields >> name >> frames >> median && name != "scene" && name.back() != ':') scenes.emplace_back(name, frames);
  }
  return scenes;
}

}  // namespace qo_rel
