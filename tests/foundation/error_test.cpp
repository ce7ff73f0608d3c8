#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Zentra2/error.h"

namespace {

std::string ReadLog() {
  std::ifstream in(kErrorLogName, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ErrorPath, MessageShape) {
  EXPECT_EQ(ComposeError("TZentra", "SetDisplayMode", "DirectDraw does not support the requested mode."),
            "[TZentra]SetDisplayMode -> DirectDraw does not support the requested mode.");
}

TEST(ErrorPath, FatalErrorWritesOneCrLfLineTruncatingTheOldLogAndExitsWithOne) {
  {
    std::ofstream old(kErrorLogName, std::ios::binary);
    old << "an old and much longer line from an earlier failing run\r\nand a second one\r\n";
  }
  EXPECT_EXIT(FatalError("[TBuffer64]Lock -> first"), ::testing::ExitedWithCode(1), "\\[TBuffer64\\]Lock -> first");
  EXPECT_EQ(ReadLog(), "[TBuffer64]Lock -> first\r\n");
  EXPECT_EXIT(FatalError("second"), ::testing::ExitedWithCode(1), "second");
  EXPECT_EQ(ReadLog(), "second\r\n");
}

TEST(ErrorPath, UnhandledErrorsLeaveTheLogAlone) {
  std::remove(kErrorLogName);
  EXPECT_EXIT(UnhandledError("Cannot open file \"x.png\""), ::testing::ExitedWithCode(1), "Cannot open file");
  EXPECT_EQ(ReadLog(), "");
}

}  // namespace
