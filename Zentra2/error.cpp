#include "Zentra2/error.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "Zentra2/zentra.h"
#include "platform/session.h"

std::string ComposeError(const std::string& className, const std::string& operation, const std::string& text) {
  return "[" + className + "]" + operation + " -> " + text;
}

namespace {

std::string& LogPath() {
  static std::string path = kErrorLogName;
  return path;
}

std::function<void()>& Cleanup() {
  static std::function<void()> cleanup;
  return cleanup;
}

void RunCleanup() {
  // Taken out first: it runs once, even when it fails fatally itself.
  auto cleanup = std::move(Cleanup());
  Cleanup() = nullptr;
  if (cleanup) cleanup();
}

// The file as the user can find it: from the log's folder (where the
// program was started) when it lies inside, else in full.
std::string NameForUser(const std::string& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path full = fs::absolute(file, ec).lexically_normal();
  const fs::path start = fs::absolute(LogPath(), ec).parent_path();
  const fs::path inside = full.lexically_relative(start);
  if (ec || inside.empty() || *inside.begin() == "..") return full.string();
  return inside.string();
}

[[noreturn]] void Report(const std::string& message, bool box) {
  RunCleanup();
  std::fprintf(stderr, "quietorbit: %s\n", message.c_str());
  std::fflush(stderr);
  if (box) platform::ShowErrorBox("Application Error", message);
  std::fflush(stdout);
  // Exit code 1 in every display mode: a failure is never reported as success.
  std::_Exit(1);
}

}  // namespace

void SetErrorLogPath(const std::string& path) { LogPath() = path; }

void SetErrorCleanup(std::function<void()> cleanup) { Cleanup() = std::move(cleanup); }

void ReportFileProblem(const std::string& file, const std::string& reason, bool fatal) {
  if (fatal) RunCleanup();
  std::fprintf(stderr, "quietorbit: %s: %s\n", NameForUser(file).c_str(), reason.c_str());
  std::fflush(stderr);
}

void EndForFile(int code, const std::string& file, const std::string& reason) {
  ReportFileProblem(file, reason, true);
  platform::RestoreDesktop();
  if (!DisplayIsFullscreen) platform::ShowErrorBox("Application Error", NameForUser(file) + ": " + reason);
  std::fflush(stdout);
  std::_Exit(code);
}

void FatalError(const std::string& message) {
  platform::RestoreDesktop();
  // A log that cannot be written is ignored: the message still goes to stderr.
  if (std::FILE* log = std::fopen(LogPath().c_str(), "wb")) {
    std::fputs(message.c_str(), log);
    std::fputs("\r\n", log);
    std::fclose(log);
  }
  // Fullscreen ends without a box: the log line and stderr say it all.
  Report(message, !DisplayIsFullscreen);
}

void UnhandledError(const std::string& message) {
  platform::RestoreDesktop();
  Report(message, true);
}
