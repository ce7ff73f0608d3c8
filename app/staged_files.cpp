#include "app/staged_files.h"

namespace fs = std::filesystem;

namespace {
fs::path Temporary(const fs::path& final) { return final.string() + ".tmp"; }
}  // namespace

bool StagedFiles::MakeFolder(const fs::path& folder, std::string* error) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path p = fs::absolute(folder, ec); !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  if (fs::create_directories(folder, ec); ec || !fs::is_directory(folder, ec)) {
    *error = "cannot make the folder " + folder.string() + ": " + (ec ? ec.message() : "a file has that name");
    return false;
  }
  folders_.insert(folders_.end(), missing.begin(), missing.end());  // deepest first
  return true;
}

std::string StagedFiles::Add(const fs::path& final) {
  finals_.push_back(final);
  return Temporary(final).string();
}

std::string StagedFiles::Scratch(const fs::path& name) {
  scratch_.push_back(name);
  return name.string();
}

bool StagedFiles::Commit(std::string* error) {
  std::error_code ec;
  for (size_t i = 0; i < finals_.size(); ++i) {
    fs::rename(Temporary(finals_[i]), finals_[i], ec);
    if (ec) {
      *error = "cannot put " + finals_[i].string() + " in place: " + ec.message();
      // The ones already moved belong to this failed run too.
      for (size_t j = 0; j < i; ++j) fs::remove(finals_[j], ec);
      Discard();
      return false;
    }
  }
  for (const fs::path& f : scratch_) fs::remove(f, ec);
  finals_.clear();
  scratch_.clear();
  folders_.clear();
  return true;
}

void StagedFiles::Discard() {
  std::error_code ec;
  for (const fs::path& f : finals_) fs::remove(Temporary(f), ec);
  for (const fs::path& f : scratch_) fs::remove(f, ec);
  for (const fs::path& d : folders_) fs::remove(d, ec);  // only when empty
  finals_.clear();
  scratch_.clear();
  folders_.clear();
}
