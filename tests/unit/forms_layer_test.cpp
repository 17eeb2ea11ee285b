// The forms layer: a form that outlives its window, unload and reload from
// inside the form's own handlers, the option group and its keys, KeyPreview,
// where mouse moves go, what the paint draws, and the sound bank that keeps
// the arrays a sound may still be playing from.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/forms/runtime_error.h"
#include "assets/resource_ids.h"
#include "tests/unit/form1_fixture.h"
#include "tests/unit/recording_form.h"

namespace tickbomb::testing {
namespace {

using forms::kVkDown;
using forms::kVkLeft;
using forms::kVkRight;
using forms::kVkUp;

// True if any call after the DestroyWindow of `hwnd` names it as its first argument.
bool TouchedAfterDestruction(const FakePlatform& platform, Hwnd hwnd) {
  bool destroyed = false;
  for (const FakeCall& call : platform.calls) {
    const bool names_it = !call.args.empty() && call.args[0] == static_cast<std::int64_t>(hwnd);
    if (destroyed && names_it) return true;
    if (call.name == "DestroyWindow" && names_it) destroyed = true;
  }
  return false;
}

std::vector<Hwnd> OptionWindows(const forms::Form& form) {
  std::vector<Hwnd> windows;
  for (int i = 0; i < 5; ++i) windows.push_back(form.option(i).hwnd);
  return windows;
}

using Box = std::array<int, 4>;
Box BoxOf(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
Box Placement(int left, int top, int width, int height) { return {left, top, width, height}; }

// Everything the design decides, compared control by control.
void ExpectSameState(const forms::Form& actual, const forms::Form& fresh) {
  for (int i = 0; i < kLabelCount; ++i) {
    const forms::Label& a = actual.label(i);
    const forms::Label& b = fresh.label(i);
    EXPECT_EQ(a.caption, b.caption) << "label " << i;
    EXPECT_EQ(a.fore_color, b.fore_color) << "label " << i;
    EXPECT_EQ(a.visible, b.visible) << "label " << i;
    EXPECT_EQ(Placement(a.left, a.top, a.width, a.height),
              Placement(b.left, b.top, b.width, b.height))
        << "label " << i;
  }
  for (int i = 0; i < 5; ++i) {
    const forms::Image& a = actual.image(i);
    const forms::Image& b = fresh.image(i);
    EXPECT_EQ(a.picture, b.picture) << "image " << i;
    EXPECT_EQ(a.visible, b.visible) << "image " << i;
    EXPECT_EQ(Placement(a.left, a.top, a.width, a.height),
              Placement(b.left, b.top, b.width, b.height))
        << "image " << i;
    EXPECT_EQ(actual.option(i).value, fresh.option(i).value) << "option " << i;
  }
  EXPECT_EQ(actual.GetPicture(), fresh.GetPicture());
  EXPECT_EQ(actual.timer().enabled, fresh.timer().enabled);
  EXPECT_EQ(actual.timer().interval, fresh.timer().interval);
}

// ================================================================ lifecycle

TEST_F(Form1Test, UnloadThenLoadBuildsEveryControlAfreshFromTheDesign) {
  LoadForm();
  const Hwnd old_window = form.hWnd();
  const std::vector<Hwnd> old_options = OptionWindows(form);
  // Everything the running program changes.
  form.SetLabelCaption(Label2_1, L"3");
  form.SetLabelCaption(Label1_0, text::kUntilRestart);
  form.SetLabelForeColor(Label2_1, 255);
  form.SetLabelLeft(Label2_0, 3690);
  form.SetLabelTop(Label2_0, 4420);
  form.SetLabelVisible(Label3_0, false);
  form.SetLabelVisible(Label4_1, false);
  form.SetImagePicture(Image1, form.image(Image2_1).picture);
  form.SetImageVisible(Image1, false);
  form.SetImageMouseIcon(Image1, IDC_FINGER_PRESSED);
  form.SetPicture(form.image(Image2_3).picture);
  form.SetTimerEnabled(false);
  form.SetOptionValue(OptTop, true);
  form.OpenFrom = ZoomOrigin::LeftEdge;

  form.Unload();
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_TRUE(IsNull(form.hWnd()));
  EXPECT_TRUE(platform.live_windows.empty());
  EXPECT_TRUE(platform.live_cursors.empty()) << "the control's cursor went with it";
  EXPECT_TRUE(platform.live_bitmaps.empty()) << "and the pictures";
  EXPECT_TRUE(platform.timers.empty());
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::LeftEdge);

  platform.ClearCalls();
  LoadForm();
  EXPECT_NE(form.hWnd(), old_window);
  for (Hwnd old : old_options) {
    EXPECT_EQ(std::count(platform.live_windows.begin(), platform.live_windows.end(), old), 0);
  }
  EXPECT_EQ(platform.live_windows.size(), 6U);  // the form and its five buttons

  FakePlatform other_platform;
  Module1 other_module;
  Form1 fresh(other_platform, other_platform, other_module);
  fresh.Load();
  ExpectSameState(form, fresh);

  // The same facts, spelt out.
  EXPECT_EQ(form.label(Label2_0).caption, L"10");
  EXPECT_EQ(form.label(Label2_1).caption, L"10");
  EXPECT_EQ(form.label(Label2_1).fore_color, 0x00FFFFU);
  EXPECT_EQ(form.label(Label1_0).caption, text::kUntilShutdown);
  EXPECT_EQ(form.label(Label2_0).left, 3810);
  EXPECT_TRUE(form.label(Label3_0).visible);
  EXPECT_TRUE(form.image(Image1).visible);
  EXPECT_EQ(form.image(Image1).picture.id, IDB_BOMB);
  EXPECT_EQ(form.GetPicture().id, IDB_SCENE);
  EXPECT_EQ(form.GetPicture().width_px, 425);
  EXPECT_EQ(form.GetPicture().height_px, 397);
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
  EXPECT_TRUE(platform.checked[form.option(OptNone).hwnd]);
  EXPECT_TRUE(form.timer().enabled);
  EXPECT_EQ(platform.timers.at(1), 500U);
  EXPECT_EQ(platform.CallsNamed("SetTimer").at(0)->args[0], N(form.hWnd()));
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::LeftEdge);
  EXPECT_EQ(platform.live_cursors.size(), 1U);  // cursor 101 again, on the new control
}

TEST(FormsLifecycle, GenerationChangesWithEveryLoadAndUnload) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  const auto g0 = form.Generation();
  form.Load();
  const auto g1 = form.Generation();
  form.Unload();
  const auto g2 = form.Generation();
  form.Unload();  // already unloaded: nothing happens
  EXPECT_EQ(form.Generation(), g2);
  form.Load();
  EXPECT_NE(g0, g1);
  EXPECT_NE(g1, g2);
  EXPECT_NE(form.Generation(), g2);
  EXPECT_EQ(form.events, (std::vector<std::string>{"Load", "Load"}));
}

TEST(FormsLifecycle, ALoadHandlerThatUnloadsTheFormLeavesItUnloaded) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.on_event = [&](const std::string& event) {
    if (event == "Load") form.Unload();
  };
  form.Load();  // would throw if the focus went to a button of the dead window
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_TRUE(platform.CallsNamed("SetFocus").empty());
}

TEST(FormsLifecycle, AnUnloadedFormIgnoresEveryEntryPoint) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  form.Unload();
  form.ClearEvents();
  platform.ClearCalls();
  platform.clock_ms += 5000;
  form.OnMouseMove(200, 100, 1, 0);
  form.OnMouseDown(50, 150, kLeftButton, 0);
  form.OnMouseUp(50, 150, kLeftButton, 0, 0);
  form.OnKeyDown(kVkEscape, 0);
  form.OnKeyDown(kVkDown, 0);
  form.OnKeyUp(kVkShift, 0);
  form.OnTimer();
  form.OnCaptureLost();
  form.Refresh();
  form.RefreshImage(Image1);
  form.SetLabelCaption(Label2_1, L"9");
  form.SetImagePicture(Image1, BombLitPicture());
  form.SetImageVisible(Image1, false);
  form.SetPicture(BigBombPicture());
  form.SetTimerEnabled(false);
  form.SetTimerEnabled(true);
  form.SetOptionValue(OptTop, true);
  EXPECT_TRUE(IsNull(form.CursorAt(50, 150)));
  EXPECT_TRUE(form.events.empty());
  EXPECT_TRUE(platform.calls.empty()) << platform.Log().front();
  EXPECT_THROW(form.SetVisible(true), forms::RuntimeError);  // no window to show
}

// A handler that reloads the form ends the event it ran in: the rest of that
// event (the group's arrow-key move, the click after a release) belonged to
// the window that is gone.
TEST(FormsLifecycle, AKeyHandlerThatReloadsTheFormEndsTheKey) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  form.on_event = [&](const std::string& event) {
    if (event.rfind("KeyDown", 0) != 0) return;
    form.Unload();
    form.Load();
  };
  form.ClearEvents();
  form.OnKeyDown(kVkDown, 0);
  EXPECT_EQ(form.events, (std::vector<std::string>{"KeyDown(40,0)", "Load"}));
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
}

TEST(FormsLifecycle, AMouseUpHandlerThatReloadsTheFormRaisesNoClick) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  form.on_event = [&](const std::string& event) {
    if (event.rfind("ImageUp", 0) != 0) return;
    form.Unload();
    form.Load();
  };
  form.OnMouseDown(50, 150, kLeftButton, 0);
  form.ClearEvents();
  form.OnMouseUp(50, 150, kLeftButton, 0, 0);
  EXPECT_EQ(form.events, (std::vector<std::string>{"ImageUp(0,1,0)", "Load"}));
  // The press does not carry over to the new window.
  form.on_event = nullptr;
  form.ClearEvents();
  form.OnMouseMove(200, 100, kLeftButton, 0);
  EXPECT_EQ(form.events, (std::vector<std::string>{"FormMove(1,0,3000,1500)"}));
}

// The fake answers any call naming a destroyed window with std::logic_error,
// and the form lets it through to the test instead of taking it for a
// run-time error of the program: a touch of a dead window fails the test.
TEST(FormsLifecycle, TouchingADestroyedWindowFailsTheTest) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  const Hwnd dead = form.hWnd();
  const Hwnd dead_button = form.option(OptNone).hwnd;
  form.Unload();
  form.Load();
  const std::vector<std::function<void()>> touches = {
      [&] { platform.ShowWindow(dead, win::SW_SHOW); },
      [&] { platform.InvalidateRect(dead, nullptr, 0); },
      [&] { platform.UpdateWindow(dead); },
      [&] { platform.SetTimer(dead, 1, 500); },
      [&] { platform.KillTimer(dead, 1); },
      [&] { platform.GetWindowLongA(dead, -16); },
      [&] { platform.SetWindowLongA(dead, -16, 0); },
      [&] { platform.SetWindowPos(dead, Hwnd{}, 0, 0, 0, 0, 0x27); },
      [&] { platform.SetWindowPos(dead, Hwnd{}, 0, 0, 0, 0, 0x15); },
      [&] { platform.SetWindowRgn(dead, Hrgn{}, 1); },
      [&] {
        Rect r;
        platform.GetWindowRect(dead, &r);
      },
      [&] { platform.SendMessageA(dead, win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0); },
      [&] { platform.MessageBoxW(dead, L"", L"", 0); },
      [&] { platform.SetFocus(dead_button); },
      [&] { platform.SendToOwnWindow(dead_button, win::BM_SETCHECK, win::BST_CHECKED, 0); },
      [&] { platform.DestroyWindow(dead); },
  };
  for (std::size_t i = 0; i < touches.size(); ++i) {
    EXPECT_THROW(touches[i](), std::logic_error) << "touch " << i;
  }
  // Inside a handler the form catches it like any failure: the program ends
  // with a report that names it.
  form.on_event = [&](const std::string& event) {
    if (event.rfind("KeyDown", 0) == 0) platform.InvalidateRect(dead, nullptr, 0);
  };
  try {
    form.OnKeyDown(kVkEscape, 0);
    ADD_FAILURE() << "the program went on";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 1U);
    EXPECT_NE(platform.CallsNamed("MessageBoxW")
                  .back()
                  ->text.find(L"InvalidateRect of a destroyed window"),
              std::wstring::npos);
  }
}

// ================================================================ reload from inside a handler

struct ArrowReopen {
  int key;
  ZoomOrigin origin;  // the opening origin of the command the selection moves onto
};

class ReopenFromKeyDown : public Form1Test, public ::testing::WithParamInterface<ArrowReopen> {};

TEST_P(ReopenFromKeyDown, ReloadsInsideTheHandlerAndTouchesNoDeadWindow) {
  LoadForm();
  const ArrowReopen& row = GetParam();
  for (int round = 0; round < 3; ++round) {
    const Hwnd old_window = form.hWnd();
    ASSERT_EQ(platform.focus, form.option(OptNone).hwnd);
    module.TickCount = 7;
    platform.ClearCalls();

    form.OnKeyDown(row.key, 0);

    ASSERT_TRUE(form.IsLoaded());
    EXPECT_NE(form.hWnd(), old_window);
    EXPECT_EQ(platform.destroyed_windows.count(old_window), 1U);
    EXPECT_FALSE(TouchedAfterDestruction(platform, old_window));
    EXPECT_EQ(form.OpenFrom, row.origin);
    EXPECT_EQ(module.TickCount, 0);
    EXPECT_EQ(platform.CallsNamed("Rectangle").size(), 20U);
    EXPECT_TRUE(form.option(OptNone).value);
    EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
    EXPECT_EQ(platform.timers.at(1), 500U);
    EXPECT_EQ(platform.live_windows.size(), 6U);
    EXPECT_EQ(platform.live_cursors.size(), 1U);
    EXPECT_TRUE(platform.live_gdi_objects.empty());
    EXPECT_EQ(module.Waves.RetiredBanks(), 1U);
    EXPECT_TRUE(platform.CallsNamed("MessageBoxW").empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Arrows, ReopenFromKeyDown,
                         // None -> Left (origin 4) forwards, None -> Top (origin 3) backwards.
                         ::testing::Values(ArrowReopen{kVkDown, ZoomOrigin::LeftEdge},
                                           ArrowReopen{kVkRight, ZoomOrigin::LeftEdge},
                                           ArrowReopen{kVkUp, ZoomOrigin::TopEdge},
                                           ArrowReopen{kVkLeft, ZoomOrigin::TopEdge}));

class ReopenInsideTickPump : public Form1Test, public ::testing::WithParamInterface<int> {};

TEST_P(ReopenInsideTickPump, StartsAFreshCountdownAndTheOldTickStops) {
  const int tick = GetParam();
  LoadForm();
  TickTo(tick - 1);
  const Hwnd old_window = form.hWnd();
  platform.focus = form.option(OptNone).hwnd;
  // An arrow key waits in the queue when the tick pumps.
  platform.queue.push_back([&] { form.OnKeyDown(kVkDown, 0); });
  platform.ClearCalls();

  EXPECT_FALSE(Ends([&] { Tick(); }));

  ASSERT_TRUE(form.IsLoaded());
  EXPECT_NE(form.hWnd(), old_window);
  EXPECT_FALSE(TouchedAfterDestruction(platform, old_window));
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::LeftEdge);
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(module.KeysArmed, kTrue);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
  EXPECT_TRUE(platform.CallsNamed("MessageBoxW").empty());
  for (const FakeCall* play : platform.CallsNamed("PlaySoundA")) {
    EXPECT_EQ(play->args[2], 7) << "no sound played to its end: the explosion did not go on";
  }
  // Only the new window's timer is armed, at its full period.
  const auto timers = platform.CallsNamed("SetTimer");
  ASSERT_FALSE(timers.empty());
  EXPECT_EQ(timers.back()->args[0], N(form.hWnd()));
  EXPECT_EQ(platform.timers.at(1), 500U);

  // The fresh countdown runs.
  Tick();
  Tick();
  EXPECT_EQ(module.TickCount, 2);
  EXPECT_EQ(form.label(Label2_1).caption, L"9");
}

INSTANTIATE_TEST_SUITE_P(PumpingTicks, ReopenInsideTickPump, ::testing::Values(19, 20));

// ================================================================ the option group

struct GroupMove {
  int focused, selected, key;
  int lands_on;  // the button that has the focus afterwards, and is selected
  bool click;    // whether its Click is raised
};

class OptionGroupKeys : public ::testing::TestWithParam<GroupMove> {
 protected:
  FakePlatform platform;
  RecordingForm form{platform, platform};
};

TEST_P(OptionGroupKeys, MoveTheSelectionInFocusOrder) {
  const GroupMove& row = GetParam();
  form.Load();
  form.SetOptionValue(row.selected, true);
  platform.focus = form.option(row.focused).hwnd;
  form.ClearEvents();

  form.OnKeyDown(row.key, 0);

  EXPECT_EQ(platform.focus, form.option(row.lands_on).hwnd);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(form.option(i).value, i == row.lands_on) << "option " << i;
    EXPECT_EQ(platform.checked[form.option(i).hwnd], i == row.lands_on) << "option " << i;
  }
  std::vector<std::string> expected = {"KeyDown(" + std::to_string(row.key) + ",0)"};
  if (row.click) expected.push_back("OptionClick(" + std::to_string(row.lands_on) + ")");
  EXPECT_EQ(form.events, expected);
}

INSTANTIATE_TEST_SUITE_P(FocusOrder, OptionGroupKeys,
                         ::testing::Values(
                             // Forwards: Left, LeftCorner, Center, Top, None, and round again.
                             GroupMove{OptNone, OptNone, kVkDown, OptLeft, true},
                             GroupMove{OptNone, OptNone, kVkRight, OptLeft, true},
                             GroupMove{OptLeft, OptLeft, kVkDown, OptLeftCorner, true},
                             GroupMove{OptLeftCorner, OptLeftCorner, kVkRight, OptCenter, true},
                             GroupMove{OptCenter, OptCenter, kVkDown, OptTop, true},
                             GroupMove{OptTop, OptTop, kVkDown, OptNone, true},
                             // Backwards.
                             GroupMove{OptNone, OptNone, kVkUp, OptTop, true},
                             GroupMove{OptNone, OptNone, kVkLeft, OptTop, true},
                             GroupMove{OptTop, OptTop, kVkUp, OptCenter, true},
                             GroupMove{OptCenter, OptCenter, kVkLeft, OptLeftCorner, true},
                             GroupMove{OptLeftCorner, OptLeftCorner, kVkUp, OptLeft, true},
                             GroupMove{OptLeft, OptLeft, kVkUp, OptNone, true},
                             // Onto the button that is selected already: no click.
                             GroupMove{OptTop, OptNone, kVkDown, OptNone, false}));

TEST(OptionGroup, OtherKeysAndAnUnfocusedGroupMoveNothing) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  for (int key :
       {int{kVkEscape}, kVkShift, 9 /* Tab */, 13 /* Enter */, 32 /* Space */, 65 /* A */}) {
    form.OnKeyDown(key, 0);
    EXPECT_EQ(platform.focus, form.option(OptNone).hwnd) << "key " << key;
  }
  platform.focus = Hwnd{};  // the focus is elsewhere
  for (int key : {kVkUp, kVkDown, kVkLeft, kVkRight}) form.OnKeyDown(key, 0);
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_EQ(std::count_if(form.events.begin(), form.events.end(),
                          [](const std::string& e) { return e.rfind("OptionClick", 0) == 0; }),
            0);
}

TEST_F(Form1Test, MovingOntoNoneDoesNothing) {
  LoadForm();
  form.SetOptionValue(OptTop, true);
  platform.focus = form.option(OptTop).hwnd;
  const Hwnd window = form.hWnd();
  const ZoomOrigin open_from = form.OpenFrom;
  platform.ClearCalls();
  form.OnKeyDown(kVkDown, 0);
  EXPECT_EQ(form.hWnd(), window);
  EXPECT_EQ(form.OpenFrom, open_from);
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_TRUE(platform.CallsNamed("DestroyWindow").empty());
  EXPECT_TRUE(platform.CallsNamed("Rectangle").empty());
}

// ================================================================ KeyPreview

TEST(KeyPreview, TheFormSeesEveryKeyFirstWhateverHasTheFocus) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  std::vector<Hwnd> focus_holders = OptionWindows(form);
  focus_holders.push_back(Hwnd{});
  for (Hwnd holder : focus_holders) {
    platform.focus = holder;
    form.ClearEvents();
    form.OnKeyDown(kVkEscape, 0);
    form.OnKeyDown(kVkShift, kShiftMask);
    form.OnKeyUp(kVkShift, 0);
    form.OnKeyUp('A', kShiftMask | kCtrlMask);
    EXPECT_EQ(form.events, (std::vector<std::string>{"KeyDown(27,0)", "KeyDown(16,1)",
                                                     "KeyUp(16,0)", "KeyUp(65,3)"}))
        << "focus " << holder;
  }
  // An arrow reaches the form before the group moves.
  platform.focus = form.option(OptNone).hwnd;
  form.ClearEvents();
  form.OnKeyDown(kVkUp, kShiftMask);
  EXPECT_EQ(form.events, (std::vector<std::string>{"KeyDown(38,1)", "OptionClick(3)"}));
}

// ================================================================ the mouse

class MouseRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Load();
    form.ClearEvents();
  }
  std::vector<std::string> Move(int x, int y, int buttons = 0) {
    form.ClearEvents();
    form.OnMouseMove(x, y, buttons, 0);
    return form.events;
  }
  FakePlatform platform;
  RecordingForm form{platform, platform};
};

struct LabelPoint {
  int x, y;  // client pixels
  int label;
};

class LabelHits : public MouseRouting, public ::testing::WithParamInterface<LabelPoint> {};

TEST_P(LabelHits, AMoveOverALabelGoesToThatLabel) {
  const LabelPoint& p = GetParam();
  const forms::Label& label = form.label(p.label);
  // Told its control array (Label1 ... Label5) and its index there.
  const std::string expected =
      "LabelMove(" + std::to_string(p.label / 2 + 1) + "," + std::to_string(p.label % 2) + ",0,0," +
      std::to_string(p.x * 15 - label.left) + "," + std::to_string(p.y * 15 - label.top) + ")";
  EXPECT_EQ(Move(p.x, p.y), std::vector<std::string>{expected});
}

// Points picked where one copy of a pair shows and the other does not; where
// both lie, the text copy is in front.
INSTANTIATE_TEST_SUITE_P(
    EveryLabel, LabelHits,
    ::testing::Values(LabelPoint{19, 17, Label1_0}, LabelPoint{100, 30, Label1_0},
                      LabelPoint{22, 51, Label1_1}, LabelPoint{300, 300, Label2_1},
                      LabelPoint{256, 379, Label2_0}, LabelPoint{351, 327, Label3_1},
                      LabelPoint{405, 378, Label3_0}, LabelPoint{219, 235, Label4_1},
                      LabelPoint{222, 279, Label4_0}, LabelPoint{13, 349, Label5_1},
                      LabelPoint{16, 392, Label5_0}));

TEST_F(MouseRouting, TheBareFormGetsItsOwnMovesInTwips) {
  EXPECT_EQ(Move(200, 100), std::vector<std::string>{"FormMove(0,0,3000,1500)"});
  EXPECT_EQ(Move(200, 100, kLeftButton), std::vector<std::string>{"FormMove(1,0,3000,1500)"});
}

TEST_F(MouseRouting, TheBombHasNoMouseMove) {
  EXPECT_TRUE(Move(50, 150).empty());
  EXPECT_TRUE(Move(50, 150, kLeftButton).empty());
  form.SetImageVisible(Image1, false);  // a hidden picture is not there at all
  EXPECT_EQ(Move(50, 150), std::vector<std::string>{"FormMove(0,0,750,2250)"});
}

TEST_F(MouseRouting, HiddenLabelsAreNotHit) {
  form.SetLabelVisible(Label2_1, false);
  EXPECT_EQ(Move(300, 300).at(0).rfind("LabelMove(2,0,", 0), 0U);  // the shadow behind it
  form.SetLabelVisible(Label2_0, false);
  EXPECT_EQ(Move(300, 300), std::vector<std::string>{"FormMove(0,0,4500,4500)"});
}

TEST_F(MouseRouting, APressOnALabelKeepsTheMovesThereUntilRelease) {
  form.OnMouseDown(300, 300, kLeftButton, 0);                           // on Label2(1)
  EXPECT_EQ(Move(200, 100, 1).at(0).rfind("LabelMove(2,1,1,", 0), 0U);  // over the bare form
  EXPECT_EQ(Move(19, 17, 1).at(0).rfind("LabelMove(2,1,1,", 0), 0U);    // over Label1(0)
  EXPECT_EQ(Move(50, 150, 1).at(0).rfind("LabelMove(2,1,1,", 0), 0U);   // over the bomb
  form.OnMouseUp(19, 17, kLeftButton, 0, 0);
  EXPECT_EQ(Move(19, 17).at(0).rfind("LabelMove(1,0,0,", 0), 0U);
}

TEST_F(MouseRouting, APressOnTheBareFormKeepsTheMovesOnTheForm) {
  form.OnMouseDown(200, 100, kLeftButton, 0);
  EXPECT_EQ(Move(300, 300, 1), std::vector<std::string>{"FormMove(1,0,4500,4500)"});
  EXPECT_EQ(Move(50, 150, 1), std::vector<std::string>{"FormMove(1,0,750,2250)"});
  form.OnMouseUp(300, 300, kLeftButton, 0, 0);
  EXPECT_EQ(Move(300, 300).at(0).rfind("LabelMove(2,1,0,", 0), 0U);
}

TEST_F(MouseRouting, APressOnTheBombSwallowsTheMovesAndClicksOnReleaseOverIt) {
  form.OnMouseDown(50, 150, kLeftButton, 0);
  EXPECT_TRUE(Move(300, 300, 1).empty());
  form.OnMouseUp(51, 151, kLeftButton, 0, 0);
  EXPECT_EQ(form.events, (std::vector<std::string>{"ImageUp(0,1,0)", "ImageClick(0)"}));
  // Released away from the bomb: no click.
  form.ClearEvents();
  form.OnMouseDown(50, 150, kLeftButton, 0);
  form.OnMouseUp(300, 300, kLeftButton, 0, 0);
  EXPECT_EQ(form.events, (std::vector<std::string>{"ImageDown(0,1,0)", "ImageUp(0,1,0)"}));
}

TEST_F(MouseRouting, ALostCaptureEndsThePress) {
  form.OnMouseDown(300, 300, kLeftButton, 0);
  form.OnCaptureLost();
  EXPECT_EQ(Move(200, 100, 1), std::vector<std::string>{"FormMove(1,0,3000,1500)"});
}

// ================================================================ painting

std::string Describe(const DrawOp& op) {
  switch (op.kind) {
    case DrawOp::Kind::FillRect: return "fill";
    case DrawOp::Kind::Bitmap: return "bitmap " + std::to_string(op.bitmap_id);
    case DrawOp::Kind::Text: break;
  }
  return "text";
}

// Which label a text op belongs to: the one whose box it is clipped to and
// whose colour it has.
int LabelOf(const forms::Form& form, const DrawOp& op) {
  for (int i = 0; i < kLabelCount; ++i) {
    const forms::Label& l = form.label(i);
    const Rect box{(l.left * 2 + 15) / 30, (l.top * 2 + 15) / 30,
                   ((l.left + l.width) * 2 + 15) / 30, ((l.top + l.height) * 2 + 15) / 30};
    if (op.rect.left == box.left && op.rect.top == box.top && op.rect.right == box.right &&
        op.rect.bottom == box.bottom && op.color == l.fore_color) {
      return i;
    }
  }
  return -1;
}

// The ops as "fill", "bitmap 201", "label 3" with repeated lines of one label merged.
std::vector<std::string> PaintSequence(const forms::Form& form) {
  std::vector<std::string> seq;
  for (const DrawOp& op : form.PaintOps()) {
    std::string item = Describe(op);
    if (item == "text") item = "label " + std::to_string(LabelOf(form, op));
    if (seq.empty() || seq.back() != item || item.rfind("label", 0) != 0) seq.push_back(item);
  }
  return seq;
}

TEST_F(Form1Test, PaintGoesBackgroundPictureThenControlsBackToFront) {
  LoadForm();
  const std::vector<DrawOp> ops = form.PaintOps();
  ASSERT_GE(ops.size(), 2U);
  EXPECT_EQ(ops[0].kind, DrawOp::Kind::FillRect);
  EXPECT_EQ(BoxOf(ops[0].rect), (Box{0, 0, 435, 407}));
  EXPECT_EQ(ops[0].color, 0xFFC0FFU);  // BackColor
  EXPECT_EQ(ops[1].bitmap_id, IDB_SCENE);
  EXPECT_EQ(BoxOf(ops[1].rect), (Box{0, 0, 425, 397}));
  EXPECT_EQ(PaintSequence(form),
            (std::vector<std::string>{"fill", "bitmap 201", "label 1", "label 0", "label 8",
                                      "label 9", "label 2", "label 3", "label 4", "label 5",
                                      "label 6", "label 7", "bitmap 202"}));
  const DrawOp& bomb = ops.back();
  EXPECT_EQ(BoxOf(bomb.rect), (Box{18, 110, 83, 205}));
  // The design's colours.
  const std::uint32_t colours[kLabelCount] = {0xFFFFFF, 0x004040, 0x000000, 0x00FFFF, 0x000000,
                                              0xFFFFFF, 0x000000, 0xFFFFFF, 0x808000, 0xFFFFC0};
  for (const DrawOp& op : ops) {
    if (op.kind != DrawOp::Kind::Text) continue;
    const int label = LabelOf(form, op);
    ASSERT_GE(label, 0);
    EXPECT_EQ(op.color, colours[label]) << "label " << label;
    EXPECT_EQ(op.font, form.label(label).font);
  }
}

TEST_F(Form1Test, PaintSkipsWhatIsHiddenAndFollowsPictureChanges) {
  LoadForm();
  form.SetLabelVisible(Label3_0, false);
  form.SetLabelVisible(Label3_1, false);
  form.SetImageVisible(Image1, false);
  form.SetPicture(form.image(Image2_2).picture);
  EXPECT_EQ(PaintSequence(form),
            (std::vector<std::string>{"fill", "bitmap 205", "label 1", "label 0", "label 8",
                                      "label 9", "label 2", "label 3", "label 6", "label 7"}));
  form.SetImageVisible(Image1, true);
  form.SetImagePicture(Image1, form.image(Image2_0).picture);
  EXPECT_EQ(PaintSequence(form).back(), "bitmap 203");
}

TEST_F(Form1Test, TheHintWrapsInsideItsWidth) {
  LoadForm();
  for (int label : {Label5_0, Label5_1}) {
    const forms::Label& l = form.label(label);
    const int left = (l.left * 2 + 15) / 30, top = (l.top * 2 + 15) / 30;
    const int width = ((l.left + l.width) * 2 + 15) / 30 - left;
    std::wstring joined;
    std::vector<int> ys;
    for (const DrawOp& op : form.PaintOps()) {
      if (op.kind != DrawOp::Kind::Text || LabelOf(form, op) != label) continue;
      joined += op.text;
      ys.push_back(op.y);
      EXPECT_EQ(op.x, left);
      EXPECT_LE(platform.MeasureText(l.font, op.text).cx, width) << "line wider than the label";
    }
    EXPECT_EQ(joined, text::kHint);
    ASSERT_GE(ys.size(), 2U) << "the hint does not fit one line";
    EXPECT_EQ(ys[0], top);
    for (std::size_t i = 1; i < ys.size(); ++i) EXPECT_GT(ys[i], ys[i - 1]);
  }
}

TEST_F(Form1Test, TheDigitsAreCentredInTheirBox) {
  LoadForm();
  for (const DrawOp& op : form.PaintOps()) {
    if (op.kind != DrawOp::Kind::Text || op.text != L"10") continue;
    const int cx = platform.MeasureText(op.font, op.text).cx;
    EXPECT_NEAR(op.x + cx / 2.0, (op.rect.left + op.rect.right) / 2.0, 1.0);
  }
}

// ================================================================ the sound bank

SoundBank::Arrays Bank(std::uint8_t fill) {
  SoundBank::Arrays bank;
  for (std::size_t i = 0; i < bank.size(); ++i) bank[i] = WaveArray(4000 + i * 100, fill);
  return bank;
}

// Allocates and scribbles over blocks of the given sizes, so that freed
// memory of those sizes would be handed out and overwritten.
void Churn(const std::vector<std::size_t>& sizes) {
  std::vector<WaveArray> blocks;
  for (int round = 0; round < 8; ++round) {
    for (std::size_t size : sizes) blocks.emplace_back(size, 0x55);
  }
}

TEST(SoundBankTest, TheRetiredBankStaysUntouchedAcrossOneReplace) {
  SoundBank bank;
  bank.Replace(Bank(0x11));
  EXPECT_EQ(bank.RetiredBanks(), 0U);  // nothing to retire at the first load
  std::vector<const std::uint8_t*> first;
  std::vector<std::size_t> sizes;
  for (const SoundEntry& sound : kSounds) {
    first.push_back(bank.Wave(sound.id).data());
    sizes.push_back(bank.Wave(sound.id).size());
  }

  bank.Replace(Bank(0x22));
  Churn(sizes);
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    const int id = kSounds[i].id;
    EXPECT_NE(bank.Wave(id).data(), first[i]);
    EXPECT_EQ(bank.Wave(id).front(), 0x22);
    // Under AddressSanitizer a freed array would be reported right here.
    EXPECT_TRUE(
        std::all_of(first[i], first[i] + sizes[i], [](std::uint8_t b) { return b == 0x11; }))
        << "array " << id << " of the retired bank changed";
  }
  EXPECT_EQ(bank.RetiredBanks(), 1U);

  std::vector<const std::uint8_t*> second;
  for (const SoundEntry& sound : kSounds) second.push_back(bank.Wave(sound.id).data());
  bank.Replace(Bank(0x33));
  Churn(sizes);
  EXPECT_EQ(bank.RetiredBanks(), 1U) << "the oldest bank is let go";
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    EXPECT_TRUE(
        std::all_of(second[i], second[i] + sizes[i], [](std::uint8_t b) { return b == 0x22; }));
  }
  for (int round = 0; round < 5; ++round) bank.Replace(Bank(0x44));
  EXPECT_EQ(bank.RetiredBanks(), 1U);
}

TEST(SoundBankTest, AnIdOutsideTheBankIsASubscriptError) {
  SoundBank bank;
  bank.Replace(Bank(0x11));
  for (int id : {100, 107, 0, -101}) {
    try {
      (void)bank.Wave(id);
      ADD_FAILURE() << "id " << id;
    } catch (const forms::RuntimeError& error) {
      EXPECT_EQ(error.number(), forms::kErrSubscriptOutOfRange);
    }
  }
}

// A sound started by the last start-up may still be playing when a re-open
// replaces the arrays: it must go on reading live, unchanged bytes.
TEST_F(Form1Test, AReopenKeepsTheArraysTheLastStartUpPlayedFrom) {
  LoadForm();
  std::vector<const std::uint8_t*> before = platform.PlayedBuffers();
  ASSERT_EQ(before.size(), 7U);
  std::vector<std::size_t> sizes;
  for (const SoundEntry& sound : kSounds) sizes.push_back(SyntheticWave(sound.id).size());

  for (int reopen = 0; reopen < 3; ++reopen) {
    platform.ClearCalls();
    form.OnKeyDown(kVkDown, 0);  // None -> Left: re-open
    ASSERT_TRUE(form.IsLoaded());
    Churn(sizes);
    const std::vector<const std::uint8_t*> after = platform.PlayedBuffers();
    ASSERT_EQ(after.size(), 7U);
    const int ids[] = {106, 105, 104, 103, 102, 101, 105};
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(std::count(after.begin(), after.end(), before[static_cast<std::size_t>(i)]), 0)
          << "the new start-up plays from fresh arrays";
      const std::vector<std::uint8_t> expected = SyntheticWave(ids[i]);
      EXPECT_EQ(std::memcmp(before[static_cast<std::size_t>(i)], expected.data(), expected.size()),
                0)
          << "wave " << ids[i] << " of the previous start-up is gone";
    }
    EXPECT_EQ(module.Waves.RetiredBanks(), 1U);
    before = after;
  }
}

}  // namespace
}  // namespace tickbomb::testing
