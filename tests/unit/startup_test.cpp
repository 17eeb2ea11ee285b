#include <gtest/gtest.h>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

TEST_F(Form1Test, StartUpMakesItsCallsInOrder) {
  LoadForm();
  const std::vector<std::string> watched = {"PlaySoundA", "GetVersionExA", "SetWindowLongA",
                                            "SetWindowPos", "CreateRectRgn", "CombineRgn",
                                            "SetWindowRgn"};
  std::vector<std::string> log = platform.Log(watched);
  // Drop the buffer addresses (the fourth number of PlaySoundA) for the comparison.
  for (std::string& line : log) {
    if (line.rfind("PlaySoundA(", 0) == 0) line = line.substr(0, line.rfind(',')) + ")";
  }
  const auto hwnd = std::to_string(form.hWnd());
  const std::vector<std::string> expected = {
      "PlaySoundA(106,0,7)", "PlaySoundA(105,0,7)", "PlaySoundA(104,0,7)",
      "PlaySoundA(103,0,7)", "PlaySoundA(102,0,7)", "PlaySoundA(101,0,7)",
      "GetVersionExA(148)",  "PlaySoundA(105,0,7)",
      "SetWindowLongA(" + hwnd + ",-16," + std::to_string(static_cast<std::int32_t>(0x02CF0000 & 0xFF30FFFF)) + ")",
      "SetWindowPos(" + hwnd + ",0,0,0,0,0,39)",
      "CreateRectRgn(0,0,435,407)",
      "CreateRectRgn(425,0,440,10)",
  };
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + expected.size()), expected);
  EXPECT_EQ(platform.CallsNamed("Rectangle").size(), 20U);
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(form.OpenFrom, 2);
}

}  // namespace
}  // namespace tickbomb::testing
