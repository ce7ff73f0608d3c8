// Where the show's data tree is. The program opens "./data/..." relative to
// the working folder, so before the show starts it moves into the first
// folder that holds data/: the working folder itself, then $QUIETORBIT_DATA,
// then <prefix>/share/quietorbit beside an installed <prefix>/bin/quietorbit
// (or <prefix>/games/quietorbit, where Debian keeps games).
// This is the only code that knows where the executable lives.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct DataSearch {
  std::string folder;              // the first folder holding data/; empty when none does
  std::vector<std::string> tried;  // every place looked at, in order, each with where it came from
};

// `envValue` is $QUIETORBIT_DATA (null when unset), `exePath` the program's
// own path (empty when unknown). Relative folders are taken as they are, i.e.
// against the working folder.
DataSearch FindDataFolder(const char* envValue, const std::string& exePath);

// The running executable's absolute path, symbolic links resolved; empty
// where the system cannot tell.
std::string ExecutablePath();

// FindDataFolder with this process's $QUIETORBIT_DATA and executable.
DataSearch FindOwnDataFolder();

// Changes into the folder `search` found. False, with a message naming every
// place looked and how to make the data, when there is none (or it cannot be
// entered).
bool EnterDataFolder(const DataSearch& search, std::string* message);

}  // namespace platform
