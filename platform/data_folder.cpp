#include "platform/data_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {
bool HoldsData(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder / "data", ec);
}
}  // namespace

DataSearch FindDataFolder(const char* envValue, const std::string& exePath) {
  DataSearch search;
  auto look = [&search](const fs::path& folder, const std::string& why) {
    std::error_code ec;
    fs::path shown = fs::absolute(folder, ec).lexically_normal();
    if (ec) shown = folder;
    if (!shown.has_filename()) shown = shown.parent_path();  // "/tmp/." reads "/tmp"
    search.tried.push_back(shown.string() + " (" + why + ")");
    if (search.folder.empty() && HoldsData(folder)) search.folder = folder.string();
  };
  look(".", "the working folder");
  if (envValue && *envValue) look(envValue, "QUIETORBIT_DATA");
  else search.tried.push_back("QUIETORBIT_DATA (not set)");
  if (!exePath.empty()) {
    // <prefix>/{bin,games}/quietorbit -> <prefix>/share/quietorbit, wherever the prefix was moved to.
    look(fs::path(exePath).parent_path().parent_path() / "share" / "quietorbit",
         "installed beside " + exePath);
  }
  return search;
}

std::string ExecutablePath() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

DataSearch FindOwnDataFolder() { return FindDataFolder(std::getenv("QUIETORBIT_DATA"), ExecutablePath()); }

bool EnterDataFolder(const DataSearch& search, std::string* message) {
  std::error_code ec;
  if (!search.folder.empty()) {
    fs::current_path(search.folder, ec);
    if (!ec) return true;
    *message = "quietorbit: cannot enter the data folder " + search.folder + ": " + ec.message() + "\n";
    return false;
  }
  std::string text = "quietorbit: no show data found. Looked for a data/ folder in:\n";
  for (const std::string& place : search.tried) text += "  " + place + "\n";
  text +=
      "Generate it with the build's data generator, e.g. `build/bin/mkdata data` in the folder you\n"
      "play from, or set QUIETORBIT_DATA to a folder that holds data/.\n";
  *message = text;
  return false;
}

}  // namespace platform
