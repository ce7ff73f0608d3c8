// The fatal-error path: one line in "ZNT_ERR.txt", the message on stderr, a
// dialog when someone can see it, the desktop restored, exit code 1.
#pragma once

#include <functional>
#include <string>

// The log file, relative to the working directory.
inline constexpr const char* kErrorLogName = "ZNT_ERR.txt";

// Where FatalError writes the log from now on (default kErrorLogName). The
// program pins it in the user's folder before it moves into the data folder,
// which may be read-only once installed.
void SetErrorLogPath(const std::string& path);

// "[" + className + "]" + operation + " -> " + text
std::string ComposeError(const std::string& className, const std::string& operation, const std::string& text);

// Restores the desktop, truncates the log and writes `message` + CR LF into
// it, reports the message and ends the process with exit code 1.
[[noreturn]] void FatalError(const std::string& message);

// What must happen before the program ends on an error: a progress line
// finished, the half-written files of a recording removed. Runs once, before
// the first message of the failure.
void SetErrorCleanup(std::function<void()> cleanup);

// A data file the program cannot use, named on stderr with the reason:
// "quietorbit: data/gfx/intro/in02.png: not a JPEG, PNG or BMP picture".
// `fatal`: the program ends next (the error cleanup runs first); else it
// goes on without the file. Files under the folder the program was started
// in are named from there, others in full.
void ReportFileProblem(const std::string& file, const std::string& reason, bool fatal);

// Ends the program with `code` because of a data file (a mesh): the file
// named as above, the desktop restored, a box where someone can see it.
[[noreturn]] void EndForFile(int code, const std::string& file, const std::string& reason);

// The path of errors nothing in the program handles (a file that cannot be
// opened, a decoder's own failure): no log file, otherwise as FatalError.
[[noreturn]] void UnhandledError(const std::string& message);
