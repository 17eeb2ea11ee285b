// A run-time error stops the world before it reports: from the moment it is
// raised nothing runs, while the report is open, but the report itself, and
// closing it ends the program. Whatever the error and wherever it is raised
// (at start-up, inside a tick's pump, in the Escape ending, during a reload,
// out of memory, or a misuse of the C++ library).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

struct ErrorCase {
  const char* name;
  int number;  // the error the report names
  bool owned;  // the form has a window to own the report
  // Prepares the fake, then runs the program up to the error.
  std::function<void(FakePlatform&, WatchedForm1&)> run;
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.name; }

class RunTimeErrorTest : public Form1Test, public ::testing::WithParamInterface<ErrorCase> {};

void Ticks(FakePlatform& platform, WatchedForm1& form, int count) {
  for (int i = 0; i < count; ++i) {
    platform.clock_ms += 500;
    form.OnTimer();
  }
}

// Everything the window could still hand on while the report is open.
void Pester(FakePlatform& platform, WatchedForm1& form) {
  Ticks(platform, form, 40);
  form.OnKeyDown(kVkEscape, 0, false);
  form.OnKeyDown(forms::kVkDown, 0, false);  // a re-open command
  form.OnKeyDown(kVkShift, kShiftMask, false);
  form.OnMouseDown(30, 150, kLeftButton, 0);  // on the bomb
  form.OnMouseUp(30, 150, kLeftButton, 0, 0);
  form.OnMouseMove(200, 20, kLeftButton, 0);
  while (platform.RunNext()) {  // whatever was waiting in the queue
  }
}

TEST_P(RunTimeErrorTest, NothingRunsUnderTheReportAndClosingItEnds) {
  const ErrorCase& c = GetParam();
  std::size_t report = 0;  // index of the report's call
  platform.on_call.push_back([&](const FakeCall& call) {
    if (call.name != "MessageBoxW" || call.text.rfind(L"Run-time error", 0) != 0) return;
    if (report != 0) return;
    report = platform.calls.size() - 1;
    Pester(platform, form);  // the report's own message loop
  });
  const std::optional<unsigned> exit = Ends([&] { c.run(platform, form); });
  ASSERT_EQ(exit, 1U) << "the program went on, or ended without the error";
  ASSERT_NE(report, 0U);
  const std::wstring prefix = L"Run-time error '" + std::to_wstring(c.number) + L"'";
  EXPECT_EQ(platform.calls[report].text.rfind(prefix, 0), 0U) << "the report names the error";
  // Owned by the form's window where there is one, and shown in front; a box
  // of no owner is system-modal, so that a program started hidden or
  // minimised shows it all the same.
  EXPECT_EQ(LogLine(platform.calls[report]),
            c.owned ? "MessageBoxW(" + Logged(form.hWnd()) + ",MB_ICONERROR|MB_SETFOREGROUND)"
                    : "MessageBoxW(0,MB_ICONERROR|MB_SYSTEMMODAL|MB_SETFOREGROUND)");
  // After the report: its end, and nothing else at all.
  EXPECT_EQ(platform.From(report + 1).Log(), Lines{"ExitProcess(1)"});
  EXPECT_EQ(platform.CallsNamed("MessageBoxW").size(), 1U);
  EXPECT_TRUE(platform.CallsNamed("ExitWindowsEx").empty());
  EXPECT_TRUE(form.Halted());
  EXPECT_TRUE(platform.timers.empty()) << "the timer was stopped before the report";
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, RunTimeErrorTest,
    ::testing::Values(ErrorCase{"NoWindowCanBeCreated", 31001, false,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  p.form_window_fails = true;
                                  f.Load();
                                }},
                      ErrorCase{"CursorMissingAtStartUp", 326, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  p.missing_cursors = {101};
                                  f.Load();
                                }},
                      ErrorCase{"PictureMissingAtStartUp", 481, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  p.missing_pictures = {IDB_BIG_BOMB};
                                  f.Load();
                                }},
                      ErrorCase{"InsideTheLastPumpOfTheCountdown", 326, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  f.Load();
                                  p.on_call.push_back([&p, &f](const FakeCall& call) {
                                    if (call.name != "DispatchPendingMessages" || f.ticks != 19) {
                                      return;
                                    }
                                    p.missing_cursors = {
                                        101};  // a re-open queued by now fails its start-up
                                    p.focus = f.option(OptNone).hwnd;
                                    p.queue.push_back(
                                        [&f] { f.OnKeyDown(forms::kVkUp, 0, false); });
                                  });
                                  Ticks(p, f, 20);
                                }},
                      ErrorCase{"InTheEscapeEnding", 9, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  f.Load();
                                  // the digit 2's sound cannot be played from its array
                                  p.on_call.push_back([](const FakeCall& call) {
                                    if (call.name == "PlaySoundA" && call.args[0] == IDW_TWO &&
                                        call.args[2] == kSync) {
                                      forms::Raise(9);
                                    }
                                  });
                                  f.OnKeyDown(kVkEscape, 0, false);
                                }},
                      ErrorCase{"OutOfMemoryInATick", 7, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  f.Load();
                                  // as the program's operator new does, wherever it runs out
                                  p.on_call.push_back([](const FakeCall& call) {
                                    if (call.name == "PlaySoundA") forms::Raise(7);
                                  });
                                  Ticks(p, f, 4);
                                }},
                      ErrorCase{"LibraryMisuseWhileDragging", 51, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  f.Load();
                                  p.on_call.push_back([](const FakeCall& call) {
                                    if (call.name == "SendMessageA") forms::Raise(51);
                                  });
                                  f.OnMouseMove(200, 20, kLeftButton, 0);
                                }},
                      ErrorCase{"LibraryIndexOutOfRangeInATick", 9, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  f.Load();
                                  p.on_call.push_back([](const FakeCall& call) {
                                    if (call.name == "InvalidateRect") forms::Raise(9);
                                  });
                                  Ticks(p, f, 2);
                                }},
                      ErrorCase{"DuringAReload", 326, true,
                                [](FakePlatform& p, WatchedForm1& f) {
                                  f.Load();
                                  p.waves.erase(103);
                                  p.focus = f.option(OptNone).hwnd;
                                  f.OnKeyDown(forms::kVkDown, 0, false);
                                }}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tickbomb::testing
