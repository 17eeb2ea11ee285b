// Long random runs of everything a user, the timer and the machine can do to
// the window, including events that wait in the queue and run nested inside
// the pumps of the countdown and of the Escape ending, timer wake-ups that
// come early or late, stalls of the whole program, and run-time errors raised
// anywhere. Whatever happens, the shutdown is asked for at most once, only by
// tick 20 of the countdown that is current then, never once a defuse or an
// Escape has begun, and never before ten seconds since the countdown began;
// no tick comes before its time, no two ticks less than 400 ms apart, and a
// stall of the program costs the countdown its own length (less at most the
// one period it began in), never ticks; nothing touches a destroyed
// window (the fake throws); after a run-time error nothing at all happens but
// its report; and the program ends in one of its three ways, or with the
// report of the error that was raised.
//
// `TICKBOMB_SOAK_SEQUENCES=N` runs N sequences across the profiles instead
// (tools/soak.sh).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

struct Profile {
  const char* name;
  int seeds;
  int steps;
  double tick;    // share of steps that are a timer tick at top level
  double queued;  // share of user events that wait in the queue instead of running at once
  double escape;  // share of key events that are Esc
  double arrow;   // share of key events that are arrows (re-open commands)
  double click;   // share of user events that are a left click on the bomb
  double stall;   // share of timer wake-ups that come after the program was held up
  double early;   // share of timer wake-ups that come before the tick is due
  double error;   // share of runs in which a call raises a run-time error
};

void PrintTo(const Profile& profile, std::ostream* out) { *out << profile.name; }

struct Tally {
  int runs = 0, detonations = 0, escapes = 0, defuses = 0, unfinished = 0;
  int nested_reopens = 0;  // re-opens run inside a pump
  int stalls = 0, errors = 0;
  std::vector<std::string> violations;
};

constexpr double kPeriodMs = 500;
constexpr double kClosestTicksMs = 400;

// One run of the program under a fixed seed.
class RandomRun {
 public:
  RandomRun(std::uint32_t seed, const Profile& profile, Tally& tally)
      : seed_(seed), profile_(profile), tally_(tally), random_(seed) {
    static const std::pair<std::uint32_t, std::uint32_t> kVersions[] = {{2, 4},  {2, 5}, {2, 6},
                                                                        {2, 10}, {1, 4}, {0, 3}};
    const auto& version = kVersions[Pick(std::size(kVersions))];
    platform_.version.dwPlatformId = version.first;
    platform_.version.dwMajorVersion = version.second;
    if (Chance(profile_.error)) fail_at_call_ = 1 + Pick(400);
    Watch();
  }

  void Go() {
    ++tally_.runs;
    try {
      form_.Load();
      if (!form_.IsLoaded()) Violation("the form did not load");
      for (step_ = 0; step_ < profile_.steps; ++step_) Step();
      ++tally_.unfinished;
    } catch (const ProcessExit& exit) {
      Ended(exit.code);
    } catch (const std::logic_error& error) {
      Violation(std::string("touched a dead object: ") + error.what());
    }
    if (failed_at_ != 0) ++tally_.errors;
  }

 private:
  // ---- the random user
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

  void Step() {
    if (!platform_.queue.empty() && Chance(0.3)) {  // the message loop takes the next waiting event
      platform_.RunNext();
      return;
    }
    if (Chance(profile_.tick)) {
      Tick();
      return;
    }
    std::function<void()> event = UserEvent();
    if (Chance(profile_.queued)) {
      platform_.queue.push_back(event);
    } else {
      event();
    }
  }

  // A WM_TIMER. It comes when the timer was set to go off (a little late, as
  // timers are), before that, or after the program was held up for a while
  // (a busy machine, a paused VM): the time held up is not the program's.
  void Tick() {
    const auto timer = platform_.timers.find(1);
    const double due = timer != platform_.timers.end() ? timer->second : kPeriodMs;
    if (Chance(profile_.early)) {
      platform_.clock_ms += std::uniform_real_distribution<double>(0, due)(random_);
    } else {
      platform_.clock_ms += due + std::uniform_real_distribution<double>(0, 60)(random_);
      if (Chance(profile_.stall)) {
        const double held = std::uniform_real_distribution<double>(600, 8000)(random_);
        platform_.clock_ms += held;
        held_since_load_ += held;
        ++stalls_since_load_;
        ++tally_.stalls;
      }
    }
    form_.OnTimer();
  }

  std::function<void()> UserEvent() {
    const double r = std::uniform_real_distribution<double>(0, 1)(random_);
    if (r < profile_.click) {
      return [this] { Click(kLeftButton); };
    }
    if (r < 0.55) {
      const auto [key, state] = Key();
      const bool down = Chance(0.6);
      const bool repeated = down && Chance(0.3);  // a key held down
      return [this, key, state, down, repeated] {
        if (down) {
          form_.OnKeyDown(key, state, repeated);
        } else {
          form_.OnKeyUp(key, state);
        }
      };
    }
    if (r < 0.62) return [this] { Click(kRightButton); };
    if (r < 0.70) return [this] { Tick(); };  // a timer message waiting behind the others
    const int x = static_cast<int>(Pick(440)), y = static_cast<int>(Pick(420));
    const int buttons = static_cast<int>(Pick(8));
    if (r < 0.85) return [this, x, y, buttons] { form_.OnMouseMove(x, y, buttons, 0); };
    if (r < 0.93) return [this, x, y] { form_.OnMouseDown(x, y, kLeftButton, 0); };
    return [this, x, y] { form_.OnMouseUp(x, y, kLeftButton, 0, 0); };
  }

  std::pair<int, int> Key() {
    static const int kStates[] = {0, 0, 1, 1, 2, 3, 4, 5};
    const int state = kStates[Pick(std::size(kStates))];
    if (Chance(profile_.escape)) return {kVkEscape, state};
    if (Chance(profile_.arrow)) {
      static const int kArrows[] = {forms::kVkUp, forms::kVkDown, forms::kVkLeft, forms::kVkRight};
      return {kArrows[Pick(4)], state};
    }
    static const int kKeys[] = {kVkShift, kVkShift, kVkControl, 'A', ' '};
    return {kKeys[Pick(std::size(kKeys))], state};
  }

  void Click(int button) {
    if (!form_.IsLoaded()) return;
    const forms::Image& bomb = form_.image(Image1);
    const int x = (bomb.left + bomb.width / 2) / forms::kTwipsPerPixel;
    const int y = (bomb.top + bomb.height / 2) / forms::kTwipsPerPixel;
    form_.OnMouseDown(x, y, button, 0);
    form_.OnMouseUp(x, y, button, 0, 0);
  }

  // ---- a run-time error raised by the `fail_at_call_`th call, of one kind or another
  void MaybeFail(const FakeCall& call) {
    if (fail_at_call_ == 0 || failed_at_ != 0 || platform_.calls.size() != fail_at_call_) return;
    // The report, the end and the shutdown request raise nothing of their own.
    if (call.name == "MessageBoxW" || call.name == "ExitProcess" || call.name == "ExitWindowsEx") {
      return;
    }
    failed_at_ = platform_.calls.size();
    switch (fail_at_call_ % 3) {
      case 0: forms::Raise(forms::kErrSubscriptOutOfRange);
      case 1: forms::Raise(forms::kErrOutOfMemory);
      default: forms::Raise(forms::kErrInternal);
    }
  }

  // Under the report, the window goes on handing over whatever comes: none
  // of it may run.
  void Pester() {
    for (int i = 0; i < 6; ++i) Tick();
    form_.OnKeyDown(kVkEscape, 0, false);
    form_.OnKeyDown(forms::kVkDown, 0, false);
    Click(kLeftButton);
    while (platform_.RunNext()) {
    }
  }

  // ---- what is watched
  void Watch() {
    platform_.on_call.push_back([this](const FakeCall& call) {
      if (report_at_ != 0 && call.name != "ExitProcess") {
        Violation(call.name + " under the report of a run-time error");
      }
      MaybeFail(call);
    });
    form_.on_key = [this](bool down, int key, int state) {
      if (down && key == kVkEscape) return;  // the Escape ending, not the rule
      if (module_.KeysArmed == kFalse) return;
      if (state == 0) chosen_flags_ = module_.DefaultExitFlags;
      if (state == 1) chosen_flags_ = win::EWX_REBOOT;
    };
    form_.on_tick = [this] {
      const std::vector<double>& times = form_.tick_times;
      const std::size_t n = times.size();
      if (n >= 2 && times[n - 1] - times[n - 2] < kClosestTicksMs) {
        Violation("two ticks " + std::to_string(times[n - 1] - times[n - 2]) + " ms apart");
      }
      const double since_armed = times[n - 1] - form_.armed_at;
      const double nominal = kPeriodMs * static_cast<double>(n);
      if (since_armed < nominal) {
        Violation("tick " + std::to_string(n) + " " + std::to_string(since_armed) +
                  " ms after the countdown began");
      }
      // The program cannot tell when a stall began, only that a tick came
      // late: the part of a stall before the tick was due may be lost.
      const double allowance = kPeriodMs * stalls_since_load_;
      if (since_armed - held_since_load_ < nominal - allowance) {
        Violation("tick " + std::to_string(n) + " " + std::to_string(since_armed) + " ms after " +
                  "the countdown began, " + std::to_string(held_since_load_) + " ms of it stalls");
      }
    };
    platform_.on_call.push_back([this](const FakeCall& call) {
      if (call.name == "MessageBoxW" && call.text.rfind(L"Run-time error", 0) == 0 &&
          report_at_ == 0) {
        report_at_ = platform_.calls.size();
        if (failed_at_ == 0) return;  // an error of the program's own: Ended() tells
        Pester();
      } else if (call.name == "ExitWindowsEx") {
        ShutdownRequested(static_cast<std::uint32_t>(call.args[0]));
      } else if (call.name == "PlaySoundA") {
        if (call.sound != module_.Waves.Wave(static_cast<int>(call.args[0])).data()) {
          Violation("a sound played from a bank that is not the current one");
        }
      } else if (call.name == "GetVersionExA" && form_.loads != loads_seen_) {
        // The start-up's version probe: a new countdown, a fresh selection.
        loads_seen_ = form_.loads;
        held_since_load_ = 0;
        stalls_since_load_ = 0;
        chosen_flags_.reset();
        if (platform_.pump_depth > 0) ++tally_.nested_reopens;
      }
    });
  }

  void ShutdownRequested(std::uint32_t flags) {
    ++requests_;
    if (requests_ > 1) Violation("ExitWindowsEx asked for more than once");
    if (failed_at_ != 0) Violation("ExitWindowsEx after a run-time error");
    if (form_.tick_times.size() != 20 || platform_.clock_ms < form_.tick_times.back()) {
      Violation("ExitWindowsEx outside tick 20");  // whose time the tick checks
    }
    if (module_.TickCount != 20)
      Violation("ExitWindowsEx at TickCount " + std::to_string(module_.TickCount));
    if (!form_.IsLoaded()) Violation("ExitWindowsEx with the form unloaded");
    if (form_.ticks - form_.ticks_at_load != 20) {
      Violation("ExitWindowsEx " + std::to_string(form_.ticks - form_.ticks_at_load) +
                " ticks after the current countdown began");
    }
    if (form_.escapes_begun > 0) Violation("ExitWindowsEx after an Escape began");
    if (form_.defuses_begun > 0) Violation("ExitWindowsEx after a defuse began");
    if (form_.GetPicture().id != IDB_EXPLOSION)
      Violation("ExitWindowsEx without the explosion on screen");
    if (module_.KeysArmed != kFalse) Violation("ExitWindowsEx with the keys still armed");
    const std::uint32_t expected = chosen_flags_.value_or(module_.DefaultExitFlags);
    if (flags != expected) {
      Violation("ExitWindowsEx(" + std::to_string(flags) + ") where the last Shift choice was " +
                std::to_string(expected));
    }
  }

  void Ended(unsigned code) {
    if (failed_at_ != 0) {
      if (code != 1 || report_at_ == 0) Violation("a run-time error ended without its report");
      return;
    }
    if (code != 0) {
      const auto boxes = platform_.CallsNamed("MessageBoxW");
      std::string report;
      if (!boxes.empty()) {
        for (wchar_t c : boxes.back()->text) report += c < 0x80 ? static_cast<char>(c) : '?';
      }
      Violation("ended with a run-time error: " + report);
      return;
    }
    if (form_.IsLoaded()) Violation("ended without unloading the form");
    const auto boxes = platform_.CallsNamed("MessageBoxW");
    if (requests_ == 1) {
      ++tally_.detonations;
      if (!boxes.empty()) Violation("a message box on the detonation path");
      return;
    }
    if (boxes.size() != 1) {
      Violation("ended with " + std::to_string(boxes.size()) + " message boxes");
      return;
    }
    if (boxes[0]->text == L"な～んだ、残念～♪Ψ(￣▽￣)Ψ") {
      ++tally_.defuses;
      if (form_.defuses_begun == 0) Violation("the defuse message without a click on the bomb");
    } else if (boxes[0]->text == L"びっくりした？じゃねー♪＠ω＠)ﾉｼ") {
      ++tally_.escapes;
      if (form_.escapes_begun == 0) Violation("the Escape message without an Escape");
    } else {
      Violation("an unknown message box");
    }
  }

  void Violation(const std::string& what) {
    std::ostringstream line;
    line << "seed " << seed_ << " (" << profile_.name << "), step " << step_ << ": " << what;
    tally_.violations.push_back(line.str());
  }

  std::uint32_t seed_;
  const Profile& profile_;
  Tally& tally_;
  std::mt19937 random_;
  FakePlatform platform_;
  Module1 module_;
  WatchedForm1 form_{platform_, platform_, module_};
  int step_ = 0;
  int requests_ = 0;
  int loads_seen_ = 0;
  double held_since_load_ = 0;  // time stalled since the current countdown was armed
  int stalls_since_load_ = 0;
  std::size_t fail_at_call_ = 0;  // the call that raises a run-time error (0: none)
  std::size_t failed_at_ = 0;     // the call that did
  std::size_t report_at_ = 0;     // the call that showed the error's report
  std::optional<std::uint32_t> chosen_flags_;
};

const Profile kProfiles[] = {
    //     name        seeds steps tick queued escape arrow click stall early error
    Profile{"Balanced", 800, 400, 0.45, 0.4, 0.03, 0.10, 0.02, 0.03, 0.10, 0.05},
    Profile{"QueueHeavy", 700, 400, 0.40, 0.9, 0.05, 0.20, 0.03, 0.02, 0.10, 0.05},
    Profile{"FastTicks", 700, 300, 0.75, 0.6, 0.02, 0.15, 0.01, 0.05, 0.20, 0.05},
    Profile{"ManyReopens", 500, 500, 0.50, 0.7, 0.02, 0.45, 0.01, 0.03, 0.10, 0.05},
    Profile{"Stalls", 600, 300, 0.70, 0.5, 0.01, 0.05, 0.005, 0.30, 0.25, 0.02},
    Profile{"Errors", 500, 300, 0.55, 0.6, 0.03, 0.15, 0.02, 0.05, 0.10, 0.60},
};

class SequencePropertyTest : public ::testing::TestWithParam<Profile> {};

TEST_P(SequencePropertyTest, ShutdownOnlyFromTickTwentyOfTheCurrentCountdown) {
  const Profile& profile = GetParam();
  Tally tally;
  for (int seed = 1; seed <= profile.seeds; ++seed) {
    RandomRun run(static_cast<std::uint32_t>(seed) * 7919U, profile, tally);
    run.Go();
  }
  for (std::size_t i = 0; i < tally.violations.size() && i < 20; ++i) {
    ADD_FAILURE() << tally.violations[i];
  }
  EXPECT_TRUE(tally.violations.empty()) << tally.violations.size() << " violations";
  // The runs really went everywhere: every ending, and re-opens inside pumps.
  EXPECT_EQ(tally.runs, profile.seeds);
  EXPECT_GT(tally.detonations, profile.seeds / 10) << "too few detonations to prove anything";
  EXPECT_GT(tally.escapes, 0);
  EXPECT_GT(tally.defuses, 0);
  EXPECT_GT(tally.nested_reopens, 0);
  EXPECT_GT(tally.stalls, 0);
  EXPECT_GT(tally.errors, 0);
  RecordProperty("detonations", tally.detonations);
  RecordProperty("escapes", tally.escapes);
  RecordProperty("defuses", tally.defuses);
  RecordProperty("nested_reopens", tally.nested_reopens);
  std::printf(
      "%s: %d runs, %d detonations, %d escapes, %d defuses, %d unfinished, %d nested re-opens, "
      "%d stalls, %d run-time errors\n",
      profile.name, tally.runs, tally.detonations, tally.escapes, tally.defuses, tally.unfinished,
      tally.nested_reopens, tally.stalls, tally.errors);
}

INSTANTIATE_TEST_SUITE_P(Profiles, SequencePropertyTest, ::testing::ValuesIn(kProfiles),
                         [](const ::testing::TestParamInfo<Profile>& info) {
                           return std::string(info.param.name);
                         });

// N sequences, the profiles taking turns, each with a seed of its own; the
// last line says how it went.
TEST(Soak, Sequences) {
  const char* wanted = std::getenv("TICKBOMB_SOAK_SEQUENCES");
  if (wanted == nullptr) GTEST_SKIP() << "TICKBOMB_SOAK_SEQUENCES is not set";
  const long count = std::strtol(wanted, nullptr, 10);
  ASSERT_GT(count, 0);
  const auto started = std::chrono::steady_clock::now();
  std::vector<Tally> tallies(std::size(kProfiles));
  for (long i = 0; i < count; ++i) {
    const std::size_t p = static_cast<std::size_t>(i) % std::size(kProfiles);
    RandomRun run(static_cast<std::uint32_t>(1000003 + i), kProfiles[p], tallies[p]);
    run.Go();
  }
  std::size_t violations = 0;
  for (std::size_t p = 0; p < tallies.size(); ++p) {
    violations += tallies[p].violations.size();
    for (std::size_t v = 0; v < tallies[p].violations.size() && v < 5; ++v) {
      ADD_FAILURE() << tallies[p].violations[v];
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("%ld sequences, %zu violations, %.0f s\n", count, violations, seconds);
  EXPECT_EQ(violations, 0U);
}

}  // namespace
}  // namespace tickbomb::testing
