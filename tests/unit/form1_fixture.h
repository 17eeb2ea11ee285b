// A loaded Form1 on the recording fake, and helpers to drive it.
#ifndef TICKBOMB_TESTS_UNIT_FORM1_FIXTURE_H
#define TICKBOMB_TESTS_UNIT_FORM1_FIXTURE_H

#include <gtest/gtest.h>

#include "app/form1.h"
#include "tests/unit/fake_platform.h"

namespace tickbomb::testing {

class Form1Test : public ::testing::Test {
 protected:
  FakePlatform platform;
  Module1 module;
  Form1 form{platform, module};

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
  void TickTo(int tick) {
    while (module.TickCount < tick) Tick();
  }
  // Runs `action`; true if the program ended inside it.
  template <typename Action>
  bool Ends(Action&& action) {
    try {
      action();
    } catch (const ProcessExit&) {
      return true;
    }
    return false;
  }
};

}  // namespace tickbomb::testing

#endif
