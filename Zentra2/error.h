// The fatal-error path: one line in "ZNT_ERR.txt", the message on stderr, a
// dialog when someone can see it, the desktop restored, exit code 1.
#pragma once

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

// The path of errors nothing in the program handles (a file that cannot be
// opened, a decoder's own failure): no log file, otherwise as FatalError.
[[noreturn]] void UnhandledError(const std::string& message);
