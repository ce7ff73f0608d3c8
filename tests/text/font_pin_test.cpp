// The tests' fontconfig file: a font the machine or the user adds, even one that
// claims to be Arial, does not reach what the tests draw.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fonts.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

// The family "Arial" resolves to in a child process whose fontconfig is loaded
// afresh with the given FONTCONFIG_FILE (none: the machine's own configuration)
// and a user's folders under home.
std::string ArialIn(const fs::path& home, const char* fontconfigFile) {
  int fds[2];
  if (pipe(fds) != 0) return "(no pipe)";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    if (fontconfigFile)
      setenv("FONTCONFIG_FILE", fontconfigFile, 1);
    else
      unsetenv("FONTCONFIG_FILE");
    FcInitReinitialize();
    auto font = platform::Font::Create("Arial", 12);
    std::string family = font ? font->Family() : "(none)";
    ssize_t n = write(fds[1], family.data(), family.size());
    _exit(n == ssize_t(family.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string family;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) family.append(buf, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return family;
}

TEST(FontPin, AUserFontClaimingArialIsNotSeenByTheTests) {
  ScratchDir scratch;
  const fs::path home = scratch.Path();
  // Any other face will do; it takes the name Arial when fontconfig scans it.
  fs::create_directories(home / "data/fonts");
  fs::create_directories(home / "config/fontconfig");
  const fs::path fake = home / "data/fonts/FakeArial.ttf";
  fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", fake);
  std::ofstream(home / "config/fontconfig/fonts.conf")
      << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
         "<fontconfig><match target=\"scan\"><test name=\"file\"><string>"
      << fake.string()
      << "</string></test><edit name=\"family\" mode=\"assign\" binding=\"same\"><string>Arial</string></edit>"
         "</match></fontconfig>\n";

  const char* pinned = std::getenv("FONTCONFIG_FILE");
  ASSERT_TRUE(pinned && *pinned) << "the test environment sets FONTCONFIG_FILE";
  EXPECT_EQ(ArialIn(home, pinned), "Liberation Sans");
  // The same user folders with the machine's configuration do bring the fake in,
  // so the check above is a real one.
  if (!fs::exists("/etc/fonts/fonts.conf")) GTEST_SKIP() << "no machine fontconfig configuration to compare with";
  EXPECT_EQ(ArialIn(home, nullptr), "Arial");
}

}  // namespace
