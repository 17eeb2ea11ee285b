// Esc plays the rest of the countdown at once, a fake explosion and a
// teasing message, and ends without asking Windows for anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

constexpr std::uint32_t kRed = 255, kYellow = 65535;

const std::wstring kScream = L"\u30AE\u30E3\u30FC";  // ギャー
// "Windowsシャットダウンを" in plain ASCII letters, then the dots.
const std::wstring kShutdownWord = L"Windows\u30B7\u30E3\u30C3\u30C8\u30C0\u30A6\u30F3\u3092";
const std::wstring kHalfwidthLine = kShutdownWord + L"\uFF65\uFF65\uFF65";
const std::wstring kCalledOffCaption = kShutdownWord + L"\u30FB\u30FB\u30FB\r\n" +
                                       std::wstring(10, L'\u3000') +
                                       L"\u4E2D\u6B62\u3057\u307E\u3057\u305F"
                                       L"v(\uFF3E\uFF3E";
const std::wstring kEscapeMessage = L"びっくりした？じゃねー♪＠ω＠)ﾉｼ";
const std::wstring kTitle = L"By ピコリン";

// The form as the Escape ending leaves it at one of its moments.
struct Moment {
  int during_sound = 0;  // the synchronous sound playing, 0 if none
  std::uint32_t sleep = 0;
  Scene scene;
  std::wstring top_front, top_shadow;  // Label1(0), Label1(1)
  std::uint32_t top_front_color = 0, top_shadow_color = 0;
  bool seconds_shown = false, remaining_shown = false;  // the Label3 and Label4 pairs, any element
  int back_left = 0, back_top = 0, front_left = 0, front_top = 0;  // Label2(0), Label2(1)
};

class EscapeEndingTest : public Form1Test {
 protected:
  std::vector<Moment> moments;  // at every synchronous sound, sleep and message box
  std::vector<const FakeCall*> boxes;

  Moment Capture() const {
    Moment m;
    m.scene = Now();
    m.top_front = form.label(Label1_0).caption;
    m.top_shadow = form.label(Label1_1).caption;
    m.top_front_color = form.label(Label1_0).fore_color;
    m.top_shadow_color = form.label(Label1_1).fore_color;
    m.seconds_shown = form.label(Label3_0).visible || form.label(Label3_1).visible;
    m.remaining_shown = form.label(Label4_0).visible || form.label(Label4_1).visible;
    m.back_left = form.label(Label2_0).left;
    m.back_top = form.label(Label2_0).top;
    m.front_left = form.label(Label2_1).left;
    m.front_top = form.label(Label2_1).top;
    return m;
  }
  void WatchMoments() {
    platform.on_call.push_back([&](const FakeCall& call) {
      if (IsSyncSound(call)) {
        Moment m = Capture();
        m.during_sound = static_cast<int>(call.args[0]);
        moments.push_back(m);
      } else if (call.name == "Sleep") {
        Moment m = Capture();
        m.sleep = static_cast<std::uint32_t>(call.args[0]);
        moments.push_back(m);
      } else if (call.name == "MessageBoxW") {
        moments.push_back(Capture());
      }
    });
  }
  std::vector<int> SyncSounds() const {
    std::vector<int> ids;
    for (const Moment& m : moments) {
      if (m.during_sound != 0) ids.push_back(m.during_sound);
    }
    return ids;
  }
  std::vector<const FakeCall*> Boxes() const { return platform.CallsNamed("MessageBoxW"); }
};

class EscapeAtTickTest : public EscapeEndingTest, public ::testing::WithParamInterface<int> {};

TEST_P(EscapeAtTickTest, PlaysTheRemainingBeatsTheFakeExplosionAndEnds) {
  const int t = GetParam();
  LoadForm();
  const Moment design = Capture();
  const std::string h = Logged(form.hWnd());
  CallSpan ending;
  Moment at_escape;
  const auto escape = [&] {
    at_escape = Capture();
    WatchMoments();
    ending = platform.Ending([&] { PressKey(kVkEscape, 0); });
    if (ending.exit) throw ProcessExit{*ending.exit};  // the program ended: nothing runs on
  };
  if (t < 20) {
    TickTo(t);
    Ends(escape);
  } else {
    TickTo(19);  // Esc waiting in the queue when tick 20 pumps
    Queue(escape);
    Ends([&] { Tick(); });
  }
  ASSERT_EQ(ending.exit, 0U);
  EXPECT_EQ(form.escapes_begun, 1);

  // Which beats of the countdown ran is told by T alone.
  struct Beat {
    int up_to, wave;
    const wchar_t* digits;
    int bomb;
    bool bomb_visible;
  };
  const Beat beats[] = {{14, IDW_THREE, L"3", IDB_BOMB_SHORT, true},
                        {16, IDW_TWO, L"2", IDB_BOMB_LIT, true},
                        {18, IDW_ONE, L"1", IDB_BOMB_SHORT, false}};
  const std::string shown = "UpdateWindow(" + h + ")", pump = "DispatchPendingMessages()";
  Lines expected = {"KillTimer(" + h + ",1)"};
  const auto add = [&](std::initializer_list<std::string> lines) {
    expected.insert(expected.end(), lines);
  };
  std::vector<int> expected_sync;
  for (const Beat& beat : beats) {
    if (t > beat.up_to) continue;
    add({shown, pump, "PlaySoundA(" + std::to_string(beat.wave) + ",0,NODEFAULT|MEMORY)"});
    expected_sync.push_back(beat.wave);
  }
  add({shown, "Sleep(125)", shown, pump});  // the big bomb, then the scream
  for (int frame = 0; frame < 3; ++frame) add({shown, pump, "Sleep(50)"});
  add({"PlaySoundA(101,0,NODEFAULT|MEMORY)", shown, pump});  // the explosion, the bomb back
  add({"PlaySoundA(105,0,ASYNC|NODEFAULT|MEMORY)", "MessageBoxW(" + h + ",MB_OK)",
       "KillTimer(" + h + ",1)", "DestroyWindow(" + h + ")", "ExitProcess(0)"});
  expected_sync.push_back(IDW_EXPLOSION);
  EXPECT_EQ(ending.Log({"KillTimer", "UpdateWindow", "DispatchPendingMessages", "PlaySoundA",
                        "Sleep", "MessageBoxW", "DestroyWindow", "ExitProcess", "ExitWindowsEx"}),
            expected);
  EXPECT_EQ(SyncSounds(), expected_sync);
  EXPECT_TRUE(SoundsFromCurrentBank(ending));

  // The countdown's beats, each seen while its sound plays.
  std::size_t i = 0;
  for (const Beat& beat : beats) {
    if (t > beat.up_to) continue;
    ASSERT_LT(i, moments.size());
    const Moment& m = moments[i++];
    SCOPED_TRACE("beat with sound " + std::to_string(beat.wave));
    EXPECT_EQ(m.during_sound, beat.wave);
    EXPECT_EQ(m.scene.digits_back, beat.digits);
    EXPECT_EQ(m.scene.digits_front, beat.digits);
    EXPECT_EQ(m.scene.bomb_visible, beat.bomb_visible);
    if (beat.bomb_visible) {
      EXPECT_EQ(m.scene.bomb_picture, beat.bomb);
    }
  }
  // The fake explosion: 125 ms of big bomb, then the scream and three frames.
  ASSERT_EQ(moments.size(), i + 6);
  const Moment& first_sleep = moments[i];
  EXPECT_EQ(first_sleep.sleep, 125U);
  EXPECT_EQ(first_sleep.scene.form_picture, IDB_BIG_BOMB);
  EXPECT_FALSE(first_sleep.scene.bomb_visible);
  EXPECT_EQ(first_sleep.scene.digits_front, t == 20 ? L"0" : L"1");
  EXPECT_EQ(first_sleep.scene.digits_front_color, at_escape.scene.digits_front_color);
  const int frames[] = {IDB_EXPLOSION, IDB_BIG_BOMB, IDB_EXPLOSION};
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(moments[i + 1 + f].sleep, 50U);
    EXPECT_EQ(moments[i + 1 + f].scene.form_picture, frames[f]);
  }
  const Moment& boom = moments[i + 4];
  EXPECT_EQ(boom.during_sound, IDW_EXPLOSION);
  EXPECT_EQ(boom.scene.form_picture, IDB_EXPLOSION);
  EXPECT_EQ(boom.scene.digits_back, kScream);
  EXPECT_EQ(boom.scene.digits_front, kScream);
  EXPECT_EQ(boom.scene.digits_back_color, kYellow);
  EXPECT_EQ(boom.scene.digits_front_color, kRed);
  EXPECT_EQ(boom.back_left, at_escape.back_left - 120);
  EXPECT_EQ(boom.back_top, at_escape.back_top + 520);
  EXPECT_EQ(boom.front_left, at_escape.front_left - 180);
  EXPECT_EQ(boom.front_top, at_escape.front_top + 460);
  EXPECT_EQ(CodePoints(boom.top_front), CodePoints(kHalfwidthLine));
  EXPECT_EQ(CodePoints(boom.top_shadow), CodePoints(kHalfwidthLine));
  EXPECT_EQ(boom.top_shadow_color, kRed);
  EXPECT_EQ(boom.top_front_color, design.top_front_color);
  EXPECT_FALSE(boom.seconds_shown);
  EXPECT_FALSE(boom.remaining_shown);

  // The ending, as the message box finds it.
  const Moment& end = moments[i + 5];
  EXPECT_EQ(end.scene.form_picture, IDB_BIG_BOMB);
  EXPECT_FALSE(end.scene.bomb_visible);
  EXPECT_EQ(end.scene.digits_front, kScream);
  EXPECT_EQ(end.scene.digits_front_color, kRed);
  EXPECT_EQ(end.scene.digits_back_color, kYellow);
  EXPECT_EQ(CodePoints(end.top_front), CodePoints(kCalledOffCaption));
  EXPECT_EQ(CodePoints(end.top_shadow), CodePoints(kCalledOffCaption));
  EXPECT_FALSE(end.seconds_shown);
  EXPECT_FALSE(end.remaining_shown);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0]->text, kEscapeMessage);
  EXPECT_EQ(boxes[0]->title, kTitle);
  EXPECT_EQ(boxes[0]->args[1], 0);  // MB_OK: no icon

  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(module.TickCount, t);
  EXPECT_EQ(module.KeysArmed, kTrue);
}

INSTANTIATE_TEST_SUITE_P(AtT, EscapeAtTickTest, ::testing::Values(0, 14, 15, 16, 17, 18, 19, 20),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "T" + std::to_string(info.param);
                         });

// ---- events already queued when the ending pumps

TEST_F(EscapeEndingTest, AClickOnTheBombAtTheFirstBeatDefusesInstead) {
  LoadForm();
  Queue([&] { ClickBomb(); });  // runs in the pump before "3" plays
  const CallSpan escape = platform.Ending([&] { PressKey(kVkEscape, 0); });
  EXPECT_EQ(escape.exit, 0U);
  EXPECT_EQ(form.defuses_begun, 1);
  EXPECT_EQ(escape.Sounds(), (std::vector<std::pair<int, int>>{{IDW_FANFARE, kAsync}}));
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0]->text, L"な～んだ、残念～♪Ψ(￣▽￣)Ψ");
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

TEST_F(EscapeEndingTest, AClickOnTheBombAtTheSecondBeatDefusesInstead) {
  LoadForm();
  bool queued = false;
  platform.on_call.push_back([&](const FakeCall& call) {
    if (!IsSyncSound(call) || queued) return;
    Queue([&] { ClickBomb(); });  // clicked while "3" plays: runs in the pump before "2"
    queued = true;
  });
  const CallSpan escape = platform.Ending([&] { PressKey(kVkEscape, 0); });
  EXPECT_EQ(escape.exit, 0U);
  EXPECT_EQ(form.defuses_begun, 1);
  EXPECT_EQ(escape.Sounds(),
            (std::vector<std::pair<int, int>>{{IDW_THREE, kSync}, {IDW_FANFARE, kAsync}}));
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0]->text, L"な～んだ、残念～♪Ψ(￣▽￣)Ψ");
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

TEST_F(EscapeEndingTest, AClickOnceTheBombIsHiddenDoesNothing) {
  LoadForm();
  TickTo(17);  // only the beat of "1" is left, with the bomb already hidden
  Queue([&] { ClickBomb(); });
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  EXPECT_EQ(form.defuses_begun, 0);
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0]->text, kEscapeMessage);
}

TEST_F(EscapeEndingTest, ASecondEscapeRunsTheEndingAgainInsideAndThatEnds) {
  LoadForm();
  WatchMoments();
  Queue([&] { PressKey(kVkEscape, 0); });  // runs in the pump before "3" plays
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  EXPECT_EQ(form.escapes_begun, 2);
  // The outer run never got past its first pump: each sound once.
  EXPECT_EQ(SyncSounds(), (std::vector<int>{IDW_THREE, IDW_TWO, IDW_ONE, IDW_EXPLOSION}));
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0]->text, kEscapeMessage);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

TEST_F(EscapeEndingTest, ASecondEscapeDuringTheExplosionAlsoEndsOnce) {
  LoadForm();
  TickTo(19);
  bool queued = false;
  platform.on_call.push_back([&](const FakeCall& call) {
    if (call.name == "Sleep" && call.args[0] == 125 && !queued) {
      queued = true;
      Queue([&] { PressKey(kVkEscape, 0); });  // runs in the pump after the scream
    }
  });
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  EXPECT_EQ(form.escapes_begun, 2);
  EXPECT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(platform.CallsNamed("DestroyWindow").size(), 1U);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

// Esc held down: the keyboard repeats it some thirty times a second. Repeats
// waiting at the ending's pumps, and those that reach the window while its
// box is up (the box's loop hands them on), start nothing: one ending's calls,
// the scream moved once, the box closed only by the user.
struct HeldEscape {
  Lines calls;
  int scream_left = 0;  // Label2(0) when the box is up
  int boxes_open = 0;   // at the deepest
};

HeldEscape HoldEscape(int repeats_queued, int repeats_per_pump) {
  FakePlatform platform;
  Module1 module;
  WatchedForm1 form{platform, platform, module};
  form.Load();
  HeldEscape held;
  int open = 0;
  int repeats_left = 600;  // some twenty seconds of holding, at most
  const auto repeat = [&] { form.OnKeyDown(kVkEscape, 0, true); };
  platform.on_call.push_back([&](const FakeCall& call) {
    const bool box = call.name == "MessageBoxW";
    if (call.name != "DispatchPendingMessages" && !box) return;
    for (int i = 0; i < repeats_per_pump && repeats_left > 0; ++i, --repeats_left) {
      platform.queue.emplace_back(repeat);
    }
    if (!box) return;
    held.scream_left = form.label(Label2_0).left;
    held.boxes_open = std::max(held.boxes_open, ++open);
    while (platform.RunNext()) {
    }
    --open;
  });
  for (int i = 0; i < repeats_queued; ++i) platform.queue.emplace_back(repeat);
  try {
    form.OnKeyDown(kVkEscape, 0, false);
  } catch (const ProcessExit&) {
  }
  held.calls = platform.Log();
  return held;
}

TEST(HeldEscapeTest, RepeatsIntoTheOneEndingItBegan) {
  const HeldEscape once = HoldEscape(0, 0);
  const HeldEscape held = HoldEscape(200, 30);
  EXPECT_EQ(held.calls, once.calls);
  EXPECT_EQ(held.scream_left, Form1Design().labels[Label2_0].left - 120);
  EXPECT_EQ(held.boxes_open, 1);
  EXPECT_EQ(held.calls.back(), "ExitProcess(0)");
}

TEST_F(EscapeEndingTest, AKeyAlreadyDownWhenTheWindowCameStartsTheEnding) {
  LoadForm();
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0, /*repeated=*/true); }), 0U);
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0]->text, kEscapeMessage);
}

class ShiftDuringTheExplosionTest : public EscapeEndingTest,
                                    public ::testing::WithParamInterface<int> {};

TEST_P(ShiftDuringTheExplosionTest, OverwritesTheTopLineUntilTheEnding) {
  const int shift = GetParam();
  LoadForm();
  TickTo(19);
  WatchMoments();
  platform.on_call.push_back([&](const FakeCall& call) {
    // Pressed while the big bomb shows: runs in the pump after the scream.
    if (call.name == "Sleep" && call.args[0] == 125) {
      Queue([&] { PressKey(kVkShift, shift); });
    }
  });
  EXPECT_EQ(Ends([&] { PressKey(kVkEscape, 0); }), 0U);
  const std::wstring selected =
      shift == 1 ? L"Ｗｉｎｄｏｗｓ再起動まで・・・\u3000" : L"Ｗｉｎｄｏｗｓシャットダウンまで";
  ASSERT_EQ(moments.size(), 6U);
  const Moment& boom = moments[4];
  ASSERT_EQ(boom.during_sound, IDW_EXPLOSION);
  EXPECT_EQ(boom.top_front, selected);
  EXPECT_EQ(boom.top_shadow, selected);
  EXPECT_EQ(module.ExitFlags, shift == 1 ? win::EWX_REBOOT : win::EWX_SHUTDOWN);
  EXPECT_EQ(CodePoints(moments[5].top_front), CodePoints(kCalledOffCaption));
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
}

INSTANTIATE_TEST_SUITE_P(ShiftState, ShiftDuringTheExplosionTest, ::testing::Values(0, 1));

}  // namespace
}  // namespace tickbomb::testing
