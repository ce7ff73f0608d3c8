// quietorbit: plays the show.
#include <cstdio>
#include <string>
#include <vector>

#include "core/options.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ExtraOptions extra = ParseExtraOptions(args);
  if (extra.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (extra.version) {
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  }
  ParseOptions(args);
  std::fputs("quietorbit: the show is not assembled yet; see README.md\n", stderr);
  return 0;
}
