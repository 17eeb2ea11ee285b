// Endings of the program's own beside its three ways out: Alt+F4, the
// system's close key, and a request to quit (WM_QUIT) end it at once, as
// closing the window does, wherever they reach it: no shutdown request, no
// message box, nothing after.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

constexpr int kVkF4 = 0x73, kVkMenu = 0x12, kVkF10 = 0x79;

// Where the ending reaches the program.
enum class Where {
  BeforeTheFirstTick,
  AtTickSeven,
  InTick19sPump,
  InTick20sPump,
  InTheEscapeEnding
};
enum class How { AltF4, Quit, Close };

struct WayOut {
  const char* name;
  Where where;
  How how;
};

void PrintTo(const WayOut& w, std::ostream* out) { *out << w.name; }

class EndsAtOnce : public Form1Test, public ::testing::WithParamInterface<WayOut> {
 protected:
  void Deliver(How how) {
    switch (how) {
      case How::AltF4: PressKey(kVkF4, kAltMask); break;
      case How::Quit: platform.quit_posted = true; break;  // seen by the pump running this
      case How::Close: form.OnClose(); break;
    }
  }
};

TEST_P(EndsAtOnce, WithNeitherARequestNorABox) {
  const WayOut& w = GetParam();
  LoadForm();
  std::vector<std::pair<bool, int>> keys_seen;
  form.on_key = [&](bool down, int key, int /*shift*/) { keys_seen.emplace_back(down, key); };
  Lines after;  // every call from the delivery on
  const auto deliver = [&] {
    platform.on_call.push_back([&](const FakeCall& call) { after.push_back(LogLine(call)); });
    Deliver(w.how);
  };
  std::optional<unsigned> exit;
  switch (w.where) {
    case Where::BeforeTheFirstTick: exit = Ends(deliver); break;
    case Where::AtTickSeven:
      TickTo(7);
      exit = Ends(deliver);
      break;
    case Where::InTick19sPump:
    case Where::InTick20sPump:
      TickTo(w.where == Where::InTick19sPump ? 18 : 19);
      Queue(deliver);
      exit = Ends([&] { Tick(); });
      break;
    case Where::InTheEscapeEnding:
      Queue(deliver);  // waiting when the ending's first beat pumps
      exit = Ends([&] { PressKey(kVkEscape, 0); });
      break;
  }
  ASSERT_EQ(exit, 0U);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
  EXPECT_TRUE(platform.CallsNamed("MessageBoxW").empty());
  // At once: the end is the next thing the program does.
  EXPECT_EQ(after, (Lines{"ExitProcess(0)"}));
  if (w.how == How::AltF4) {
    ASSERT_FALSE(keys_seen.empty());
    EXPECT_EQ(keys_seen.back(), std::make_pair(true, kVkF4)) << "the form's KeyDown sees it first";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, EndsAtOnce,
    ::testing::Values(WayOut{"AltF4BeforeTheFirstTick", Where::BeforeTheFirstTick, How::AltF4},
                      WayOut{"AltF4AtTickSeven", Where::AtTickSeven, How::AltF4},
                      WayOut{"AltF4InTick19sPump", Where::InTick19sPump, How::AltF4},
                      WayOut{"AltF4InTick20sPump", Where::InTick20sPump, How::AltF4},
                      WayOut{"AltF4InTheEscapeEnding", Where::InTheEscapeEnding, How::AltF4},
                      WayOut{"QuitInTick19sPump", Where::InTick19sPump, How::Quit},
                      WayOut{"QuitInTick20sPump", Where::InTick20sPump, How::Quit},
                      WayOut{"QuitInTheEscapeEnding", Where::InTheEscapeEnding, How::Quit},
                      WayOut{"CloseAtTickSeven", Where::AtTickSeven, How::Close},
                      WayOut{"CloseInTick20sPump", Where::InTick20sPump, How::Close}),
    [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

// The rest of the keyboard stays as it was: F4 without Alt, Alt alone, F10
// (the keys of a system menu, which the window has not) end nothing, and the
// countdown goes on to its end.
TEST_F(Form1Test, OnlyAltF4Closes) {
  LoadForm();
  for (const auto& [key, shift] : std::vector<std::pair<int, int>>{
           {kVkF4, 0}, {kVkF4, kShiftMask}, {kVkMenu, kAltMask}, {kVkF10, 0}, {kVkF10, kAltMask}}) {
    EXPECT_FALSE(Ends([&, key = key, shift = shift] {
      PressKey(key, shift);
      ReleaseKey(key, 0);
    })) << "key "
        << key << " with modifiers " << shift;
  }
  EXPECT_EQ(Ends([&] { TickTo(20); }), 0U);
  EXPECT_EQ(platform.CallsNamed("ExitWindowsEx").size(), 1U);
}

}  // namespace
}  // namespace tickbomb::testing
