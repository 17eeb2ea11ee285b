// The form's life cycle: a form that outlives its window, built afresh from
// its design at every load, a generation that tells a handler whether its
// window is still the current one, and unload and reload from inside the
// form's own handlers, which must never touch the window that is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// Everything the design decides, compared control by control.
void ExpectSameState(const forms::Form& actual, const forms::Form& fresh) {
  for (int i = 0; i < kLabelCount; ++i) {
    const forms::Label& a = actual.label(i);
    const forms::Label& b = fresh.label(i);
    EXPECT_EQ(a.caption, b.caption) << "label " << i;
    EXPECT_EQ(a.fore_color, b.fore_color) << "label " << i;
    EXPECT_EQ(a.visible, b.visible) << "label " << i;
    EXPECT_EQ(Area(a), Area(b)) << "label " << i;
  }
  for (int i = 0; i < 5; ++i) {
    const forms::Image& a = actual.image(i);
    const forms::Image& b = fresh.image(i);
    EXPECT_EQ(a.picture, b.picture) << "image " << i;
    EXPECT_EQ(a.visible, b.visible) << "image " << i;
    EXPECT_EQ(Area(a), Area(b)) << "image " << i;
    EXPECT_EQ(actual.option(i).value, fresh.option(i).value) << "option " << i;
  }
  EXPECT_EQ(actual.GetPicture(), fresh.GetPicture());
  EXPECT_EQ(actual.timer().enabled, fresh.timer().enabled);
  EXPECT_EQ(actual.timer().interval, fresh.timer().interval);
}

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

// A form of Form1's design whose handlers only note what reached them, not
// loaded yet: a test that loads it may hang an action on its events first.
class FormsLifecycle : public ::testing::Test {
 protected:
  FakePlatform platform;
  RecordingForm form{platform, platform};
};

TEST_F(FormsLifecycle, GenerationChangesWithEveryLoadAndUnload) {
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

TEST_F(FormsLifecycle, ALoadHandlerThatUnloadsTheFormLeavesItUnloaded) {
  form.on_event = [&](const std::string& event) {
    if (event == "Load") form.Unload();
  };
  form.Load();  // would throw if the focus went to a button of the dead window
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_TRUE(platform.CallsNamed("SetFocus").empty());
}

TEST_F(FormsLifecycle, AnUnloadedFormIgnoresEveryEntryPoint) {
  form.Load();
  form.Unload();
  form.ClearEvents();
  platform.ClearCalls();
  platform.clock_ms += 5000;
  form.OnMouseMove(200, 100, 1, 0);
  form.OnMouseDown(50, 150, kLeftButton, 0);
  form.OnMouseUp(50, 150, kLeftButton, 0, 0);
  form.OnKeyDown(kVkEscape, 0, false);
  form.OnKeyDown(kVkDown, 0, false);
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
  EXPECT_THROW(form.SetVisible(true), ProcessExit);  // no window to show: error 380
  ASSERT_EQ(platform.CallsNamed("MessageBoxW").size(), 1U);
  EXPECT_EQ(platform.CallsNamed("MessageBoxW")[0]->text.rfind(L"Run-time error '380'", 0), 0U);
}

// A handler that reloads the form ends the event it ran in: the rest of that
// event (the group's arrow-key move, the click after a release) belonged to
// the window that is gone.
TEST_F(FormsLifecycle, AKeyHandlerThatReloadsTheFormEndsTheKey) {
  form.Load();
  form.on_event = [&](const std::string& event) {
    if (event.rfind("KeyDown", 0) != 0) return;
    form.Unload();
    form.Load();
  };
  form.ClearEvents();
  form.OnKeyDown(kVkDown, 0, false);
  EXPECT_EQ(form.events, (std::vector<std::string>{"KeyDown(40,0)", "Load"}));
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
}

TEST_F(FormsLifecycle, AMouseUpHandlerThatReloadsTheFormRaisesNoClick) {
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
TEST_F(FormsLifecycle, TouchingADestroyedWindowFailsTheTest) {
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
  // Inside a handler too: nothing in the program catches anything, so it
  // reaches the test as it is.
  form.on_event = [&](const std::string& event) {
    if (event.rfind("KeyDown", 0) == 0) platform.InvalidateRect(dead, nullptr, 0);
  };
  EXPECT_THROW(form.OnKeyDown(kVkEscape, 0, false), std::logic_error);
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

    form.OnKeyDown(row.key, 0, false);

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
  platform.queue.emplace_back([&] { form.OnKeyDown(kVkDown, 0, false); });
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
    EXPECT_EQ(play->args[2], kAsync) << "no sound played to its end: the explosion did not go on";
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

}  // namespace
}  // namespace tickbomb::testing
