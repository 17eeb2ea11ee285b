// The countdown, tick by tick, and the detonation at tick 20.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

constexpr std::uint32_t kRed = 255;

struct TickRow {
  int tick;
  const wchar_t* digits;
  bool red;          // Label2(1) red
  int bomb_picture;  // Image1
  bool bomb_visible;
  int form_picture;
  std::vector<std::pair<int, int>> sounds;  // (wave id, flags)
  int pumps;
};

// What each of the first nineteen ticks leaves on the screen and plays.
const std::vector<TickRow>& TickTable() {
  // clang-format off
  static const std::vector<TickRow> rows = {
    {1, L"10", false, IDB_BOMB, true, IDB_SCENE, {}, 0},
    {2, L"9", false, IDB_BOMB_LIT, true, IDB_SCENE, {{IDW_TICK, kAsync}}, 0},
    {3, L"9", false, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {4, L"8", false, IDB_BOMB_LIT, true, IDB_SCENE, {{IDW_TICK, kAsync}}, 0},
    {5, L"8", false, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {6, L"7", false, IDB_BOMB_LIT, true, IDB_SCENE, {{IDW_TICK, kAsync}}, 0},
    {7, L"7", false, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {8, L"6", false, IDB_BOMB_LIT, true, IDB_SCENE, {{IDW_TICK, kAsync}}, 0},
    {9, L"6", false, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {10, L"5", false, IDB_BOMB_SHORT, true, IDB_SCENE, {{IDW_TICK, kAsync}}, 0},
    {11, L"5", false, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {12, L"4", false, IDB_BOMB_SHORT, true, IDB_SCENE, {{IDW_TICK, kAsync}}, 0},
    {13, L"4", false, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {14, L"3", true, IDB_BOMB_SHORT, true, IDB_SCENE, {{IDW_TICK, kAsync}, {IDW_THREE, kAsync}}, 0},
    {15, L"3", true, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {16, L"2", true, IDB_BOMB_SHORT, true, IDB_SCENE, {{IDW_TICK, kAsync}, {IDW_TWO, kAsync}}, 0},
    {17, L"2", true, IDB_BOMB_LIT, true, IDB_SCENE, {}, 0},
    {18, L"1", true, IDB_BOMB_SHORT, true, IDB_SCENE, {{IDW_TICK, kAsync}, {IDW_ONE, kAsync}}, 0},
    {19, L"1", true, IDB_BOMB_LIT, false, IDB_BIG_BOMB, {}, 1},
  };
  // clang-format on
  return rows;
}

class CountdownTest : public Form1Test {};

TEST_F(CountdownTest, EveryTickMatchesTheTickTable) {
  LoadForm();
  const Scene design = Now();
  ASSERT_EQ(design.digits_back, L"10");
  ASSERT_NE(design.digits_front_color, kRed);

  // Between the two copies' captions the shadow Label2(0) changes first:
  // record every mixed state that a repaint request could see.
  std::vector<std::pair<std::wstring, std::wstring>> mixed;
  platform.on_call.push_back([&](const FakeCall& call) {
    if (call.name != "InvalidateRect") return;
    const auto& back = form.label(Label2_0).caption;
    const auto& front = form.label(Label2_1).caption;
    if (back != front) mixed.emplace_back(back, front);
  });

  for (const TickRow& row : TickTable()) {
    SCOPED_TRACE("tick " + std::to_string(row.tick));
    mixed.clear();
    const CallSpan tick = platform.During([&] { Tick(); });
    ASSERT_EQ(module.TickCount, row.tick);
    Scene expected = design;
    expected.digits_back = expected.digits_front = row.digits;
    if (row.red) expected.digits_front_color = kRed;
    expected.bomb_picture = row.bomb_picture;
    expected.bomb_visible = row.bomb_visible;
    expected.form_picture = row.form_picture;
    EXPECT_EQ(Now(), expected);
    EXPECT_EQ(tick.Sounds(), row.sounds);
    EXPECT_TRUE(SoundsFromCurrentBank(tick));
    EXPECT_EQ(tick.Named("DispatchPendingMessages").size(), static_cast<std::size_t>(row.pumps));
    EXPECT_TRUE(tick.Named("ExitWindowsEx").empty());
    EXPECT_TRUE(tick.Named("MessageBoxW").empty());
    EXPECT_TRUE(form.IsLoaded());
    if (row.tick % 2 == 0) {
      // A repaint between the two caption changes sees the new value in the
      // shadow and the old one in front, never the other way round.
      ASSERT_FALSE(mixed.empty());
      for (const auto& [back, front] : mixed) {
        EXPECT_EQ(back, row.digits);
        EXPECT_NE(front, row.digits);
      }
    }
  }
}

// The user's ten seconds begin when the window is up: the start-up before it
// (the opening animation sleeps a millisecond a frame) is no part of them.
TEST_F(CountdownTest, TheFirstPeriodBeginsWhenTheWindowIsUp) {
  const double created = platform.clock_ms;
  LoadForm();
  const double up = platform.clock_ms;
  ASSERT_GE(up - created, 20.0) << "the start-up's sleeps move the fake's clock on";
  platform.clock_ms = up + 499;
  form.OnTimer();
  EXPECT_EQ(module.TickCount, 0) << "a tick less than a period after the window was up";
  platform.clock_ms = up + 500;
  form.OnTimer();
  EXPECT_EQ(module.TickCount, 1);
}

TEST_F(CountdownTest, TickTwentyExplodesThenRequestsTheShutdownAndEnds) {
  LoadForm();
  TickTo(19);
  const Hwnd hwnd = form.hWnd();

  // What the pump at tick 20 sees, what is on screen while the explosion
  // sound plays, and the keyboard gate when the shutdown is asked for.
  std::optional<Scene> at_pump, during_sound;
  std::optional<std::int16_t> armed_during_sound, armed_at_request;
  Queue([&] { at_pump = Now(); });
  platform.on_call.push_back([&](const FakeCall& call) {
    if (IsSyncSound(call)) {
      during_sound = Now();
      armed_during_sound = module.KeysArmed;
    }
    if (call.name == "ExitWindowsEx") armed_at_request = module.KeysArmed;
  });

  const CallSpan last = platform.Ending([&] { Tick(); });
  EXPECT_EQ(last.exit, 0U);

  EXPECT_EQ(
      last.Log({"PlaySoundA", "DispatchPendingMessages", "GetVersionExA", "GetCurrentProcess",
                "OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges", "CloseHandle",
                "ExitWindowsEx", "DestroyWindow", "ExitProcess", "MessageBoxW"}),
      (Lines{
          "DispatchPendingMessages()",
          "PlaySoundA(101,0,NODEFAULT|MEMORY)",
          "GetVersionExA(148)",
          "GetCurrentProcess()",
          "OpenProcessToken(-1,TOKEN_ALL_ACCESS_P)",
          "LookupPrivilegeValueA(0,\"SeShutdownPrivilege\")",
          "AdjustTokenPrivileges(1952,FALSE,1,19,0,SE_PRIVILEGE_ENABLED,0,0,0)",
          "CloseHandle(1952)",
          "ExitWindowsEx(EWX_SHUTDOWN,0)",
          "DestroyWindow(" + Logged(hwnd) + ")",
          "ExitProcess(0)",
      }));
  EXPECT_TRUE(SoundsFromCurrentBank(last));
  EXPECT_FALSE(form.IsLoaded());

  ASSERT_TRUE(at_pump.has_value());
  EXPECT_EQ(at_pump->digits_back, L"0");
  EXPECT_EQ(at_pump->digits_front, L"0");
  EXPECT_EQ(at_pump->form_picture, IDB_EXPLOSION);
  EXPECT_FALSE(at_pump->bomb_visible);
  ASSERT_TRUE(during_sound.has_value());
  EXPECT_EQ(during_sound->form_picture, IDB_EXPLOSION);
  EXPECT_EQ(armed_during_sound, kTrue);
  EXPECT_EQ(armed_at_request, kFalse);
  EXPECT_EQ(module.TickCount, 20);
}

// The request carries whatever ExitFlags holds at tick 20: the version's
// default (power-off on NT 5) or a restart chosen with Shift.
struct DetonationCase {
  std::uint32_t platform_id, major;
  bool shift_held;
  const char* request;  // ExitWindowsEx's flags
  bool privilege_step;
};

class DetonationFlagsTest : public Form1Test,
                            public ::testing::WithParamInterface<DetonationCase> {};

TEST_P(DetonationFlagsTest, RequestsTheChosenFlagsOnce) {
  const DetonationCase& c = GetParam();
  platform.version.dwPlatformId = c.platform_id;
  platform.version.dwMajorVersion = c.major;
  LoadForm();
  if (c.shift_held) PressKey(kVkShift, kShiftMask);
  TickTo(19);
  const CallSpan last = platform.Ending([&] { Tick(); });
  EXPECT_EQ(last.exit, 0U);
  EXPECT_EQ(last.Log({"ExitWindowsEx"}), Lines{"ExitWindowsEx(" + std::string(c.request) + ",0)"});
  EXPECT_EQ(last.Named("AdjustTokenPrivileges").size(), c.privilege_step ? 1U : 0U);
}

const DetonationCase kDetonations[] = {
    {2, 10, false, "EWX_SHUTDOWN", true}, {2, 5, false, "EWX_POWEROFF", true},
    {2, 4, false, "EWX_SHUTDOWN", true},  {1, 4, false, "EWX_SHUTDOWN", false},
    {2, 5, true, "EWX_REBOOT", true},     {1, 4, true, "EWX_REBOOT", false}};
INSTANTIATE_TEST_SUITE_P(Versions, DetonationFlagsTest, ::testing::ValuesIn(kDetonations));

TEST_F(CountdownTest, ARefusedShutdownStillUnloadsAndEnds) {
  platform.exit_windows_result = 0;
  LoadForm();
  TickTo(19);
  const std::string window = Logged(form.hWnd());
  const CallSpan last = platform.Ending([&] { Tick(); });
  EXPECT_EQ(last.exit, 0U);
  EXPECT_EQ(
      last.Log({"ExitWindowsEx", "DestroyWindow", "ExitProcess", "MessageBoxW"}),
      (Lines{"ExitWindowsEx(EWX_SHUTDOWN,0)", "DestroyWindow(" + window + ")", "ExitProcess(0)"}));
  EXPECT_FALSE(form.IsLoaded());
}

TEST_F(CountdownTest, ACountPastTheSixteenBitRangeIsAnOverflowThatEndsTheProgram) {
  LoadForm();
  module.TickCount = 32767;
  const Scene before = Now();
  const CallSpan tick = platform.Ending([&] { Tick(); });
  EXPECT_EQ(tick.exit, 1U);
  const auto boxes = platform.CallsNamed("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0]->text, L"Run-time error '6':\n\nOverflow");
  EXPECT_EQ(module.TickCount, 32767);
  EXPECT_EQ(Now(), before);
  EXPECT_TRUE(tick.Sounds().empty());
  EXPECT_TRUE(tick.Named("ExitWindowsEx").empty());
}

}  // namespace
}  // namespace tickbomb::testing
