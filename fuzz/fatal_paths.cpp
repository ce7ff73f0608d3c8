// Stands in for Zentra2/error.cpp in the fuzzers (see fatal_paths.h).
#include "fuzz/fatal_paths.h"

#include "Zentra2/error.h"

std::string ComposeError(const std::string& className, const std::string& operation, const std::string& text) {
  return "[" + className + "]" + operation + " -> " + text;
}

void SetErrorLogPath(const std::string&) {}
void SetErrorCleanup(std::function<void()>) {}

// Named files are the program's business; the fuzzer has no names to show.
void ReportFileProblem(const std::string&, const std::string&, bool) {}

void EndForFile(int, const std::string& file, const std::string& reason) { throw ProgramEnded{file + ": " + reason}; }
void FatalError(const std::string& message) { throw ProgramEnded{message}; }
void UnhandledError(const std::string& message) { throw ProgramEnded{message}; }
