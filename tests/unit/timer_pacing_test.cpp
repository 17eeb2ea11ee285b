// The timer keeps its nominal schedule: tick n falls n x 500 ms after the
// timer started, however late or early the system wakes the program.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
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
  EXPECT_FALSE(pacing.TakeTickIfDue(1499.9));  // not even a little early
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

// Nothing ran for a while (the machine was busy or asleep): the missed ticks
// are not replayed. The countdown carries on at its pace from the first
// wake-up, and every tick still keeps its distance and never comes early.
TEST(TimerPacing, AStallCostsTimeNeverTicks) {
  struct Row {
    int ticks_before;  // ticks taken on time before the program stopped, right after the last
    double stall_end;  // when it ran again, ms after the start
  };
  for (const Row& row : {Row{6, 6000}, Row{3, 2101}, Row{0, 4000}, Row{18, 13000}}) {
    TimerPacing pacing;
    pacing.Start(0, 500);
    std::vector<double> ticks;
    for (int n = 1; n <= row.ticks_before; ++n) {
      ASSERT_TRUE(pacing.TakeTickIfDue(n * 500.0));
      ticks.push_back(n * 500.0);
    }
    for (double now = row.stall_end; pacing.ticks_taken() < 20; now += 1) {
      if (pacing.TakeTickIfDue(now)) ticks.push_back(now);  // woken every millisecond
    }
    const double stall = row.stall_end - row.ticks_before * 500.0;
    SCOPED_TRACE("stopped for " + std::to_string(stall) + " ms after tick " +
                 std::to_string(row.ticks_before));
    EXPECT_EQ(ticks.at(static_cast<std::size_t>(row.ticks_before)), row.stall_end);
    for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 400.0);
    for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_GE(ticks[i], (i + 1) * 500.0);
    EXPECT_GE(ticks.back(), 10000 + stall - 500);  // the stall is added to the ten seconds
  }
}

TEST(TimerPacing, OrdinaryLatenessKeepsTheSchedule) {
  TimerPacing pacing;
  pacing.Start(0, 500);
  EXPECT_TRUE(pacing.TakeTickIfDue(600));  // 100 ms late: still ordinary
  EXPECT_EQ(pacing.DelayToNextTick(600), 400U);
  EXPECT_TRUE(pacing.TakeTickIfDue(1101));  // 101 ms late: a stall, the rest moves on
  EXPECT_EQ(pacing.DelayToNextTick(1101), 500U);
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

// A clock that fails or steps back is not a clock that ticks: a reading that
// is not a number is no tick and no schedule; one before the last starts the
// schedule again a period on. Woken every 10 ms, the twenty ticks still come,
// none closer than 400 ms to the one before, in the time the wake-ups pass.
TEST(TimerPacing, AFailingClockNeverTicksEarly) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    std::function<double(double)> reading;  // the clock at time t (ms since the start)
  };
  const Row rows[] = {
      {"not a number for a second", [](double t) { return t < 1000 ? kNaN : t; }},
      {"infinite for a second", [](double t) { return t < 1000 ? kInf : t; }},
      {"minus infinity at times",
       [](double t) { return static_cast<int>(t) % 700 < 50 ? -kInf : t; }},
      {"back by four seconds at 3 s", [](double t) { return t < 3000 ? t : t - 4000; }},
      {"back to zero every 2.2 s", [](double t) { return std::fmod(t, 2200); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TimerPacing pacing;
    pacing.Start(row.reading(0), 500);
    std::vector<double> ticks;
    for (double t = 10; t < 60000 && ticks.size() < 20; t += 10) {
      EXPECT_GE(pacing.DelayToNextTick(row.reading(t)), 1U);
      EXPECT_LE(pacing.DelayToNextTick(row.reading(t)), 500U);
      if (pacing.TakeTickIfDue(row.reading(t))) ticks.push_back(t);
    }
    ASSERT_EQ(ticks.size(), 20U) << "the countdown ends";
    EXPECT_GE(ticks.front(), 500.0);
    for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 400.0);
  }
}

// The form keeps time with the system tick where the fine counter is missing
// or fails (not a number, infinite), carried on from its last good reading:
// the window is placed, the countdown ends, and no tick comes before its
// time on the tick's clock.
TEST(FormTimer, FallsBackToTheSystemTick) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  for (const auto& counter : std::vector<std::function<double(double)>>{
           [](double) { return kNaN; },
           [](double) { return std::numeric_limits<double>::infinity(); },
           [](double t) { return t < 3000 ? t : kNaN; }}) {
    FakePlatform platform;
    platform.counter = counter;
    RecordingForm form(platform, platform);
    form.Load();
    const double armed = platform.clock_ms;
    std::vector<double> ticked_at;
    form.on_event = [&](const std::string& event) {
      if (event == "Timer") ticked_at.push_back(platform.clock_ms);
    };
    for (int wake_ups = 0; ticked_at.size() < 20 && wake_ups < 2000; ++wake_ups) {
      platform.clock_ms += 10;
      form.OnTimer();
    }
    ASSERT_EQ(ticked_at.size(), 20U);
    for (std::size_t n = 1; n <= ticked_at.size(); ++n) {
      EXPECT_GE(ticked_at[n - 1], armed + static_cast<double>(n) * 500) << "tick " << n;
    }
  }
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
