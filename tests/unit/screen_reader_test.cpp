// What a screen reader hears: the captions are painted, so the form gives
// its focused option button a name that says where the countdown stands and
// how to stop it, and has a reader speak it at a few moments only (the focus
// landing on the window at its start, five seconds before the end, each
// change between shutdown and restart), never every second.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

const std::wstring kWayOut = L" To stop it, press Esc or Alt+F4, or click the bomb.";

class ScreenReaderTest : public Form1Test {
 protected:
  // (tick, name) at every name-change event, each checked to be the focused
  // button's client object.
  std::vector<std::pair<int, std::wstring>> heard;

  void Listen() {
    platform.on_call.push_back([&](const FakeCall& call) {
      if (call.name != "NotifyWinEvent") return;
      EXPECT_EQ(LogLine(call), "NotifyWinEvent(EVENT_OBJECT_NAMECHANGE," + Logged(platform.focus) +
                                   ",OBJID_CLIENT,CHILDID_SELF)");
      heard.emplace_back(module.TickCount, form.AccessibleName());
    });
  }
};

TEST_F(ScreenReaderTest, HearsTheSecondsAndTheWayOutAtAFewMoments) {
  Listen();
  LoadForm();
  EXPECT_EQ(form.AccessibleName(), L"Windows will shut down in 10 seconds." + kWayOut);
  EXPECT_TRUE(heard.empty()) << "at the start the focus landing on the window is what is heard";
  TickTo(4);
  PressKey(kVkShift, kShiftMask);  // restart
  for (int held = 0; held < 30; ++held) PressKey(kVkShift, kShiftMask, /*repeated=*/true);
  TickTo(7);
  EXPECT_EQ(form.AccessibleName(), L"Windows will restart in 7 seconds." + kWayOut)
      << "read on demand, it says the seconds now";
  TickTo(12);
  ReleaseKey(kVkShift, 0);   // shutdown again
  PressKey('A', kCtrlMask);  // no change: nothing said
  TickTo(19);
  EXPECT_EQ(form.AccessibleName(),
            L"Windows will shut down in 1 second. To stop it, press Esc or Alt+F4.")
      << "the bomb is gone: no click stops it any more";
  EXPECT_EQ(heard, (std::vector<std::pair<int, std::wstring>>{
                       {4, L"Windows will restart in 8 seconds." + kWayOut},
                       {10, L"Windows will restart in 5 seconds." + kWayOut},
                       {12, L"Windows will shut down in 4 seconds." + kWayOut}}));
}

TEST_F(ScreenReaderTest, InJapaneseForAJapaneseInterfaceLanguage) {
  platform.ui_language = 0x0411;
  LoadForm();
  EXPECT_EQ(form.AccessibleName(),
            L"あと10秒でWindowsがシャットダウンします。止めるには、EscキーかAlt+F4を押すか、"
            L"爆弾をクリックしてください。");
  PressKey(kVkShift, kShiftMask);
  EXPECT_EQ(form.AccessibleName(),
            L"あと10秒でWindowsが再起動します。止めるには、EscキーかAlt+F4を押すか、"
            L"爆弾をクリックしてください。");
}

TEST_F(ScreenReaderTest, SaysItIsCalledOffWithoutRaisingAnything) {
  Listen();
  LoadForm();
  PressKey(kVkShift, kShiftMask);
  heard.clear();
  Queue([&] { ReleaseKey(kVkShift, 0); });  // runs inside the ending
  platform.on_call.push_back([&](const FakeCall& call) {
    if (call.name == "MessageBoxW") {
      EXPECT_EQ(form.AccessibleName(), L"The shutdown is called off.");
    }
  });
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  EXPECT_TRUE(heard.empty());
}

TEST_F(ScreenReaderTest, SpeaksOnlyForTheFocusedButton) {
  Listen();
  LoadForm();
  platform.focus = Hwnd{};  // another program has the keyboard
  TickTo(12);
  EXPECT_TRUE(heard.empty());
}

// Where Windows lacks what a reader needs (oleacc, ole32, NotifyWinEvent) or
// an input method (imm32), the program announces nothing and makes every
// other call just as it does with them.
class WithoutALibrary : public ::testing::TestWithParam<const char*> {};

// The calls of a countdown with Shift pressed at tick 4, the name-change
// events left out, and how many of those there were.
std::pair<Lines, std::size_t> CountdownCalls(const std::string& missing) {
  FakePlatform platform;
  platform.accessibility = missing != "accessibility";
  platform.imm32 = missing != "imm32";
  Module1 module;
  WatchedForm1 form{platform, platform, module};
  form.Load();
  for (int tick = 1; tick <= 20 && form.IsLoaded(); ++tick) {
    if (tick == 4) form.OnKeyDown(0x10, kShiftMask, false);
    platform.clock_ms += 500;
    try {
      form.OnTimer();
    } catch (const ProcessExit&) {
    }
  }
  Lines calls;
  for (const std::string& line : platform.Log()) {
    if (line.rfind("NotifyWinEvent", 0) != 0) calls.push_back(line);
  }
  return {calls, platform.CallsNamed("NotifyWinEvent").size()};
}

TEST_P(WithoutALibrary, TheCountdownRunsAsBefore) {
  const auto [with_all, announced] = CountdownCalls("");
  const auto [without, announced_without] = CountdownCalls(GetParam());
  EXPECT_EQ(without, with_all);
  EXPECT_EQ(without.back(), "ExitProcess(0)");
  EXPECT_EQ(announced, 2U);
  EXPECT_EQ(announced_without, std::string(GetParam()) == "accessibility" ? 0U : 2U);
}

INSTANTIATE_TEST_SUITE_P(Missing, WithoutALibrary, ::testing::Values("accessibility", "imm32"));

}  // namespace
}  // namespace tickbomb::testing
