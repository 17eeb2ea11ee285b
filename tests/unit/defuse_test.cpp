// Clicking the bomb defuses it; pressing on it shows the pressed finger.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

const std::wstring kDefusedMessage = L"な～んだ、残念～♪Ψ(￣▽￣)Ψ";
const std::wstring kTitle = L"By ピコリン";

class DefuseTest : public Form1Test {
 protected:
  Hcursor Cursor() const { return form.image(Image1).mouse_icon; }
  // Whether the latest LoadCursorResource call asked for cursor `id`.
  bool LastLoadedWas(int id) const {
    const auto loads = platform.CallsNamed("LoadCursorResource");
    return !loads.empty() && loads.back()->args[0] == id;
  }
};

// The bomb can be clicked from start-up until tick 18; whether restart was
// chosen plays no part.
class DefuseAtTickTest : public DefuseTest,
                         public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(DefuseAtTickTest, StopsTheTimerPlaysTheSoundShowsTheBoxAndEnds) {
  const auto [t, restart] = GetParam();
  LoadForm();
  TickTo(t);
  if (restart) PressKey(kVkShift, kShiftMask);
  const auto [x, y] = BombPoint();
  const std::string window = Logged(form.hWnd());
  form.OnMouseDown(x, y, kLeftButton, 0);
  const CallSpan click = platform.Ending([&] { form.OnMouseUp(x, y, kLeftButton, 0, 0); });
  EXPECT_EQ(click.exit, 0U);

  EXPECT_EQ(form.defuses_begun, 1);
  EXPECT_EQ(click.Log({"KillTimer", "PlaySoundA", "MessageBoxW", "DestroyWindow", "ExitProcess",
                       "ExitWindowsEx", "DispatchPendingMessages", "Sleep"}),
            (Lines{"KillTimer(" + window + ",1)", "PlaySoundA(105,0,ASYNC|NODEFAULT|MEMORY)",
                   "MessageBoxW(" + window + ",MB_OK)", "KillTimer(" + window + ",1)",
                   "DestroyWindow(" + window + ")", "ExitProcess(0)"}));
  EXPECT_TRUE(SoundsFromCurrentBank(click));
  const auto boxes = platform.CallsNamed("MessageBoxW");
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0]->text, kDefusedMessage);
  EXPECT_EQ(boxes[0]->title, kTitle);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
  EXPECT_EQ(module.TickCount, t);
  EXPECT_FALSE(form.IsLoaded());
}

// A cursor is never destroyed while it may be on the screen: the pointer over
// the bomb is shown what it is over now first, when a press or a release
// changes the bomb's cursor and when the window goes.
TEST_F(DefuseTest, NoCursorIsDestroyedWhileThePointerMayShowIt) {
  LoadForm();
  const auto [x, y] = BombPoint();
  Hcursor shown{};
  platform.on_call.push_back([&](const FakeCall& call) {
    if (call.name == "RefreshCursor") shown = form.CursorAt(x, y);
    if (call.name == "DestroyCursor") {
      EXPECT_NE(static_cast<Hcursor>(call.args[0]), shown) << "destroyed while shown";
    }
  });
  form.OnMouseDown(x, y, kRightButton, 0);   // the pressed finger replaces the raised one
  form.OnMouseUp(x, y, kRightButton, 0, 0);  // and back: no click with the right button
  form.Unload();
  EXPECT_EQ(platform.CallsNamed("DestroyCursor").size(), 3U);
  EXPECT_TRUE(IsNull(shown)) << "the arrow, once the window goes";
}

INSTANTIATE_TEST_SUITE_P(BeforeTheBombHides, DefuseAtTickTest,
                         ::testing::Combine(::testing::Values(0, 1, 2, 9, 14, 18),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<DefuseAtTickTest::ParamType>& info) {
                           return "T" + std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "_Restart" : "_Shutdown");
                         });

TEST_F(DefuseTest, FromTickNineteenTheHiddenBombCannotBeClicked) {
  LoadForm();
  TickTo(19);
  const Hcursor cursor = Cursor();
  EXPECT_FALSE(Ends([&] { ClickBomb(); }).has_value());
  EXPECT_EQ(form.defuses_begun, 0);
  EXPECT_EQ(Cursor(), cursor);
  EXPECT_TRUE(platform.CallsNamed("MessageBoxW").empty());
  const CallSpan last = platform.Ending([&] { Tick(); });
  EXPECT_EQ(last.exit, 0U);  // the detonation still comes
  EXPECT_EQ(last.Log({"ExitWindowsEx"}), Lines{"ExitWindowsEx(EWX_SHUTDOWN,0)"});
}

TEST_F(DefuseTest, AnyButtonDownShowsThePressedFingerAndReleaseTheRaisedOne) {
  LoadForm();
  const auto [x, y] = BombPoint();
  // Left last: its release over the bomb is a click, which ends the program.
  for (int button : {kRightButton, kMiddleButton, kLeftButton}) {
    SCOPED_TRACE("button " + std::to_string(button));
    for (int press = 0; press < 2; ++press) {  // each change loads the cursor anew
      const Hcursor raised = Cursor();
      ASSERT_FALSE(IsNull(raised));
      const CallSpan down = platform.During([&] { form.OnMouseDown(x, y, button, 0); });
      const Hcursor pressed = Cursor();
      EXPECT_NE(pressed, raised);
      EXPECT_EQ(down.Log({"LoadCursorResource", "DestroyCursor"}),
                (Lines{"LoadCursorResource(102)", "DestroyCursor(" + Logged(raised) + ")"}));
      // Shown at once, the pointer being still: the form wants it over the bomb.
      EXPECT_EQ(down.Log({"RefreshCursor"}), (Lines{"RefreshCursor(" + Logged(form.hWnd()) + ")"}));
      EXPECT_EQ(form.CursorAt(x, y), pressed);

      const CallSpan release = platform.Ending([&] { form.OnMouseUp(x, y, button, 0, 0); });
      if (button == kLeftButton) {
        // A left press and release on the bomb is a click: defused.
        EXPECT_TRUE(release.exit.has_value());
        EXPECT_EQ(form.defuses_begun, 1);
        EXPECT_EQ(release.Log({"LoadCursorResource", "DestroyCursor"}).front(),
                  "LoadCursorResource(101)");
        return;
      }
      EXPECT_FALSE(release.exit.has_value());
      EXPECT_NE(Cursor(), pressed);
      EXPECT_EQ(release.Log({"LoadCursorResource", "DestroyCursor"}),
                (Lines{"LoadCursorResource(101)", "DestroyCursor(" + Logged(pressed) + ")"}));
      EXPECT_EQ(form.defuses_begun, 0);
      EXPECT_TRUE(platform.CallsNamed("MessageBoxW").empty());
    }
  }
}

TEST_F(DefuseTest, ALeftPressReleasedOffTheBombRaisesTheFingerWithoutAClick) {
  LoadForm();
  const auto [x, y] = BombPoint();
  form.OnMouseDown(x, y, kLeftButton, 0);
  ASSERT_TRUE(LastLoadedWas(102));
  form.OnMouseUp(x + 200, y, kLeftButton, 0, 0);
  EXPECT_TRUE(LastLoadedWas(101));
  EXPECT_EQ(form.defuses_begun, 0);
  EXPECT_TRUE(form.IsLoaded());
  // The countdown goes on.
  TickTo(2);
  EXPECT_EQ(form.label(Label2_1).caption, L"9");
}

TEST_F(DefuseTest, ALeftPressOffTheBombReleasedOnItIsNoClick) {
  LoadForm();
  const auto [x, y] = BombPoint();
  const CallSpan press = platform.During([&] {
    form.OnMouseDown(x + 200, y, kLeftButton, 0);
    form.OnMouseUp(x, y, kLeftButton, 0, 0);
  });
  EXPECT_EQ(form.defuses_begun, 0);
  EXPECT_TRUE(press.Named("LoadCursorResource").empty());
  EXPECT_TRUE(form.IsLoaded());
}

}  // namespace
}  // namespace tickbomb::testing
