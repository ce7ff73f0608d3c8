// Writing the whole data tree, and knowing when it is already up to date.
#pragma once

#include <string>
#include <vector>

namespace mkdata {

// Every file of the tree, relative to the data folder.
std::vector<std::string> TreeFiles();

// A fingerprint of this generator (its own executable) and of the font files it draws with,
// written into the stamp.
std::string GeneratorFingerprint();

// True when the stamp matches this generator and every file exists.
bool UpToDate(const std::string& dir);

// Writes every file, then the stamp. Returns false (with a message on stderr) on failure;
// throws std::runtime_error, before writing anything, when a font file is missing.
bool Generate(const std::string& dir, bool verbose);

// One PNG with every picture of the tree scaled down and labelled, plus previews of how the
// scenes combine some of them.
bool WriteContactSheet(const std::string& dataDir, const std::string& outPng);
// The same previews at full size, one PNG each.
bool WritePreviews(const std::string& dataDir, const std::string& outDir);

}  // namespace mkdata
