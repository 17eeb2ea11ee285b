// Dragging the window by its background and labels, and the four commands
// that close it and open it again.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/window_geometry.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

class DragTest : public Form1Test {
 protected:
  // A client point for the bare form (-1) and for each label element, found
  // by moving the mouse over every pixel and seeing whose MouseMove runs.
  std::map<int, std::pair<int, int>> Targets() {
    std::map<int, std::pair<int, int>> found;
    const Rect window = platform.window_rects[form.hWnd()];
    for (int y = 0; y < window.bottom - window.top; ++y) {
      for (int x = 0; x < window.right - window.left; ++x) {
        const std::size_t before = form.form_moves.size();
        form.OnMouseMove(x, y, 0, 0);
        if (form.form_moves.size() == before) continue;  // over a picture
        found.emplace(form.form_moves.back().label, std::make_pair(x, y));
      }
    }
    form.form_moves.clear();
    return found;
  }
};

TEST_F(DragTest, TheLeftButtonDragsFromTheFormAndFromEveryLabel) {
  LoadForm();
  const std::map<int, std::pair<int, int>> targets = Targets();
  ASSERT_EQ(targets.size(), 1U + kLabelCount);  // the form and all ten label elements
  const Lines drag = {"ReleaseCapture()",
                      "SendMessageA(" + Logged(form.hWnd()) + ",WM_NCLBUTTONDOWN,HTCAPTION,0)"};
  for (const auto& [target, point] : targets) {
    for (int button = 0; button <= 7; ++button) {
      SCOPED_TRACE("target " + std::to_string(target) + ", Button " + std::to_string(button));
      form.OnCaptureLost();
      const CallSpan moved =
          platform.During([&] { form.OnMouseMove(point.first, point.second, button, kCtrlMask); });
      EXPECT_EQ(moved.Log({"ReleaseCapture", "SendMessageA"}), (button & 1) ? drag : Lines{});
      ASSERT_FALSE(form.form_moves.empty());
      const WatchedForm1::Move& move = form.form_moves.back();
      EXPECT_EQ(move.label, target);
      EXPECT_EQ(move.button, button);
      EXPECT_EQ(move.shift, kCtrlMask);
      if (target >= 0) {  // a label passes on X = 0 and Y = 0
        EXPECT_EQ(move.x, 0.0F);
        EXPECT_EQ(move.y, 0.0F);
      }
    }
  }
}

TEST_F(DragTest, APressOnALabelKeepsDraggingWhenTheMouseLeavesIt) {
  LoadForm();
  const auto targets = Targets();
  const auto [x, y] = targets.at(Label2_1);
  form.OnMouseDown(x, y, kLeftButton, 0);
  const CallSpan move =
      platform.During([&] { form.OnMouseMove(x + 100, y + 100, kLeftButton, 0); });
  EXPECT_EQ(move.Named("SendMessageA").size(), 1U);
  EXPECT_EQ(form.form_moves.back().label, Label2_1);
}

TEST_F(DragTest, NeverOverTheBombAndTheCountdownGoesOn) {
  LoadForm();
  const auto [x, y] = BombPoint();
  const CallSpan moves = platform.During([&] {
    for (int button = 0; button <= 7; ++button) form.OnMouseMove(x, y, button, 0);
    form.OnMouseDown(x, y, kLeftButton, 0);  // pressed on the bomb, then moved off it
    form.OnMouseMove(x, y, kLeftButton, 0);
    form.OnMouseMove(x + 150, y + 150, kLeftButton, 0);
  });
  EXPECT_TRUE(moves.Named("ReleaseCapture").empty());
  EXPECT_TRUE(moves.Named("SendMessageA").empty());
  EXPECT_TRUE(form.form_moves.empty());
  form.OnMouseUp(x + 150, y + 150, kLeftButton, 0, 0);

  // A drag from the background between two ticks pauses nothing.
  form.OnMouseMove(2, 2, kLeftButton, 0);
  const CallSpan ticks = platform.During([&] { TickTo(2); });
  EXPECT_EQ(form.label(Label2_1).caption, L"9");
  EXPECT_EQ(ticks.Sounds(), (std::vector<std::pair<int, int>>{{IDW_TICK, kAsync}}));
}

// ---- re-open commands

struct Command {
  const char* name;
  int focus;  // the option button holding the focus; OptNone at rest
  int key;
  ZoomOrigin open_from;
};

class ReopenTest : public Form1Test {
 protected:
  void Focus(int option) { platform.focus = form.option(option).hwnd; }
  // The start-up in `span` animated from `origin`.
  void ExpectOpenedFrom(const CallSpan& span, ZoomOrigin origin) {
    EXPECT_EQ(form.OpenFrom, origin);
    const std::vector<Rect> drawn = Drawn(span);
    const std::vector<Rect> expected = ZoomRectangles(origin, platform.window_rects[form.hWnd()]);
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      EXPECT_EQ(drawn[i].left, expected[i].left);
      EXPECT_EQ(drawn[i].top, expected[i].top);
      EXPECT_EQ(drawn[i].right, expected[i].right);
      EXPECT_EQ(drawn[i].bottom, expected[i].bottom);
    }
  }
};

class ReopenCommandTest : public ReopenTest, public ::testing::WithParamInterface<Command> {};

TEST_P(ReopenCommandTest, MovingTheSelectionOntoACommandReopensFromItsOrigin) {
  const Command& c = GetParam();
  LoadForm();
  TickTo(3);
  const Hwnd old_window = form.hWnd();
  Focus(c.focus);
  const CallSpan key = platform.During([&] { PressKey(c.key, 0); });
  ASSERT_TRUE(form.IsLoaded());
  EXPECT_NE(form.hWnd(), old_window);
  EXPECT_EQ(form.loads, 2);
  EXPECT_EQ(key.Log({"DestroyWindow"}), Lines{"DestroyWindow(" + Logged(old_window) + ")"});
  ExpectOpenedFrom(key, c.open_from);
  EXPECT_EQ(module.TickCount, 0);
  // At rest again: None selected and focused.
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
  for (int option : {OptLeft, OptLeftCorner, OptCenter, OptTop}) {
    EXPECT_FALSE(form.option(option).value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ReopenCommandTest,
    ::testing::Values(
        Command{"UpAtRestIsTop", OptNone, forms::kVkUp, ZoomOrigin::TopEdge},
        Command{"LeftArrowAtRestIsTop", OptNone, forms::kVkLeft, ZoomOrigin::TopEdge},
        Command{"DownAtRestWrapsToLeft", OptNone, forms::kVkDown, ZoomOrigin::LeftEdge},
        Command{"RightArrowAtRestWrapsToLeft", OptNone, forms::kVkRight, ZoomOrigin::LeftEdge},
        Command{"DownFromLeftIsLeftCorner", OptLeft, forms::kVkDown, ZoomOrigin::TopLeft},
        Command{"UpFromCenterIsLeftCorner", OptCenter, forms::kVkUp, ZoomOrigin::TopLeft},
        Command{"DownFromLeftCornerIsCenter", OptLeftCorner, forms::kVkDown, ZoomOrigin::Center},
        Command{"UpFromTopIsCenter", OptTop, forms::kVkUp, ZoomOrigin::Center},
        Command{"UpFromLeftCornerIsLeft", OptLeftCorner, forms::kVkUp, ZoomOrigin::LeftEdge},
        Command{"DownFromCenterIsTop", OptCenter, forms::kVkDown, ZoomOrigin::TopEdge}),
    [](const ::testing::TestParamInfo<Command>& info) { return std::string(info.param.name); });

TEST_F(ReopenTest, MovingOntoNoneDoesNothing) {
  LoadForm();
  const Hwnd window = form.hWnd();
  for (const auto& [focus, key] :
       {std::pair{OptTop, forms::kVkDown}, std::pair{OptLeft, forms::kVkUp}}) {
    Focus(focus);
    PressKey(key, 0);
    EXPECT_EQ(form.hWnd(), window);
    EXPECT_EQ(form.loads, 1);
    EXPECT_EQ(form.OpenFrom, ZoomOrigin::Center);
    EXPECT_EQ(platform.focus, form.option(OptNone).hwnd);
  }
}

TEST_F(ReopenTest, TheOriginCarriesOverReloadsButNotToAFreshForm) {
  LoadForm();
  EXPECT_EQ(form.OpenFrom, ZoomOrigin::Center);
  ExpectOpenedFrom(platform.During([&] { PressKey(forms::kVkUp, 0); }), ZoomOrigin::TopEdge);
  for (int reload = 0; reload < 2; ++reload) {  // later loads keep it
    form.Unload();
    ExpectOpenedFrom(platform.During([&] { LoadForm(); }), ZoomOrigin::TopEdge);
  }
  ExpectOpenedFrom(platform.During([&] { PressKey(forms::kVkDown, 0); }), ZoomOrigin::LeftEdge);
  form.Unload();
  ExpectOpenedFrom(platform.During([&] { LoadForm(); }), ZoomOrigin::LeftEdge);
  form.Unload();

  // A new start of the program: a new form object.
  WatchedForm1 fresh{platform, platform, module};
  EXPECT_EQ(fresh.OpenFrom, ZoomOrigin::NotChosen);
  const CallSpan load = platform.During([&] { fresh.Load(); });
  ASSERT_TRUE(fresh.IsLoaded());
  EXPECT_EQ(fresh.OpenFrom, ZoomOrigin::Center);
  const std::vector<Rect> expected =
      ZoomRectangles(ZoomOrigin::Center, platform.window_rects[fresh.hWnd()]);
  const std::vector<Rect> drawn = Drawn(load);
  ASSERT_EQ(drawn.size(), expected.size());
  EXPECT_EQ(drawn.front().left, expected.front().left);
  EXPECT_EQ(drawn.front().top, expected.front().top);
  fresh.Unload();
}

TEST_F(ReopenTest, AReloadStartsEverythingAfresh) {
  platform.version.dwMajorVersion = 5;  // power-off by default
  LoadForm();
  const std::vector<forms::Label> design_labels = [&] {
    std::vector<forms::Label> labels;
    for (int i = 0; i < kLabelCount; ++i) labels.push_back(form.label(i));
    return labels;
  }();
  const Scene design = Now();
  const void* old_tick_sound = module.Waves.Wave(IDW_TICK).data();

  PressKey(kVkShift, kShiftMask);  // restart chosen
  TickTo(15);                      // red digits, flickering bomb
  module.KeysArmed = kFalse;       // as if disarmed
  ASSERT_EQ(module.ExitFlags, win::EWX_REBOOT);
  ASSERT_NE(Now(), design);

  Focus(OptNone);
  const CallSpan key = platform.During([&] { PressKey(forms::kVkUp, 0); });

  EXPECT_EQ(Now(), design);
  for (int i = 0; i < kLabelCount; ++i) {
    SCOPED_TRACE("label " + std::to_string(i));
    EXPECT_EQ(form.label(i).caption, design_labels[i].caption);
    EXPECT_EQ(form.label(i).fore_color, design_labels[i].fore_color);
    EXPECT_EQ(form.label(i).left, design_labels[i].left);
    EXPECT_EQ(form.label(i).top, design_labels[i].top);
    EXPECT_EQ(form.label(i).visible, design_labels[i].visible);
  }
  EXPECT_EQ(module.ExitFlags, win::EWX_POWEROFF);
  EXPECT_EQ(module.KeysArmed, kTrue);
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_EQ(platform.timers.count(1), 1U);
  EXPECT_NE(module.Waves.Wave(IDW_TICK).data(), old_tick_sound);  // the sounds were loaded again
  EXPECT_TRUE(SoundsFromCurrentBank(key));

  // The countdown starts again from "10".
  const CallSpan ticks = platform.During([&] { TickTo(2); });
  EXPECT_EQ(form.label(Label2_1).caption, L"9");
  EXPECT_EQ(ticks.Sounds(), (std::vector<std::pair<int, int>>{{IDW_TICK, kAsync}}));
  EXPECT_TRUE(SoundsFromCurrentBank(ticks));
}

// ---- re-opens dispatched inside the pumps of other handlers

// A re-open waiting in the queue when tick 19 or tick 20 pumps replaces the
// countdown: the old one neither goes on nor detonates, and the new one
// detonates twenty ticks later, once.
class ReopenInTickPumpTest : public ReopenTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReopenInTickPumpTest, TheOldDetonationNeverComes) {
  const int tick = GetParam();
  LoadForm();
  TickTo(tick - 1);
  Queue([&] { PressKey(forms::kVkUp, 0); });
  const CallSpan pumped = platform.Ending([&] { Tick(); });
  EXPECT_FALSE(pumped.exit.has_value());
  EXPECT_EQ(form.loads, 2);
  EXPECT_EQ(module.TickCount, 0);
  EXPECT_TRUE(pumped.Named("ExitWindowsEx").empty());
  for (const auto& [id, flags] : pumped.Sounds()) {
    EXPECT_FALSE(id == IDW_EXPLOSION && flags == kSync) << "the old explosion went on";
  }
  EXPECT_EQ(form.GetPicture().id, IDB_SCENE);
  EXPECT_TRUE(form.image(Image1).visible);

  const int ticks_before = form.ticks;
  const CallSpan countdown = platform.Ending([&] { TickTo(20); });
  EXPECT_EQ(countdown.exit, 0U);
  EXPECT_EQ(form.ticks - ticks_before, 20);
  EXPECT_EQ(countdown.Log({"ExitWindowsEx"}), Lines{"ExitWindowsEx(EWX_SHUTDOWN,0)"});
}

INSTANTIATE_TEST_SUITE_P(Ticks, ReopenInTickPumpTest, ::testing::Values(19, 20),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Tick" + std::to_string(info.param);
                         });

// The Escape ending pumps eight times when it starts at T = 0: at each of the
// three beats of the countdown, after the scream, at each of the three flashing
// frames and when the big bomb is back. A re-open waiting at any of them
// does not bring the countdown back: Escape always ends the program, and
// no shutdown is ever asked for.
class ReopenInEscapePumpTest : public ReopenTest, public ::testing::WithParamInterface<int> {};

TEST_P(ReopenInEscapePumpTest, TheEscapeStillEndsTheProgramWithoutAShutdown) {
  const int pump = GetParam();
  LoadForm();
  int pumps = 0;  // from the Escape on
  platform.on_call.push_back([&](const FakeCall& call) {
    if (call.name == "DispatchPendingMessages" && pumps++ == pump) {
      Queue([&] { PressKey(forms::kVkUp, 0); });
    }
  });
  std::optional<unsigned> exit = Ends([&] { PressKey(kVkEscape, 0); });
  // Should the ending have been abandoned, give the new countdown every
  // chance to detonate.
  for (int i = 0; i < 40 && !exit; ++i) exit = Ends([&] { Tick(); });
  EXPECT_EQ(exit, 0U);
  EXPECT_EQ(form.loads, 2);
  EXPECT_EQ(form.ticks, 0);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
  const auto boxes = platform.CallsNamed("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0]->text, L"びっくりした？じゃねー♪＠ω＠)ﾉｼ");
  EXPECT_FALSE(form.IsLoaded());
}

INSTANTIATE_TEST_SUITE_P(Pumps, ReopenInEscapePumpTest, ::testing::Range(0, 8));

TEST_F(ReopenTest, TheWindowReopenedInsideTheEscapeEndingNeverCountsDown) {
  LoadForm();
  TickTo(4);
  const int ticks = form.ticks;
  // A re-open and, behind it, timer messages enough for a whole countdown,
  // all waiting when the ending first pumps.
  Queue([&] { PressKey(forms::kVkUp, 0); });
  for (int i = 0; i < 25; ++i) Queue([&] { Tick(); });
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  EXPECT_EQ(form.loads, 2);
  EXPECT_EQ(form.ticks, ticks);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
  ASSERT_EQ(platform.CallsNamed("MessageBoxW").size(), 1U);
}

}  // namespace
}  // namespace tickbomb::testing
