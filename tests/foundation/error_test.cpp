#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "Zentra2/error.h"
#include "Zentra2/zentra.h"
#include "platform/session.h"
#include "tests/support/scratch_dir.h"

namespace {

// Each test writes its log in a folder of its own: tests run in parallel.
class ErrorPath : public ::testing::Test {
protected:
  ScratchDir scratch_;
};

std::string ReadLog() {
  std::ifstream in(kErrorLogName, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(ErrorPath, MessageShape) {
  EXPECT_EQ(ComposeError("TZentra", "SetDisplayMode", "DirectDraw does not support the requested mode."),
            "[TZentra]SetDisplayMode -> DirectDraw does not support the requested mode.");
}

TEST_F(ErrorPath, FatalErrorWritesOneCrLfLineTruncatingTheOldLogAndExitsWithOne) {
  {
    std::ofstream old(kErrorLogName, std::ios::binary);
    old << "an old and much longer line from an earlier failing run\r\nand a second one\r\n";
  }
  EXPECT_EXIT(FatalError("[TBuffer64]Lock -> first"), ::testing::ExitedWithCode(1), "\\[TBuffer64\\]Lock -> first");
  EXPECT_EQ(ReadLog(), "[TBuffer64]Lock -> first\r\n");
  EXPECT_EXIT(FatalError("second"), ::testing::ExitedWithCode(1), "second");
  EXPECT_EQ(ReadLog(), "second\r\n");
}

// A box only for a windowed display: fullscreen ends with the log line,
// stderr and exit code 1 alone.
TEST_F(ErrorPath, AFatalErrorInFullscreenShowsNoBox) {
  for (bool fullscreen : {true, false}) {
    std::remove("box.txt");
    EXPECT_EXIT(
        {
          // A session that writes the box it is asked for into a file.
          struct Noting : platform::Session {
            void ShowErrorBox(const std::string& title, const std::string& text) override {
              std::ofstream("box.txt") << title << ": " << text;
            }
          };
          platform::UseSession(std::make_unique<Noting>());
          DisplayIsFullscreen = fullscreen;
          FatalError("[TBuffer64]Lock -> x");
        },
        ::testing::ExitedWithCode(1), "\\[TBuffer64\\]Lock -> x");
    EXPECT_EQ(ReadLog(), "[TBuffer64]Lock -> x\r\n");
    std::ifstream box("box.txt");
    std::stringstream shown;
    shown << box.rdbuf();
    EXPECT_EQ(shown.str(), fullscreen ? "" : "Application Error: [TBuffer64]Lock -> x") << fullscreen;
  }
}

TEST_F(ErrorPath, UnhandledErrorsLeaveTheLogAlone) {
  std::remove(kErrorLogName);
  EXPECT_EXIT(UnhandledError("Cannot open file \"x.png\""), ::testing::ExitedWithCode(1), "Cannot open file");
  EXPECT_EQ(ReadLog(), "");
}

}  // namespace
