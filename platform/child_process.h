// A helper program run beside the show (the ffmpeg encoders of a recording).
// It runs in a process group of its own, so a Ctrl+C in the terminal reaches
// only us and we decide what becomes of it: finished, or killed with what it
// wrote removed.
#pragma once

#include <string>
#include <vector>

namespace platform {

class ChildProcess {
public:
  ChildProcess() = default;
  ~ChildProcess();  // kills it when it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `argv` (looked up on PATH); with `feed` its standard input is a
  // pipe that Write fills, else it reads nothing. False when it cannot start.
  bool Start(const std::vector<std::string>& argv, bool feed);
  // False once a write failed (the child ended early): later writes do nothing.
  bool Write(const void* data, size_t bytes);

  enum class End { Success, Failed, Interrupted };
  // Closes its input and waits for it to end. Interrupted (the child then
  // killed) when a quit signal comes first (QuitSignal).
  End Finish();
  // Ends it at once and waits for it.
  void Kill();

private:
  int pid_ = -1;
  int input_ = -1;
  bool failed_ = false;
};

// Whether `program` can be found on PATH.
bool HaveProgram(const std::string& program);

}  // namespace platform
