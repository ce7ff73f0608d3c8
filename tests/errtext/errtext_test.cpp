#include "Zentra2/error_text.h"

#include <gtest/gtest.h>

namespace {

bool StrictlyAscending(std::span<const ErrorTextEntry> table) {
  for (size_t i = 1; i < table.size(); ++i)
    if (table[i - 1].code >= table[i].code) return false;
  return true;
}

TEST(ErrorText, TablesHaveTheirFullSizeAndAreSortedWithoutDuplicates) {
  EXPECT_EQ(DDErrorCount(), 109u);
  EXPECT_EQ(DIErrorCount(), 34u);
  EXPECT_TRUE(StrictlyAscending(DDErrorTable()));
  EXPECT_TRUE(StrictlyAscending(DIErrorTable()));
  // Every row is reachable through the lookup and carries a real text.
  for (const auto& e : DDErrorTable()) {
    EXPECT_EQ(DDErrorString(e.code), e.text) << std::hex << e.code;
    EXPECT_NE(DDErrorString(e.code), "Unrecognized Error");
  }
  for (const auto& e : DIErrorTable()) EXPECT_EQ(DIErrorString(e.code), e.text) << std::hex << e.code;
}

TEST(ErrorText, DisplayTexts) {
  EXPECT_EQ(DDErrorString(0), "The request completed successfully.");
  EXPECT_EQ(DDErrorString(0x8007000E),
            "DirectDraw does not have enough memory to perform the operation.");
  EXPECT_EQ(DDErrorString(0x80070057),
            "One or more of the parameters passed to the function are incorrect.");
  EXPECT_EQ(DDErrorString(0x88760078), "DirectDraw does not support the requested mode.");
  EXPECT_EQ(DDErrorString(0x887601C2),
            "Access to this surface is being refused because the surface memory is gone. The "
            "DirectDrawSurface object representing this surface should have Restore called on "
            "it.");
  EXPECT_EQ(DDErrorString(0x8876021C),
            "Informs DirectDraw that the previous Blt which is transfering information to or "
            "from this Surface is incomplete.");
  // The named constants are the codes above.
  EXPECT_EQ(DDERR_SURFACELOST, 0x887601C2u);
  EXPECT_EQ(DDERR_WASSTILLDRAWING, 0x8876021Cu);
  EXPECT_EQ(DDERR_INVALIDMODE, 0x88760078u);
}

TEST(ErrorText, InputTexts) {
  EXPECT_EQ(DIErrorString(0), "The operation completed successfully.");
  EXPECT_EQ(DIErrorString(0x8007001E),
            "Access to the input device has been lost. It must be reacquired.");
  EXPECT_EQ(DIErrorString(0x80070015), "This object has not been initialized.");
  EXPECT_EQ(DIErrorString(0x8007000E),
            "The DirectInput subsystem could not allocate sufficient memory to complete the "
            "call. This value is equal to the E_OUTOFMEMORY standard COM return value.");
  EXPECT_EQ(DIERR_INPUTLOST, 0x8007001Eu);
}

TEST(ErrorText, UnknownCodes) {
  EXPECT_EQ(DDErrorString(0x88760001), "Unrecognized Error");
  EXPECT_EQ(DDErrorString(0xFFFFFFFF), "Unrecognized Error");
  EXPECT_EQ(DIErrorString(0x8007FFFF), "Unrecognized Error: $8007FFFF");
  EXPECT_EQ(DIErrorString(0x0000ABCD), "Unrecognized Error: $0000ABCD");
  EXPECT_EQ(DIErrorString(5), "Unrecognized Error: $00000005");
}

}  // namespace
