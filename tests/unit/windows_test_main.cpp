// The native tests' entry when they are built as a 32-bit Windows program:
// the x87 unit set up as tickbomb.exe sets it, so that the core computes here
// exactly as in the shipped program.
#include <gtest/gtest.h>

#include "app/win32/double_precision.h"

int main(int argc, char** argv) {
  tickbomb::win32::UseDoublePrecision();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
