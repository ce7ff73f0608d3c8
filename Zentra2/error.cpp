#include "Zentra2/error.h"

#include <cstdio>
#include <cstdlib>

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

[[noreturn]] void Report(const std::string& message, bool box) {
  std::fprintf(stderr, "quietorbit: %s\n", message.c_str());
  std::fflush(stderr);
  if (box) platform::ShowErrorBox("Application Error", message);
  std::fflush(stdout);
  // Exit code 1 in every display mode: a failure is never reported as success.
  std::_Exit(1);
}

}  // namespace

void SetErrorLogPath(const std::string& path) { LogPath() = path; }

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
