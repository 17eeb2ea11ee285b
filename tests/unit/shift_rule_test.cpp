// Shift chooses between shutdown and restart while the keys are armed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

// The two top-line captions, spelt out by code point.
const std::wstring kShutdownCaption =
    L"\uFF37\uFF49\uFF4E\uFF44\uFF4F\uFF57\uFF53\u30B7\u30E3\u30C3\u30C8\u30C0\u30A6\u30F3\u307E"
    L"\u3067";
const std::wstring kRestartCaption =
    L"\uFF37\uFF49\uFF4E\uFF44\uFF4F\uFF57\uFF53\u518D\u8D77\u52D5\u307E\u3067\u30FB\u30FB\u30FB"
    L"\u3000";

constexpr std::uint32_t kPowerOff = 8;  // the default on NT 5, told apart from 1 and 2

struct KeyEvent {
  const char* name;
  bool down;
  int key;
};

const KeyEvent kEvents[] = {
    {"ShiftDown", true, kVkShift},
    {"LetterDown", true, 'A'},
    {"CtrlDown", true, kVkControl},
    {"ShiftUp", false, kVkShift},
    {"LetterUp", false, 'A'},
    {"EscapeUp", false, kVkEscape},  // only the key-down of Escape is the Escape ending
};

class ShiftRuleTest : public Form1Test {
 protected:
  void SetUp() override {
    platform.version.dwPlatformId = win::VER_PLATFORM_WIN32_NT;
    platform.version.dwMajorVersion = 5;
    LoadForm();
    ASSERT_EQ(module.ExitFlags, kPowerOff);
  }
  void Send(const KeyEvent& event, int shift) {
    if (event.down) {
      PressKey(event.key, shift);
    } else {
      ReleaseKey(event.key, shift);
    }
  }
  bool ShowsRestart() const {
    return form.label(Label1_0).caption == kRestartCaption &&
           form.label(Label1_1).caption == kRestartCaption;
  }
  bool ShowsShutdown() const {
    return form.label(Label1_0).caption == kShutdownCaption &&
           form.label(Label1_1).caption == kShutdownCaption;
  }
};

class ShiftRuleTableTest : public ShiftRuleTest,
                           public ::testing::WithParamInterface<std::tuple<KeyEvent, bool>> {};

TEST_P(ShiftRuleTableTest, StateZeroSelectsShutdownOneRestartAndTheRestNothing) {
  const auto& [event, armed] = GetParam();
  for (bool from_restart : {false, true}) {
    for (int shift = 0; shift <= 7; ++shift) {
      SCOPED_TRACE("from " + std::string(from_restart ? "restart" : "shutdown") + ", state " +
                   std::to_string(shift));
      module.KeysArmed = kTrue;
      PressKey(kVkShift, from_restart ? kShiftMask : 0);
      ASSERT_TRUE(from_restart ? ShowsRestart() : ShowsShutdown());
      module.KeysArmed = armed ? kTrue : kFalse;

      Send(event, shift);

      const bool qualifies = armed && (shift == 0 || shift == 1);
      const bool restart = qualifies ? shift == 1 : from_restart;
      EXPECT_EQ(ShowsRestart(), restart);
      EXPECT_EQ(ShowsShutdown(), !restart);
      EXPECT_EQ(module.ExitFlags, restart ? win::EWX_REBOOT : kPowerOff);
      EXPECT_EQ(module.KeysArmed, armed ? kTrue : kFalse);
      EXPECT_TRUE(form.IsLoaded());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EventsAndGate, ShiftRuleTableTest,
                         ::testing::Combine(::testing::ValuesIn(kEvents), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<ShiftRuleTableTest::ParamType>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_Armed" : "_Disarmed");
                         });

TEST_F(ShiftRuleTest, TheShadowCopyChangesBeforeTheFrontCopy) {
  std::vector<std::pair<std::wstring, std::wstring>> mixed;  // (Label1(0), Label1(1))
  platform.on_call.push_back([&](const FakeCall& call) {
    const auto& front = form.label(Label1_0).caption;
    const auto& shadow = form.label(Label1_1).caption;
    if (call.name == "InvalidateRect" && front != shadow) mixed.emplace_back(front, shadow);
  });
  PressKey(kVkShift, kShiftMask);
  ASSERT_FALSE(mixed.empty());
  for (const auto& [front, shadow] : mixed) {
    EXPECT_EQ(front, kShutdownCaption);
    EXPECT_EQ(shadow, kRestartCaption);
  }
  mixed.clear();
  ReleaseKey(kVkShift, 0);
  ASSERT_FALSE(mixed.empty());
  for (const auto& [front, shadow] : mixed) {
    EXPECT_EQ(front, kRestartCaption);
    EXPECT_EQ(shadow, kShutdownCaption);
  }
}

TEST_F(ShiftRuleTest, TheRestartCaptionEndsInOneIdeographicSpace) {
  PressKey(kVkShift, kShiftMask);
  const std::wstring& caption = form.label(Label1_0).caption;
  EXPECT_EQ(CodePoints(caption), CodePoints(kRestartCaption));
  ASSERT_FALSE(caption.empty());
  EXPECT_EQ(static_cast<unsigned>(caption.back()), 0x3000U);
  EXPECT_EQ(CodePoints(form.label(Label1_1).caption), CodePoints(kRestartCaption));
}

// Key events before tick 20; the flags the detonation then asks for.
struct Sequence {
  const char* name;
  std::vector<std::tuple<bool, int, int>> keys;  // (down, key, state)
  const char* request;                           // ExitWindowsEx's flags
};

class LastQualifyingEventTest : public ShiftRuleTest,
                                public ::testing::WithParamInterface<Sequence> {};

TEST_P(LastQualifyingEventTest, DecidesWhatTickTwentyAsksFor) {
  const Sequence& s = GetParam();
  int tick = 1;
  for (const auto& [down, key, state] : s.keys) {
    TickTo(tick++);  // spread the keys over the countdown
    if (down) {
      PressKey(key, state);
    } else {
      ReleaseKey(key, state);
    }
  }
  TickTo(19);
  const CallSpan last = platform.Ending([&] { Tick(); });
  EXPECT_EQ(last.exit, 0U);
  EXPECT_EQ(last.Log({"ExitWindowsEx"}), Lines{"ExitWindowsEx(" + std::string(s.request) + ",0)"});
  // The disarmed gate: nothing after the explosion sound could have changed it.
  EXPECT_EQ(module.KeysArmed, kFalse);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, LastQualifyingEventTest,
    ::testing::Values(
        Sequence{"ShiftHeld", {{true, kVkShift, 1}}, "EWX_REBOOT"},
        Sequence{
            "ShiftPressedAndReleased", {{true, kVkShift, 1}, {false, kVkShift, 0}}, "EWX_POWEROFF"},
        // Shift, then Ctrl on top (3), then Shift released while Ctrl is held (2):
        // neither 3 nor 2 qualifies, so the restart chosen first stands.
        Sequence{"ShiftThenCtrlThenShiftReleased",
                 {{true, kVkShift, 1}, {true, kVkControl, 3}, {false, kVkShift, 2}},
                 "EWX_REBOOT"},
        Sequence{"AndThenCtrlReleased",
                 {{true, kVkShift, 1},
                  {true, kVkControl, 3},
                  {false, kVkShift, 2},
                  {false, kVkControl, 0}},
                 "EWX_POWEROFF"},
        Sequence{"AnOrdinaryKeyReselectsShutdown",
                 {{true, kVkShift, 1}, {true, 'A', 0}},
                 "EWX_POWEROFF"},
        Sequence{"AltShiftChangesNothing", {{true, kVkShift, 1}, {true, 'A', 5}}, "EWX_REBOOT"},
        Sequence{"RestartChosenTwiceIsStillRestart",
                 {{true, kVkShift, 1}, {true, 'A', 1}, {false, 'A', 1}},
                 "EWX_REBOOT"}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

TEST_F(ShiftRuleTest, AShiftEventDispatchedInTheLastPumpStillDecides) {
  TickTo(18);
  Queue([&] { PressKey(kVkShift, kShiftMask); });  // runs in the pump of tick 19
  Tick();
  EXPECT_EQ(module.ExitFlags, win::EWX_REBOOT);
  EXPECT_TRUE(ShowsRestart());
  Queue([&] { ReleaseKey(kVkShift, 0); });  // runs in the pump of tick 20
  Queue([&] { PressKey(kVkShift, kShiftMask); });
  const CallSpan last = platform.Ending([&] { Tick(); });
  EXPECT_EQ(last.exit, 0U);
  EXPECT_EQ(last.Log({"ExitWindowsEx"}), Lines{"ExitWindowsEx(EWX_REBOOT,0)"});
}

TEST_F(ShiftRuleTest, EscapeWithShiftHeldIsTheEscapeEndingAndNeverTheRule) {
  bool restart_caption_seen = false;
  std::vector<std::uint32_t> flags_seen;
  platform.on_call.push_back([&](const FakeCall&) {
    restart_caption_seen = restart_caption_seen ||
                           form.label(Label1_0).caption == kRestartCaption ||
                           form.label(Label1_1).caption == kRestartCaption;
    flags_seen.push_back(module.ExitFlags);
  });
  TickTo(5);
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, kShiftMask); }), 0U);
  EXPECT_EQ(form.escapes_begun, 1);
  EXPECT_FALSE(restart_caption_seen);
  ASSERT_FALSE(flags_seen.empty()) << "the hook never ran";
  for (std::uint32_t flags : flags_seen) EXPECT_EQ(flags, kPowerOff);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

TEST_F(ShiftRuleTest, EscapeWithoutShiftDoesNotUndoARestartChoice) {
  PressKey(kVkShift, kShiftMask);
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  EXPECT_EQ(module.ExitFlags, win::EWX_REBOOT);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

}  // namespace
}  // namespace tickbomb::testing
