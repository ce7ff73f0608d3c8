// The program as a child process watched by the sanitizers, in a folder of
// its own on a copy of the generated data tree made of links, so that a test
// can replace one file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_run.h"

namespace qo_rel {

namespace fs = std::filesystem;

// RunChild with the sanitizers told to stop at the first finding with exit
// code 86, and the headless drivers whatever the environment says.
ChildResult RunWatched(const fs::path& dir, const std::vector<std::string>& args,
                       const std::vector<std::string>& env = {});

// What the sanitizers reported in a child's stderr, or empty.
std::string SanitizerReport(const ChildResult& r);

// Why these long runs are skipped here, or empty: they run in the sanitizer
// build, elsewhere only with QO_RELIABILITY=1, and need the data tree.
std::string SkipReason();

// Frames per scene from a --benchmark table, in show order.
std::vector<std::pair<std::string, long>> SceneFrames(const std::string& benchmarkOut);

}  // namespace qo_rel
