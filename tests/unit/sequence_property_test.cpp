// Long random runs of everything a user and the timer can do to the window,
// including events that wait in the queue and run nested inside the pumps of
// the countdown and of the Escape ending. Whatever happens, the shutdown is
// asked for at most once, only by tick 20 of the countdown that is current
// then, and never once a defuse or an Escape has begun; nothing touches a
// destroyed window (the fake throws), and the program ends in one of its
// three ways with no run-time error.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/running_form.h"

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
};

void PrintTo(const Profile& profile, std::ostream* out) { *out << profile.name; }

struct Tally {
  int runs = 0, detonations = 0, escapes = 0, defuses = 0, unfinished = 0;
  int nested_reopens = 0;  // re-opens run inside a pump
  std::vector<std::string> violations;
};

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
  }

 private:
  // ---- the random user
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }

  void Step() {
    if (!platform_.queue.empty() && Chance(0.3)) {  // the message loop takes the next waiting event
      auto event = std::move(platform_.queue.front());
      platform_.queue.pop_front();
      event();
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

  void Tick() {
    platform_.clock_ms += 500;
    form_.OnTimer();
  }

  std::function<void()> UserEvent() {
    const double r = std::uniform_real_distribution<double>(0, 1)(random_);
    if (r < profile_.click) {
      return [this] { Click(forms::kLeftButton); };
    }
    if (r < 0.55) {
      const auto [key, state] = Key();
      const bool down = Chance(0.6);
      return [this, key, state, down] {
        if (down) {
          form_.OnKeyDown(key, state);
        } else {
          form_.OnKeyUp(key, state);
        }
      };
    }
    if (r < 0.62) return [this] { Click(forms::kRightButton); };
    if (r < 0.70) return [this] { Tick(); };  // a timer message waiting behind the others
    const int x = static_cast<int>(Pick(440)), y = static_cast<int>(Pick(420));
    const int buttons = static_cast<int>(Pick(8));
    if (r < 0.85) return [this, x, y, buttons] { form_.OnMouseMove(x, y, buttons, 0); };
    if (r < 0.93) return [this, x, y] { form_.OnMouseDown(x, y, forms::kLeftButton, 0); };
    return [this, x, y] { form_.OnMouseUp(x, y, forms::kLeftButton, 0, 0); };
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

  // ---- what is watched
  void Watch() {
    form_.on_key = [this](bool down, int key, int state) {
      if (down && key == kVkEscape) return;  // the Escape ending, not the rule
      if (module_.KeysArmed == kFalse) return;
      if (state == 0) chosen_flags_ = module_.DefaultExitFlags;
      if (state == 1) chosen_flags_ = win::EWX_REBOOT;
    };
    platform_.watch = [this](const FakeCall& call) {
      if (call.name == "ExitWindowsEx") {
        ShutdownRequested(static_cast<std::uint32_t>(call.args[0]));
      } else if (call.name == "PlaySoundA") {
        const auto* played =
            reinterpret_cast<const void*>(static_cast<std::uintptr_t>(call.args[3]));
        if (played != module_.Waves.Wave(static_cast<int>(call.args[0])).data()) {
          Violation("a sound played from a bank that is not the current one");
        }
      } else if (call.name == "GetVersionExA" && form_.loads != loads_seen_) {
        // The start-up's version probe: a new countdown, a fresh selection.
        loads_seen_ = form_.loads;
        chosen_flags_.reset();
        if (platform_.pump_depth > 0) ++tally_.nested_reopens;
      }
    };
  }

  void ShutdownRequested(std::uint32_t flags) {
    ++requests_;
    if (requests_ > 1) Violation("ExitWindowsEx asked for more than once");
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
  WatchedPlatform platform_;
  Module1 module_;
  WatchedForm1 form_{platform_, platform_, module_};
  int step_ = 0;
  int requests_ = 0;
  int loads_seen_ = 0;
  std::optional<std::uint32_t> chosen_flags_;
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
  RecordProperty("detonations", tally.detonations);
  RecordProperty("escapes", tally.escapes);
  RecordProperty("defuses", tally.defuses);
  RecordProperty("nested_reopens", tally.nested_reopens);
  std::printf(
      "%s: %d runs, %d detonations, %d escapes, %d defuses, %d unfinished, %d nested re-opens\n",
      profile.name, tally.runs, tally.detonations, tally.escapes, tally.defuses, tally.unfinished,
      tally.nested_reopens);
}

INSTANTIATE_TEST_SUITE_P(Profiles, SequencePropertyTest,
                         ::testing::Values(
                             //       name        seeds steps tick queued escape arrow click
                             Profile{"Balanced", 400, 400, 0.45, 0.4, 0.03, 0.10, 0.02},
                             Profile{"QueueHeavy", 400, 400, 0.40, 0.9, 0.05, 0.20, 0.03},
                             Profile{"FastTicks", 300, 300, 0.75, 0.6, 0.02, 0.15, 0.01},
                             Profile{"ManyReopens", 300, 500, 0.50, 0.7, 0.02, 0.45, 0.01}),
                         [](const ::testing::TestParamInfo<Profile>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tickbomb::testing
