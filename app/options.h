// The command line. The show's own options are exact, case-sensitive literals
// with a single dash; ours (help, version, record, benchmark...) use the
// "--name" form so they can never collide with them. Anything else is ignored.
#pragma once

#include <string>
#include <vector>

// Reads the show's options into the globals. With at least one argument the
// process priority is set (realtime with "-maxpriority", else normal); with
// none it is left alone.
void ParseOptions(const std::vector<std::string>& args);

struct ExtraOptions {
  bool help = false;
  bool version = false;
  bool record = false;     // --record=OUT
  std::string recordOut;
  bool benchmark = false;  // --benchmark
  bool json = false;       // --json (with --benchmark)
  bool hashes = false;     // --hashes
  double fromSeconds = 0.0, toSeconds = 1e300;  // --from=S, --to=S
  std::string frames;      // --frames=LIST
  int recordWidth = 0, recordHeight = 0;  // --record-size=WxH
  int recordScale = 0;     // --record-scale=K
  bool gentle = false;     // --gentle
  std::string start;       // --start=SCENE
  bool listScenes = false; // --list-scenes
  std::string error;       // a malformed value of ours, to report
};

ExtraOptions ParseExtraOptions(const std::vector<std::string>& args);

// One line per option, the show's and ours.
std::string HelpText();
std::string VersionText();
