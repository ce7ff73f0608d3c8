// The files of a recording, written under temporary names beside their final
// ones ("NAME.tmp") so that the final names appear only once everything is
// complete. A run that fails or is stopped discards them all, with the
// folders it made for them, and leaves nothing behind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class StagedFiles {
public:
  ~StagedFiles() { Discard(); }

  // Makes `folder` and its missing parents; the ones made here go again
  // when the run is discarded (if empty). The error names the folder.
  bool MakeFolder(const std::filesystem::path& folder, std::string* error);
  // The temporary name to write `final` under.
  std::string Add(const std::filesystem::path& final);
  // A working file with no final name of its own, removed in every case.
  std::string Scratch(const std::filesystem::path& name);
  // Moves every file to its final name in the order added and removes the
  // scratch files. False, with everything discarded, when a move fails.
  bool Commit(std::string* error);
  // Removes whatever the run wrote.
  void Discard();

private:
  std::vector<std::filesystem::path> finals_, scratch_, folders_;
};
