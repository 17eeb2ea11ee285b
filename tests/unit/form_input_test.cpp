// Input routing: the option group and its arrow keys, KeyPreview, and where
// the mouse goes: to the control under it, to the one a button went down on
// until the release, or to the bare form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"
#include "tests/unit/recording_form.h"

namespace tickbomb::testing {
namespace {

using forms::kVkDown;
using forms::kVkLeft;
using forms::kVkRight;
using forms::kVkUp;

// A form of Form1's design whose handlers only note what reached them,
// loaded, with the load's own events cleared.
class FormInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Load();
    form.ClearEvents();
  }
  // The events one mouse move raises.
  std::vector<std::string> Move(int x, int y, int buttons = 0) {
    form.ClearEvents();
    form.OnMouseMove(x, y, buttons, 0);
    return form.events;
  }
  FakePlatform platform;
  RecordingForm form{platform, platform};
};

// ================================================================ the option group

struct GroupMove {
  int focused, selected, key;
  int lands_on;  // the button that has the focus afterwards, and is selected
  bool click;    // whether its Click is raised
};

class OptionGroupKeys : public FormInputTest, public ::testing::WithParamInterface<GroupMove> {};

TEST_P(OptionGroupKeys, MoveTheSelectionInFocusOrder) {
  const GroupMove& row = GetParam();
  form.SetOptionValue(row.selected, true);
  platform.focus = form.option(row.focused).hwnd;
  form.ClearEvents();

  form.OnKeyDown(row.key, 0, false);

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

class OptionGroup : public FormInputTest {};

TEST_F(OptionGroup, OtherKeysAndAnUnfocusedGroupMoveNothing) {
  for (int key :
       {int{kVkEscape}, kVkShift, 9 /* Tab */, 13 /* Enter */, 32 /* Space */, 65 /* A */}) {
    form.OnKeyDown(key, 0, false);
    EXPECT_EQ(platform.focus, form.option(OptNone).hwnd) << "key " << key;
  }
  platform.focus = Hwnd{};  // the focus is elsewhere
  for (int key : {kVkUp, kVkDown, kVkLeft, kVkRight}) form.OnKeyDown(key, 0, false);
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
  form.OnKeyDown(kVkDown, 0, false);
  EXPECT_EQ(form.hWnd(), window);
  EXPECT_EQ(form.OpenFrom, open_from);
  EXPECT_TRUE(form.option(OptNone).value);
  EXPECT_TRUE(platform.CallsNamed("DestroyWindow").empty());
  EXPECT_TRUE(platform.CallsNamed("Rectangle").empty());
}

// ================================================================ KeyPreview

class KeyPreview : public FormInputTest {};

TEST_F(KeyPreview, TheFormSeesEveryKeyFirstWhateverHasTheFocus) {
  std::vector<Hwnd> focus_holders = OptionWindows(form);
  focus_holders.push_back(Hwnd{});
  for (Hwnd holder : focus_holders) {
    platform.focus = holder;
    form.ClearEvents();
    form.OnKeyDown(kVkEscape, 0, false);
    form.OnKeyDown(kVkShift, kShiftMask, false);
    form.OnKeyUp(kVkShift, 0);
    form.OnKeyUp('A', kShiftMask | kCtrlMask);
    EXPECT_EQ(form.events, (std::vector<std::string>{"KeyDown(27,0)", "KeyDown(16,1)",
                                                     "KeyUp(16,0)", "KeyUp(65,3)"}))
        << "focus " << holder;
  }
  // An arrow reaches the form before the group moves.
  platform.focus = form.option(OptNone).hwnd;
  form.ClearEvents();
  form.OnKeyDown(kVkUp, kShiftMask, false);
  EXPECT_EQ(form.events, (std::vector<std::string>{"KeyDown(38,1)", "OptionClick(3)"}));
}

// ================================================================ the mouse

class MouseRouting : public FormInputTest {};

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

}  // namespace
}  // namespace tickbomb::testing
