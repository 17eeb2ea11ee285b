// The timer keeps its nominal schedule: tick n falls n x 500 ms after the
// timer started, however late or early the system wakes the program.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/forms/timer_pacing.h"
#include "tests/unit/fake_platform.h"
#include "tests/unit/recording_form.h"

namespace tickbomb::testing {
namespace {

using forms::TimerPacing;

TEST(TimerPacing, ALateTickDoesNotPushTheNextOneBack) {
  TimerPacing pacing;
  pacing.Start(1000, 500);
  EXPECT_TRUE(pacing.TakeTickIfDue(1600));        // tick 1, 100 ms late
  EXPECT_EQ(pacing.DelayToNextTick(1600), 400U);  // tick 2 still at 2000
  EXPECT_TRUE(pacing.TakeTickIfDue(2000));
  EXPECT_EQ(pacing.DelayToNextTick(2000), 500U);
  EXPECT_EQ(pacing.ticks_taken(), 2);
}

TEST(TimerPacing, AnEarlyWakeUpIsNotATick) {
  TimerPacing pacing;
  pacing.Start(1000, 500);
  EXPECT_FALSE(pacing.TakeTickIfDue(1490));
  EXPECT_EQ(pacing.ticks_taken(), 0);
  EXPECT_EQ(pacing.DelayToNextTick(1490), 10U);  // wait out the rest
  EXPECT_TRUE(pacing.TakeTickIfDue(1500));
  EXPECT_EQ(pacing.ticks_taken(), 1);
}

TEST(TimerPacing, TheDelayIsAlwaysAtLeastOneMillisecond) {
  TimerPacing pacing;
  pacing.Start(0, 500);
  EXPECT_EQ(pacing.DelayToNextTick(499.7), 1U);    // 0.3 ms rounds up, not down to 0
  EXPECT_EQ(pacing.DelayToNextTick(500), 1U);      // due now
  EXPECT_EQ(pacing.DelayToNextTick(2600), 1U);     // long overdue
  EXPECT_EQ(pacing.DelayToNextTick(100.5), 400U);  // 399.5 rounds up
}

TEST(TimerPacing, LongStallCatchesUpOneTickPerWakeUp) {
  TimerPacing pacing;
  pacing.Start(0, 500);
  // Nothing ran for 1.6 s (a sound played to its end, say): ticks 1, 2 and 3
  // are all overdue and come one per wake-up, then the schedule resumes.
  double now = 1600;
  for (int n = 1; n <= 3; ++n) {
    EXPECT_TRUE(pacing.TakeTickIfDue(now)) << "tick " << n;
    now += pacing.DelayToNextTick(now);
  }
  EXPECT_EQ(now, 2000);  // tick 4 is back on its own time
  EXPECT_FALSE(pacing.TakeTickIfDue(1990));
  EXPECT_TRUE(pacing.TakeTickIfDue(now));
  EXPECT_EQ(pacing.ticks_taken(), 4);
}

TEST(TimerPacing, TwentyLateWakeUpsDoNotDrift) {
  TimerPacing pacing;
  const double start = 1000;
  pacing.Start(start, 500);
  double now = start;
  for (int n = 1; n <= 20; ++n) {
    now += pacing.DelayToNextTick(now) + 15;  // every wake-up 15 ms late
    ASSERT_TRUE(pacing.TakeTickIfDue(now)) << "tick " << n;
    EXPECT_GE(now, start + n * 500.0) << "tick " << n;
    EXPECT_LE(now, start + n * 500.0 + 15) << "tick " << n;
  }
  // A plain repeating timer would be 20 x 15 = 300 ms behind by now.
  EXPECT_LE(now, start + 10000 + 15);
}

// The same through the form: it re-arms the system timer with each delay.
TEST(FormTimer, RunsOnScheduleThroughTheWindowTimer) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  const double start = platform.clock_ms;
  std::vector<double> ticked_at;
  form.on_event = [&](const std::string& event) {
    if (event == "Timer") ticked_at.push_back(platform.clock_ms);
  };
  form.Load();
  ASSERT_EQ(platform.timers.at(1), 500U);

  int wake_ups = 0;
  while (ticked_at.size() < 20 && wake_ups < 100) {
    ++wake_ups;
    const std::uint32_t delay = platform.timers.at(1);
    EXPECT_GE(delay, 1U);
    // Every third wake-up comes 10 ms early, the others 15 ms late.
    platform.clock_ms += wake_ups % 3 == 0 ? delay - 10.0 : delay + 15.0;
    form.OnTimer();
  }
  ASSERT_EQ(ticked_at.size(), 20U);
  for (int n = 1; n <= 20; ++n) {
    const double due = start + n * 500.0;
    EXPECT_GE(ticked_at[n - 1], due) << "tick " << n;
    EXPECT_LE(ticked_at[n - 1], due + 15) << "tick " << n;
  }
  for (const FakeCall* call : platform.CallsNamed("SetTimer")) {
    EXPECT_EQ(call->args[0], N(form.hWnd()));
  }
}

TEST(FormTimer, ATickNeverRunsInsideAnother) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  int timer_events = 0;
  form.on_event = [&](const std::string& event) {
    if (event != "Timer") return;
    if (++timer_events > 1) return;
    // Another timer message is already queued when the tick pumps.
    platform.clock_ms += 600;
    platform.queue.push_back([&] { form.OnTimer(); });
    form.DoEvents();
  };
  form.Load();
  platform.clock_ms += 500;
  form.OnTimer();
  EXPECT_EQ(timer_events, 1);
  EXPECT_EQ(platform.timers.at(1), 1U) << "the next tick is overdue: come back at once";
}

TEST(FormTimer, ADisabledTimerRaisesNothingAndRestartsItsScheduleWhenEnabled) {
  FakePlatform platform;
  RecordingForm form(platform, platform);
  form.Load();
  form.SetTimerEnabled(false);
  EXPECT_TRUE(platform.timers.empty());
  platform.clock_ms += 2000;
  form.OnTimer();  // a message that was already queued
  EXPECT_TRUE(form.events.size() == 1 && form.events[0] == "Load");

  form.SetTimerEnabled(true);
  EXPECT_EQ(platform.timers.at(1), 500U);
  platform.clock_ms += 300;
  form.OnTimer();
  EXPECT_EQ(form.events.size(), 1U) << "300 ms after re-enabling is too early";
  EXPECT_EQ(platform.timers.at(1), 200U);
  platform.clock_ms += 200;
  form.OnTimer();
  EXPECT_EQ(form.events.back(), "Timer");
}

}  // namespace
}  // namespace tickbomb::testing
