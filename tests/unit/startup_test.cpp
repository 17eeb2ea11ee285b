#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/window_geometry.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

TEST_F(Form1Test, StartUpMakesItsCallsInOrder) {
  LoadForm();
  const std::vector<std::string> watched = {"PlaySoundA",   "GetVersionExA", "SetWindowLongA",
                                            "SetWindowPos", "CreateRectRgn", "CombineRgn",
                                            "SetWindowRgn"};
  const std::vector<std::string> log = platform.Log(watched);
  const auto hwnd = std::to_string(N(form.hWnd()));
  const auto moves = platform.CallsNamed("SetWindowPos");  // Left, Top, then the frame change
  ASSERT_EQ(moves.size(), 3U);
  const std::vector<std::string> expected = {
      "PlaySoundA(106,0,7)",
      "PlaySoundA(105,0,7)",
      "PlaySoundA(104,0,7)",
      "PlaySoundA(103,0,7)",
      "PlaySoundA(102,0,7)",
      "PlaySoundA(101,0,7)",
      "SetWindowPos(" + hwnd + ",0," + std::to_string(moves[0]->args[2]) + "," +
          std::to_string(moves[0]->args[3]) + ",0,0,21)",
      "SetWindowPos(" + hwnd + ",0," + std::to_string(moves[1]->args[2]) + "," +
          std::to_string(moves[1]->args[3]) + ",0,0,21)",
      "GetVersionExA(148)",
      "PlaySoundA(105,0,7)",
      "SetWindowLongA(" + hwnd + ",-16," +
          std::to_string(static_cast<std::int32_t>(0x02CF0000 & 0xFF30FFFF)) + ")",
      "SetWindowPos(" + hwnd + ",0,0,0,0,0,39)",
      "CreateRectRgn(0,0,435,407)",
      "CreateRectRgn(425,0,440,10)",
  };
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + expected.size()), expected);
  EXPECT_EQ(platform.CallsNamed("Rectangle").size(), 20U);
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::Center);
}

// ---------------------------------------------------------------- helpers

std::string Num(std::int64_t value) { return std::to_string(value); }

// The log lines of every call from `first` on, without the ones that only
// repaint or refresh the pointer.
std::vector<std::string> CallsFrom(const FakePlatform& platform, std::size_t first) {
  std::vector<std::string> lines;
  for (std::size_t i = first; i < platform.calls.size(); ++i) {
    const FakeCall& call = platform.calls[i];
    if (call.name == "InvalidateRect" || call.name == "UpdateWindow" ||
        call.name == "RefreshCursor") {
      continue;
    }
    lines.push_back(LogLine(call));
  }
  return lines;
}

std::int64_t ResultOf(const FakePlatform& platform, const std::string& name, std::size_t nth = 0) {
  const auto found = platform.CallsNamed(name);
  if (found.size() <= nth) return -1;
  return found[nth]->result;
}

// ---------------------------------------------------------------- the whole sequence

TEST_F(Form1Test, LoadCreatesTheWindowThenRunsStepsOneToFifteenInOrder) {
  platform.button_text_color = 0x0000FF;  // a red scheme: the shadows follow it
  LoadForm();
  for (const int shadow : {Label2_0, Label3_0, Label4_0}) {
    EXPECT_EQ(form.label(shadow).fore_color, 0x0000FFU) << "label " << shadow;
  }
  const std::int64_t hwnd = N(form.hWnd());
  const std::string H = Num(hwnd);
  std::vector<std::string> options;
  for (int i = 0; i < 5; ++i)
    options.push_back(Num(static_cast<std::int64_t>(form.option(i).hwnd)));
  const std::string brush = Num(ResultOf(platform, "CreateSolidBrush"));
  const std::string R = Num(ResultOf(platform, "CreateRectRgn", 0));
  const std::string A = Num(ResultOf(platform, "CreateRectRgn", 1));
  const std::string B = Num(ResultOf(platform, "CreateRectRgn", 2));
  const Rect outer = platform.window_rects[form.hWnd()];
  const std::vector<Rect> frames = ZoomRectangles(ZoomOrigin::Center, outer);

  const auto& created = *platform.CallsNamed("CreateFormWindow").at(0);
  EXPECT_EQ(created.text, L"カチコチボム");
  EXPECT_EQ(created.args[2] - created.args[0], 435);  // 427 x 380 client plus the frame
  EXPECT_EQ(created.args[3] - created.args[1], 407);
  const std::wstring captions[] = {L"Left", L"Left Corner", L"Form Center", L"Top", L"None"};
  const auto buttons = platform.CallsNamed("CreateOptionButton");
  ASSERT_EQ(buttons.size(), 5U);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(buttons[i]->text, captions[i]);
    EXPECT_EQ(buttons[i]->args[0], hwnd);
    EXPECT_EQ(buttons[i]->args[5], i == 0 ? 1 : 0) << "one group, starting at Left";
    // White, dark red (128, 0, 0), bold 11.25-point "ＭＳ Ｐゴシック".
    EXPECT_EQ(std::vector<std::int64_t>(buttons[i]->args.begin() + 6, buttons[i]->args.end()),
              (std::vector<std::int64_t>{0xFFFFFF, 0x000080, 700, 1125}));
    EXPECT_EQ(buttons[i]->title, L"ＭＳ Ｐゴシック");
  }

  // Once per process, before the first window: the common controls (for the
  // buttons and the message boxes) and what screen readers need.
  EXPECT_EQ(platform.Log({"InitCommonControls", "StartAccessibility", "CreateFormWindow"}),
            (std::vector<std::string>{"InitCommonControls()", "StartAccessibility()",
                                      platform.Log({"CreateFormWindow"}).at(0)}));
  // Neither the window nor its buttons take an input method. The six pictures
  // are decoded with the window, and the shadows' default colour is read from
  // the system, before the buttons are made.
  std::vector<std::string> expected = {"ImmAssociateContext(" + H + ",0)"};
  for (int id = 201; id <= 206; ++id) expected.push_back("LoadPicture(" + Num(id) + ")");
  for (int shadow = 0; shadow < 3; ++shadow) expected.push_back("GetSysColor(18)");
  for (const FakeCall* button : buttons) {
    std::string line = "CreateOptionButton(";
    for (std::size_t a = 0; a < button->args.size(); ++a)
      line += (a ? "," : "") + Num(button->args[a]);
    expected.push_back(line + ")");
    expected.push_back("ImmAssociateContext(" + Num(button->result) + ",0)");
  }
  expected.push_back("SendToOwnWindow(" + options[4] + ",241,1,0)");  // BM_SETCHECK: None
  for (const SoundEntry& sound : kSounds) {
    expected.push_back("ReadResource(" + Num(sound.id) + ",\"WAVE\")");
  }
  for (int id = 106; id >= 101; --id) expected.push_back("PlaySoundA(" + Num(id) + ",0,7)");
  const auto moves = platform.CallsNamed("SetWindowPos");
  ASSERT_EQ(moves.size(), 3U);  // Left, then Top, then the frame change
  expected.push_back("GetSystemMetrics(0)");
  expected.push_back("SetWindowPos(" + H + ",0," + Num(moves[0]->args[2]) + "," +
                     Num(moves[0]->args[3]) + ",0,0,21)");
  expected.push_back("GetSystemMetrics(1)");
  expected.push_back("SetWindowPos(" + H + ",0," + Num(moves[1]->args[2]) + "," +
                     Num(moves[1]->args[3]) + ",0,0,21)");
  expected.push_back("LoadCursorResource(101)");
  expected.push_back("GetVersionExA(148)");
  expected.push_back("PlaySoundA(105,0,7)");
  expected.push_back("GetWindowLongA(" + H + ",-16)");
  expected.push_back("SetWindowLongA(" + H + ",-16," + Num(0x02000000) + ")");
  expected.push_back("SetWindowPos(" + H + ",0,0,0,0,0,39)");
  expected.push_back("GetWindowRect(" + H + ")");
  expected.push_back("GetDC(0)");
  expected.push_back("CreateSolidBrush(" + Num(0xC0C0C0) + ")");
  expected.push_back("SelectObject(220," + brush + ")");
  for (const Rect& f : frames) {
    expected.push_back("Sleep(1)");
    expected.push_back("Rectangle(220," + Num(f.left) + "," + Num(f.top) + "," + Num(f.right) +
                       "," + Num(f.bottom) + ")");
  }
  expected.push_back("SelectObject(220,176)");  // the brush the screen had before
  expected.push_back("ReleaseDC(0,220)");
  expected.push_back("DeleteObject(" + brush + ")");
  expected.push_back("CreateRectRgn(0,0,435,407)");
  expected.push_back("CreateRectRgn(425,0,440,10)");
  expected.push_back("CombineRgn(" + R + "," + R + "," + A + ",3)");
  expected.push_back("DeleteObject(" + A + ")");
  expected.push_back("CreateRectRgn(0,397,10,435)");
  expected.push_back("CombineRgn(" + R + "," + R + "," + B + ",3)");
  expected.push_back("DeleteObject(" + B + ")");
  expected.push_back("ShowWindow(" + H + ",0)");
  expected.push_back("ShowWindow(" + H + ",5)");
  expected.push_back("SetWindowRgn(" + H + "," + R + ",1)");
  expected.push_back("SetFocus(" + options[4] + ")");  // the window is active: None has the focus
  expected.push_back("SetTimer(" + H + ",1,500)");     // Timer1, once the window is up

  EXPECT_EQ(CallsFrom(platform, 3), expected);
  EXPECT_EQ(frames.size(), 20U);
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(module.KeysArmed, -1);
  EXPECT_EQ(module.FormRegion, static_cast<Hrgn>(std::stoll(R)));
  // The region went to the window; the brush and the two cut pieces are gone.
  EXPECT_TRUE(platform.live_gdi_objects.empty());
  EXPECT_EQ(platform.window_regions[form.hWnd()], static_cast<Hrgn>(std::stoll(R)));
  EXPECT_EQ(platform.timers.at(1), 500U);
}

TEST_F(Form1Test, PlaysSixDifferentBuffersThenFanfareFromTheSameArray) {
  LoadForm();
  const std::vector<const std::uint8_t*> played = platform.PlayedBuffers();
  ASSERT_EQ(played.size(), 7U);
  EXPECT_EQ(std::set<const std::uint8_t*>(played.begin(), played.begin() + 6).size(), 6U);
  const int order[] = {106, 105, 104, 103, 102, 101, 105};
  for (int i = 0; i < 7; ++i) {
    // Element 0 of the array the bank holds, with that resource's whole bytes.
    const WaveArray& wave = module.Waves.Wave(order[i]);
    EXPECT_EQ(played[i], wave.data()) << "play " << i;
    EXPECT_EQ(wave, SyntheticWave(order[i]));
  }
}

TEST_F(Form1Test, StatesChangeBetweenTheRightCalls) {
  // A reload with restart chosen, the keys disarmed and a countdown under way.
  LoadForm();
  form.OpenFrom = ZoomOrigin::TopEdge;
  form.Unload();
  module.ExitFlags = win::EWX_REBOOT;
  module.KeysArmed = kFalse;
  module.TickCount = 17;
  platform.version.dwMajorVersion = 5;  // power-off from now on

  struct Seen {
    std::int16_t open_from = -1, keys_armed = 99, tick_count = -1;
    std::uint32_t exit_flags = 99, default_flags = 99;
    Hrgn region{};
  } at_version, at_fanfare, at_first_rectangle, at_set_region;
  int plays = 0;
  platform.on_call.push_back([&](const FakeCall& call) {
    const Seen now{static_cast<std::int16_t>(form.OpenFrom),
                   module.KeysArmed,
                   module.TickCount,
                   module.ExitFlags,
                   module.DefaultExitFlags,
                   module.FormRegion};
    if (call.name == "GetVersionExA") at_version = now;
    if (call.name == "PlaySoundA" && ++plays == 7) at_fanfare = now;
    if (call.name == "Rectangle" && at_first_rectangle.open_from == -1) at_first_rectangle = now;
    if (call.name == "SetWindowRgn") at_set_region = now;
  });
  LoadForm();
  platform.on_call.clear();

  EXPECT_EQ(at_version.keys_armed, kFalse);         // step 10 comes later
  EXPECT_EQ(at_version.default_flags, 1U);          // the probe has not answered yet
  EXPECT_EQ(at_fanfare.default_flags, 8U);          // step 6 before step 8
  EXPECT_EQ(at_fanfare.open_from, 3);               // kept, not reset to 2
  EXPECT_EQ(at_first_rectangle.keys_armed, kTrue);  // step 10 before the animation
  EXPECT_EQ(at_first_rectangle.exit_flags, 8U);     // restart choice cancelled
  EXPECT_EQ(at_set_region.tick_count, 17);          // step 15 is last
  EXPECT_EQ(at_set_region.region, static_cast<Hrgn>(ResultOf(platform, "CreateRectRgn", 3)));
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(module.ExitFlags, 8U);
  EXPECT_EQ(module.KeysArmed, kTrue);
}

// ---------------------------------------------------------------- the version probe

struct ProbeRow {
  std::uint32_t platform_id, major;
  bool call_fails;
  std::uint32_t default_flags;
};

class VersionProbe : public Form1Test, public ::testing::WithParamInterface<ProbeRow> {};

TEST_P(VersionProbe, SetsBothFlagsFromTheRecord) {
  const ProbeRow& row = GetParam();
  platform.version.dwPlatformId = row.platform_id;
  platform.version.dwMajorVersion = row.major;
  platform.version_call_fails = row.call_fails;
  module.DefaultExitFlags = 8;  // left over from an earlier start
  LoadForm();
  EXPECT_EQ(module.DefaultExitFlags, row.default_flags);
  EXPECT_EQ(module.ExitFlags, row.default_flags);

  // The record went in zero-filled, with only its size set.
  const OsVersionInfoA& sent = platform.version_request;
  EXPECT_EQ(sent.dwOSVersionInfoSize, 148U);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&sent);
  EXPECT_TRUE(std::all_of(bytes + 4, bytes + sizeof sent, [](unsigned char b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Records, VersionProbe,
    ::testing::Values(ProbeRow{2, 5, false, 8},                             // XP: power off
                      ProbeRow{2, 4, false, 1},                             // NT 4
                      ProbeRow{2, 6, false, 1},                             // Vista and later
                      ProbeRow{2, 10, false, 1}, ProbeRow{1, 4, false, 1},  // 98
                      ProbeRow{0, 5, false, 1},                             // Win32s
                      // A failed call leaves the zero-filled record: platform 0.
                      ProbeRow{2, 5, true, 1}));

TEST_F(Form1Test, UnknownPlatformLeavesTheFlagsAtZeroOnTheFirstStart) {
  platform.version.dwPlatformId = 3;
  platform.version.dwMajorVersion = 5;
  LoadForm();
  EXPECT_EQ(module.DefaultExitFlags, 0U);
  EXPECT_EQ(module.ExitFlags, 0U);
}

TEST_F(Form1Test, UnknownPlatformKeepsThePreviousFlagsOnAReload) {
  platform.version.dwMajorVersion = 5;
  LoadForm();
  ASSERT_EQ(module.DefaultExitFlags, 8U);
  platform.version.dwPlatformId = 3;
  module.ExitFlags = win::EWX_REBOOT;
  form.Unload();
  LoadForm();
  EXPECT_EQ(module.DefaultExitFlags, 8U);
  EXPECT_EQ(module.ExitFlags, 8U);
}

// ---------------------------------------------------------------- frame stripping

struct StyleRow {
  std::uint32_t before, after;
};

class FrameStripping : public Form1Test, public ::testing::WithParamInterface<StyleRow> {};

TEST_P(FrameStripping, ClearsOnlyTheFrameBits) {
  platform.initial_style = GetParam().before;
  LoadForm();
  const auto writes = platform.CallsNamed("SetWindowLongA");
  ASSERT_EQ(writes.size(), 1U);
  EXPECT_EQ(writes[0]->args[1], -16);
  EXPECT_EQ(static_cast<std::uint32_t>(writes[0]->args[2]), GetParam().after);
  // The placement's two moves (SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE), then the frame change.
  const auto pos = platform.CallsNamed("SetWindowPos");
  ASSERT_EQ(pos.size(), 3U);
  EXPECT_EQ(pos[0]->args.back(), 0x15);
  EXPECT_EQ(pos[1]->args.back(), 0x15);
  EXPECT_EQ(pos[2]->args, (std::vector<std::int64_t>{N(form.hWnd()), 0, 0, 0, 0, 0, 0x27}));
}

INSTANTIATE_TEST_SUITE_P(
    Styles, FrameStripping,
    ::testing::Values(StyleRow{0x02CF0000, 0x02000000},  // overlapped window, clip children
                      StyleRow{0xFFFFFFFF, 0xFF30FFFF},  // every other bit survives
                      StyleRow{0x16CF0000, 0x16000000},  // visible, clip siblings
                      StyleRow{0x0030FFFF, 0x0030FFFF},  // the scroll bars are not frame bits
                      StyleRow{0x00000000, 0x00000000}));

// ---------------------------------------------------------------- OpenFrom

TEST_F(Form1Test, FirstStartZoomsFromTheCentreAndKeepsIt) {
  ASSERT_EQ(form.OpenFrom, ZoomOrigin::NotChosen);
  LoadForm();
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::Center);
  const auto rects = platform.CallsNamed("Rectangle");
  ASSERT_EQ(rects.size(), 20U);
  // Frame 0 is a point at the centre of the window rectangle.
  const Rect w = platform.window_rects[form.hWnd()];
  EXPECT_EQ(rects[0]->args[1], rects[0]->args[3]);
  EXPECT_EQ(rects[0]->args[2], rects[0]->args[4]);
  EXPECT_NEAR(static_cast<double>(rects[0]->args[1]), (w.left + w.right) / 2.0, 0.5);
  EXPECT_NEAR(static_cast<double>(rects[0]->args[2]), (w.top + w.bottom) / 2.0, 0.5);
}

class ReloadOrigin : public Form1Test, public ::testing::WithParamInterface<ZoomOrigin> {};

TEST_P(ReloadOrigin, IsKeptAndDrivesTheAnimation) {
  LoadForm();
  const ZoomOrigin origin = GetParam();
  form.OpenFrom = origin;
  form.Unload();
  platform.ClearCalls();
  LoadForm();
  EXPECT_EQ(form.OpenFrom, origin);
  const Rect w = platform.window_rects[form.hWnd()];
  const auto rects = platform.CallsNamed("Rectangle");
  ASSERT_EQ(rects.size(), 20U);
  const std::vector<Rect> frames = ZoomRectangles(origin, w);
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(rects[i]->args, (std::vector<std::int64_t>{0xDC, frames[i].left, frames[i].top,
                                                         frames[i].right, frames[i].bottom}))
        << "frame " << i;
  }
  // A glance at the shape of the last frame, independent of the arithmetic.
  const auto& last = rects.back()->args;
  switch (origin) {
    case ZoomOrigin::TopLeft:
      EXPECT_EQ(last[1], w.left);
      EXPECT_EQ(last[2], w.top);
      break;
    case ZoomOrigin::TopEdge:
      EXPECT_EQ(last[3], w.right);
      EXPECT_LT(last[4], w.bottom);
      break;
    case ZoomOrigin::LeftEdge:
      EXPECT_EQ(last[4], w.bottom);
      EXPECT_LT(last[3], w.right);
      break;
    default:
      EXPECT_GT(last[1], w.left);
      EXPECT_LT(last[3], w.right);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(FourOrigins, ReloadOrigin,
                         ::testing::Values(ZoomOrigin::TopLeft, ZoomOrigin::Center,
                                           ZoomOrigin::TopEdge, ZoomOrigin::LeftEdge));

// ---------------------------------------------------------------- ZoomOpen on its own

TEST_F(Form1Test, ZoomOpenReleasesWhatItDrewWithAndSelectsNone) {
  LoadForm();
  form.SetOptionValue(OptTop, true);
  platform.ClearCalls();
  form.ZoomOpen(form.OpenFrom);

  const auto names = [&] {
    std::vector<std::string> out;
    for (const FakeCall& call : platform.calls) out.push_back(call.name);
    return out;
  }();
  std::vector<std::string> expected = {"GetWindowRect", "GetDC", "CreateSolidBrush",
                                       "SelectObject"};
  for (int i = 0; i < 20; ++i) {
    expected.push_back("Sleep");
    expected.push_back("Rectangle");
  }
  for (const char* name :
       {"SelectObject", "ReleaseDC", "DeleteObject", "SendToOwnWindow", "SendToOwnWindow"}) {
    expected.push_back(name);
  }
  EXPECT_EQ(names, expected);
  const std::int64_t brush = ResultOf(platform, "CreateSolidBrush");
  EXPECT_EQ(platform.calls[2].args, (std::vector<std::int64_t>{0xC0C0C0}));
  EXPECT_EQ(platform.calls[3].args, (std::vector<std::int64_t>{0xDC, brush}));
  EXPECT_EQ(platform.calls[44].args, (std::vector<std::int64_t>{0xDC, 0xB0}));
  EXPECT_EQ(platform.calls[45].args, (std::vector<std::int64_t>{0, 0xDC}));
  EXPECT_EQ(platform.calls[46].args, (std::vector<std::int64_t>{brush}));
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_FALSE(form.option(OptTop).value);
  EXPECT_TRUE(platform.checked[form.option(OptNone).hwnd]);
  EXPECT_FALSE(platform.checked[form.option(OptTop).hwnd]);
  EXPECT_TRUE(platform.live_gdi_objects.empty());
}

// ---------------------------------------------------------------- placement

// Also where the fine counter fails: the generator is then reseeded from the
// system tick, never from a reading that is not a number.
class Placement : public Form1Test, public ::testing::WithParamInterface<double> {};

TEST_P(Placement, PutsTheWindowWhollyOnTheScreen) {
  if (!std::isfinite(GetParam())) {
    platform.counter = [](double) { return GetParam(); };
  }
  std::set<int> lefts;
  for (int run = 0; run < 8; ++run) {
    platform.clock_ms = 1000.0 + 137.25 * run;  // the generator is reseeded from the clock
    form.Unload();
    LoadForm();
    lefts.insert(form.Left());
    EXPECT_GE(form.Left(), 0);
    EXPECT_LE(form.Left(), 1280 * 15 - form.Width());
    EXPECT_GE(form.Top(), 0);
    EXPECT_LE(form.Top(), 1024 * 15 - form.Height());
    // The animation runs over the moved window.
    const Rect w = platform.window_rects[form.hWnd()];
    EXPECT_EQ(w.left, (form.Left() * 2 + 15) / 30);
  }
  EXPECT_GT(lefts.size(), 1U) << "every start-up lands at the same place";
}

INSTANTIATE_TEST_SUITE_P(Counters, Placement,
                         ::testing::Values(0.0, std::numeric_limits<double>::quiet_NaN(),
                                           std::numeric_limits<double>::infinity()));

TEST_F(Form1Test, AScreenSmallerThanTheWindowGivesNegativePositions) {
  platform.screen_width = 400;   // 6000 twips, the window is 6525
  platform.screen_height = 300;  // 4500 twips, the window is 6105
  LoadForm();
  EXPECT_LE(form.Left(), 0);
  EXPECT_GT(form.Left(), 6000 - 6525 - 1);
  EXPECT_LE(form.Top(), 0);
  EXPECT_GT(form.Top(), 4500 - 6105 - 1);
  EXPECT_TRUE(form.IsLoaded());
}

// ---------------------------------------------------------------- the shape

TEST_F(Form1Test, TheShapeCutsTheTwoStripCorners) {
  LoadForm();
  const Hrgn region = platform.window_regions.at(form.hWnd());
  struct Pixel {
    int x, y;
    bool shown;
  };
  const Pixel pixels[] = {
      {0, 0, true},    {424, 0, true},   {425, 0, false},  {434, 9, false}, {434, 10, true},
      {425, 10, true}, {434, 406, true}, {0, 396, true},   {0, 397, false}, {9, 406, false},
      {10, 397, true}, {10, 406, true},  {200, 200, true}, {435, 0, false}, {0, 407, false},
  };
  for (const Pixel& p : pixels) {
    const bool inside_window = p.x < 435 && p.y < 407;
    EXPECT_EQ(platform.RegionContains(region, p.x, p.y) && inside_window, p.shown)
        << "(" << p.x << ", " << p.y << ")";
  }
}

// Form1 with another client size, to see the cuts fall outside a small window.
class ResizedForm1 : public Form1 {
 public:
  ResizedForm1(FakePlatform& platform, Module1& module, int client_width_twips,
               int client_height_twips)
      : Form1(platform, platform, module),
        width_(client_width_twips),
        height_(client_height_twips) {}

 protected:
  forms::FormDesign Design() const override {
    forms::FormDesign design = Form1Design();
    design.client_width = width_;
    design.client_height = height_;
    return design;
  }

 private:
  int width_, height_;
};

TEST(StartUpShape, AWindowNoLargerThanThePictureKeepsEveryPixel) {
  FakePlatform platform;
  Module1 module;
  // 417 + 8 = 425 pixels wide, 370 + 27 = 397 pixels high.
  ResizedForm1 form(platform, module, 417 * 15, 370 * 15);
  form.Load();
  ASSERT_TRUE(form.IsLoaded());
  EXPECT_EQ(platform.CallsNamed("CreateRectRgn").at(0)->args,
            (std::vector<std::int64_t>{0, 0, 425, 397}));
  const Hrgn region = platform.window_regions.at(form.hWnd());
  int hidden = 0;
  for (int y = 0; y < 397; ++y) {
    for (int x = 0; x < 425; ++x) hidden += platform.RegionContains(region, x, y) ? 0 : 1;
  }
  EXPECT_EQ(hidden, 0);
}

TEST(StartUpShape, ATallNarrowWindowLosesOnlyTheBottomLeftCorner) {
  FakePlatform platform;
  Module1 module;
  ResizedForm1 form(platform, module, 417 * 15, 380 * 15);  // 425 x 407
  form.Load();
  const Hrgn region = platform.window_regions.at(form.hWnd());
  int hidden = 0;
  for (int y = 0; y < 407; ++y) {
    for (int x = 0; x < 425; ++x) {
      const bool shown = platform.RegionContains(region, x, y);
      hidden += shown ? 0 : 1;
      if (!shown) {
        EXPECT_TRUE(x < 10 && y >= 397) << "(" << x << ", " << y << ")";
      }
    }
  }
  EXPECT_EQ(hidden, 100);
}

TEST_F(Form1Test, TheRegionIsNeverDeletedAfterTheWindowGotIt) {
  LoadForm();
  const Hrgn first = platform.window_regions.at(form.hWnd());
  form.OpenFrom = ZoomOrigin::TopLeft;
  form.Unload();
  LoadForm();
  for (const FakeCall* call : platform.CallsNamed("DeleteObject")) {
    EXPECT_NE(call->args[0], N(first));
  }
  EXPECT_TRUE(platform.live_gdi_objects.empty());
}

// ---------------------------------------------------------------- run-time errors

// The report the program ends with, and that it ended.
void ExpectEndedWithReport(const FakePlatform& platform, int number, const std::wstring& name) {
  const auto boxes = platform.CallsNamed("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1U);
  const std::wstring prefix = L"Run-time error '" + std::to_wstring(number) + L"'";
  EXPECT_EQ(boxes[0]->text.rfind(prefix, 0), 0U);
  EXPECT_NE(boxes[0]->text.find(name), std::wstring::npos);
  ASSERT_FALSE(platform.calls.empty());
  EXPECT_EQ(platform.calls.back().name, "ExitProcess");
  EXPECT_NE(platform.calls.back().args.at(0), 0);
}

class MissingWave : public Form1Test, public ::testing::WithParamInterface<int> {};

TEST_P(MissingWave, EndsTheProgramWithAReportBeforeAnySound) {
  platform.waves.erase(GetParam());
  EXPECT_TRUE(Ends([&] { form.Load(); }));
  ExpectEndedWithReport(platform, 326, L"Resource");
  EXPECT_TRUE(platform.CallsNamed("PlaySoundA").empty());
  EXPECT_TRUE(platform.CallsNamed("GetVersionExA").empty());
}

INSTANTIATE_TEST_SUITE_P(EachId, MissingWave, ::testing::Values(101, 103, 106));

TEST_F(Form1Test, AnEmptyWaveIsASubscriptError) {
  platform.waves[104].clear();  // the array has no element 0
  EXPECT_TRUE(Ends([&] { form.Load(); }));
  ExpectEndedWithReport(platform, 9, L"Subscript out of range");
  EXPECT_EQ(platform.CallsNamed("PlaySoundA").size(), 2U);  // 106 and 105 went out
}

TEST_F(Form1Test, AMissingCursorEndsTheProgramAfterTheSounds) {
  platform.missing_cursors = {101};
  EXPECT_TRUE(Ends([&] { form.Load(); }));
  ExpectEndedWithReport(platform, 326, L"Resource");
  EXPECT_EQ(platform.CallsNamed("PlaySoundA").size(), 6U);
  EXPECT_TRUE(platform.CallsNamed("GetVersionExA").empty());
}

TEST_F(Form1Test, AnOverflowingWindowRectangleEndsTheProgramBeforeTheAnimation) {
  platform.window_rect_answer = Rect{-10, 0, std::numeric_limits<std::int32_t>::max(), 100};
  EXPECT_TRUE(Ends([&] { form.Load(); }));
  ExpectEndedWithReport(platform, 6, L"Overflow");
  EXPECT_TRUE(platform.CallsNamed("Rectangle").empty());
  EXPECT_TRUE(platform.CallsNamed("CreateRectRgn").empty());
}

TEST_F(Form1Test, AMissingWaveOnAReloadAlsoEndsTheProgram) {
  LoadForm();
  platform.waves.erase(102);
  platform.focus = form.option(OptNone).hwnd;
  EXPECT_TRUE(Ends([&] { form.OnKeyDown(forms::kVkDown, 0, false); }));  // None -> Left: re-open
  ExpectEndedWithReport(platform, 326, L"Resource");
}

}  // namespace
}  // namespace tickbomb::testing
