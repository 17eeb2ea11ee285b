// A Form1 on a recording fake of the seam, and helpers to drive it.
#ifndef TICKBOMB_TESTS_UNIT_FORM1_FIXTURE_H
#define TICKBOMB_TESTS_UNIT_FORM1_FIXTURE_H

#include <gtest/gtest.h>

#include <optional>

#include "app/form1.h"
#include "tests/unit/fake_platform.h"

namespace tickbomb::testing {

template <typename PlatformT, typename FormT>
class FormFixture : public ::testing::Test {
 protected:
  PlatformT platform;
  Module1 module;
  FormT form{platform, platform, module};

  void LoadForm() {
    form.Load();
    ASSERT_TRUE(form.IsLoaded());
  }
  // Raises the timer event as the window procedure does, with the clock at
  // the tick's nominal time.
  void Tick() {
    platform.clock_ms += 500;
    form.OnTimer();
  }
  // Ticks until TickCount reaches `tick`; a countdown that stops on the way
  // is a failure, not an endless loop.
  void TickTo(int tick) {
    for (int ticks = 0; module.TickCount < tick; ++ticks) {
      if (ticks == 4 * 20 || !form.IsLoaded()) {
        ADD_FAILURE() << "the countdown stopped at " << module.TickCount << " short of " << tick;
        return;
      }
      Tick();
    }
  }
  // Runs `action`; the exit code if the program ended inside it.
  template <typename Action>
  std::optional<unsigned> Ends(Action&& action) {
    try {
      action();
    } catch (const ProcessExit& exit) {
      return exit.code;
    }
    return std::nullopt;
  }
};

using Form1Test = FormFixture<FakePlatform, Form1>;

}  // namespace tickbomb::testing

#endif
