// The program's fatal paths, for the fuzzers: instead of ending the process
// they throw ProgramEnded, so a harness that expects them catches it and goes
// on with the next input, and one that does not lets it end the run as a
// finding.
#pragma once

#include <string>

struct ProgramEnded {
  std::string message;
};
