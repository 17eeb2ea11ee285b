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

// ---------------------------------------------------------------- helpers

std::string Num(std::int64_t value) { return std::to_string(value); }

// The log lines of every call from `first` on, without the ones that only
// repaint or refresh the pointer.
Lines CallsFrom(const FakePlatform& platform, std::size_t first) {
  Lines lines = platform.From(first).Log();
  std::erase_if(lines, [](const std::string& line) {
    return line.starts_with("InvalidateRect(") || line.starts_with("UpdateWindow(") ||
           line.starts_with("RefreshCursor(");
  });
  return lines;
}

std::int64_t ResultOf(const FakePlatform& platform, const std::string& name, std::size_t nth = 0) {
  const auto found = platform.CallsNamed(name);
  if (found.size() <= nth) return -1;
  return found[nth]->result;
}

// ---------------------------------------------------------------- the whole sequence

TEST_F(Form1Test, LoadCreatesTheWindowThenRunsTheStartUpInOrder) {
  platform.button_text_color = 0x0000FF;  // a red scheme: the shadows follow it
  LoadForm();
  for (const int shadow : {Label2_0, Label3_0, Label4_0}) {
    EXPECT_EQ(form.label(shadow).fore_color, 0x0000FFU) << "label " << shadow;
  }
  const std::string H = Logged(form.hWnd());
  const std::string brush = Num(ResultOf(platform, "CreateSolidBrush"));
  const std::string R = Num(ResultOf(platform, "CreateRectRgn", 0));
  const std::string A = Num(ResultOf(platform, "CreateRectRgn", 1));
  const std::string B = Num(ResultOf(platform, "CreateRectRgn", 2));
  const std::vector<Rect> frames =
      ZoomRectangles(ZoomOrigin::Center, platform.window_rects[form.hWnd()]);
  const auto moves = platform.CallsNamed("SetWindowPos");
  ASSERT_EQ(moves.size(), 3U);  // left, then top, then the frame change
  const auto placed = [&](const FakeCall* move) {
    return "SetWindowPos(" + H + ",0," + Num(move->args[2]) + "," + Num(move->args[3]) +
           ",0,0,NOSIZE|NOZORDER|NOACTIVATE)";
  };

  const auto& created = *platform.CallsNamed("CreateFormWindow").at(0);
  EXPECT_EQ(created.text, L"カチコチボム");
  EXPECT_EQ(created.args[2] - created.args[0], 435);  // 427 x 380 client plus the frame
  EXPECT_EQ(created.args[3] - created.args[1], 407);
  const std::wstring captions[] = {L"Left", L"Left Corner", L"Form Center", L"Top", L"None"};
  const auto buttons = platform.CallsNamed("CreateOptionButton");
  ASSERT_EQ(buttons.size(), 5U);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(buttons[i]->text, captions[i]);
    EXPECT_EQ(buttons[i]->args[0], N(form.hWnd()));
    EXPECT_EQ(buttons[i]->args[5], i == 0 ? 1 : 0) << "one group, starting at Left";
    // White, dark red (128, 0, 0), bold 11.25-point "ＭＳ Ｐゴシック".
    EXPECT_EQ(std::vector<std::int64_t>(buttons[i]->args.begin() + 6, buttons[i]->args.end()),
              (std::vector<std::int64_t>{0xFFFFFF, 0x000080, 700, 1125}));
    EXPECT_EQ(buttons[i]->title, L"ＭＳ Ｐゴシック");
  }

  // Once per process, before the first window: the common controls (for the
  // buttons and the message boxes) and what screen readers need.
  EXPECT_EQ(platform.Log({"InitCommonControls", "StartAccessibility", "CreateFormWindow"}),
            (Lines{"InitCommonControls()", "StartAccessibility()",
                   platform.Log({"CreateFormWindow"}).at(0)}));
  // Neither the window nor its buttons take an input method. The six pictures
  // are decoded with the window, and the shadows' default colour is read from
  // the system, before the buttons are made.
  Lines expected;
  const auto add = [&](std::initializer_list<std::string> lines) {
    expected.insert(expected.end(), lines);
  };
  add({"ImmAssociateContext(" + H + ",0)"});
  for (int id = 201; id <= 206; ++id) add({"LoadPicture(" + Num(id) + ")"});
  for (int shadow = 0; shadow < 3; ++shadow) add({"GetSysColor(COLOR_BTNTEXT)"});
  for (const auto* b : buttons) add({LogLine(*b), "ImmAssociateContext(" + Num(b->result) + ",0)"});
  const std::string none = Logged(form.option(OptNone).hwnd);
  add({"SendToOwnWindow(" + none + ",BM_SETCHECK,BST_CHECKED,0)"});
  // Then Form_Load: the sound bank loaded, and the warm-up.
  for (const SoundEntry& sound : kSounds) add({"ReadResource(" + Num(sound.id) + ",\"WAVE\")"});
  for (int id = 106; id >= 101; --id) add({"PlaySoundA(" + Num(id) + ",0,ASYNC|NODEFAULT|MEMORY)"});
  // The placement, left then top; the bomb's finger, the version probe and the fanfare.
  add({"GetSystemMetrics(SM_CXSCREEN)", placed(moves[0]), "GetSystemMetrics(SM_CYSCREEN)",
       placed(moves[1]), "LoadCursorResource(101)", "GetVersionExA(148)",
       "PlaySoundA(105,0,ASYNC|NODEFAULT|MEMORY)"});
  // The frame stripped: of the style's bits the window keeps WS_CLIPCHILDREN.
  add({"GetWindowLongA(" + H + ",GWL_STYLE)", "SetWindowLongA(" + H + ",GWL_STYLE,WS_CLIPCHILDREN)",
       "SetWindowPos(" + H + ",0,0,0,0,0,NOSIZE|NOMOVE|NOZORDER|FRAMECHANGED)"});
  // The opening animation, in grey on the screen, then the brush the screen had.
  add({"GetWindowRect(" + H + ")", "GetDC(0)", "CreateSolidBrush(" + Num(0xC0C0C0) + ")",
       "SelectObject(220," + brush + ")"});
  for (const Rect& f : frames) {
    add({"Sleep(1)", "Rectangle(220," + Num(f.left) + "," + Num(f.top) + "," + Num(f.right) + "," +
                         Num(f.bottom) + ")"});
  }
  add({"SelectObject(220,176)", "ReleaseDC(0,220)", "DeleteObject(" + brush + ")"});
  // The shape cut and the window shown.
  add({"CreateRectRgn(0,0,435,407)", "CreateRectRgn(425,0,440,10)",
       "CombineRgn(" + R + "," + R + "," + A + ",RGN_XOR)", "DeleteObject(" + A + ")",
       "CreateRectRgn(0,397,10,435)", "CombineRgn(" + R + "," + R + "," + B + ",RGN_XOR)",
       "DeleteObject(" + B + ")", "ShowWindow(" + H + ",SW_HIDE)", "ShowWindow(" + H + ",SW_SHOW)",
       "SetWindowRgn(" + H + "," + R + ",TRUE)"});
  // Once the window is up: None has the focus, and Timer1 starts.
  add({"SetFocus(" + none + ")", "SetTimer(" + H + ",1,500)"});
  EXPECT_EQ(CallsFrom(platform, 3), expected);
  EXPECT_EQ(platform.CallsNamed("Rectangle").size(), 20U);
  EXPECT_EQ(frames.size(), 20U);

  // Where the start-up leaves the program: the countdown reset, the keys
  // armed, the action the version's default, the bank and the finger loaded
  // once, None selected and focused, the window shaped, Timer1 running.
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(module.KeysArmed, kTrue);
  EXPECT_EQ(module.ExitFlags, module.DefaultExitFlags);
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::Center);
  EXPECT_EQ(module.Waves.RetiredBanks(), 0U);
  EXPECT_EQ(platform.live_cursors.size(), 1U);
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
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

  EXPECT_EQ(at_version.keys_armed, kFalse);         // the keys are armed after the probe
  EXPECT_EQ(at_version.default_flags, 1U);          // the probe has not answered yet
  EXPECT_EQ(at_fanfare.default_flags, 8U);          // the version probe before the fanfare
  EXPECT_EQ(at_fanfare.open_from, 3);               // the origin kept, not reset to 2
  EXPECT_EQ(at_first_rectangle.keys_armed, kTrue);  // the keys armed before the animation
  EXPECT_EQ(at_first_rectangle.exit_flags, 8U);     // and the restart choice undone
  EXPECT_EQ(at_set_region.tick_count, 17);          // the countdown reset after the shape
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
  EXPECT_EQ(LogArgument(*writes[0], 1), "GWL_STYLE");
  EXPECT_EQ(static_cast<std::uint32_t>(writes[0]->args[2]), GetParam().after);
  // The placement's two moves, then the frame change.
  const auto pos = platform.CallsNamed("SetWindowPos");
  ASSERT_EQ(pos.size(), 3U);
  EXPECT_EQ(LogArgument(*pos[0], 6), "NOSIZE|NOZORDER|NOACTIVATE");
  EXPECT_EQ(LogArgument(*pos[1], 6), "NOSIZE|NOZORDER|NOACTIVATE");
  EXPECT_EQ(LogLine(*pos[2]), "SetWindowPos(" + Logged(form.hWnd()) +
                                  ",0,0,0,0,0,NOSIZE|NOMOVE|NOZORDER|FRAMECHANGED)");
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
