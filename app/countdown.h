// The countdown, beat by beat: what each of the twenty ticks of Timer1 shows
// and plays. The tick handler walks the row of the new TickCount; the Escape
// ending walks the rows still to come, at the pace of their sounds instead of
// the timer. A beat is changed here and nowhere else.
#ifndef TICKBOMB_APP_COUNTDOWN_H
#define TICKBOMB_APP_COUNTDOWN_H

#include <array>
#include <cstdint>

#include "app/form1_design.h"
#include "app/module1.h"
#include "assets/resource_ids.h"

namespace tickbomb {

inline constexpr int kUnchanged = -1;

struct CountdownBeat {
  std::int16_t tick = 0;
  bool shows_seconds = false;  // the digits drop to 10 - tick / 2
  bool tick_sound = false;     // the tick sound starts with them
  int bomb = kUnchanged;       // the Image2 holder whose picture Image1 takes
  bool front_digits_red = false;
  // The beat's own sound. One started asynchronously cuts off the tick sound
  // at once; one played synchronously comes after the pump, since nothing is
  // painted while it plays.
  int sound = 0;
  std::uint32_t play = kPlayAsync;
  bool hides_bomb = false;      // Image1 goes
  int background = kUnchanged;  // the Image2 holder whose picture the form takes
  bool pumps = false;           // what is queued runs here, inside the tick
  bool detonates = false;       // the shutdown request, then the end
  bool announces = false;       // a screen reader is told the seconds left
  // The Escape ending plays this beat when it has not come yet: the bomb
  // frame its step shows, and whether the bomb is gone before it.
  int escape_bomb = kUnchanged;
  bool escape_hides_bomb_first = false;
};

// clang-format off
inline constexpr std::array<CountdownBeat, 20> kCountdown{{
    {.tick = 1},
    {.tick = 2, .shows_seconds = true, .tick_sound = true, .bomb = Image2_0},  // the fuse is lit
    {.tick = 3},
    {.tick = 4, .shows_seconds = true, .tick_sound = true},
    {.tick = 5},
    {.tick = 6, .shows_seconds = true, .tick_sound = true},
    {.tick = 7},
    {.tick = 8, .shows_seconds = true, .tick_sound = true},
    {.tick = 9},
    // From the fifth second on the bomb flickers, a frame a tick.
    // A screen reader is told the seconds left then, not every second.
    {.tick = 10, .shows_seconds = true, .tick_sound = true, .bomb = Image2_1, .announces = true},
    {.tick = 11, .bomb = Image2_0},
    {.tick = 12, .shows_seconds = true, .tick_sound = true, .bomb = Image2_1},
    {.tick = 13, .bomb = Image2_0},
    {.tick = 14, .shows_seconds = true, .tick_sound = true, .bomb = Image2_1,
     .front_digits_red = true, .sound = IDW_THREE, .escape_bomb = Image2_1},
    {.tick = 15, .bomb = Image2_0},
    {.tick = 16, .shows_seconds = true, .tick_sound = true, .bomb = Image2_1, .sound = IDW_TWO,
     .escape_bomb = Image2_0},
    {.tick = 17, .bomb = Image2_0},
    {.tick = 18, .shows_seconds = true, .tick_sound = true, .bomb = Image2_1, .sound = IDW_ONE,
     .escape_bomb = Image2_1, .escape_hides_bomb_first = true},
    // Half a second before the end the big bomb takes the whole window.
    {.tick = 19, .bomb = Image2_0, .hides_bomb = true, .background = Image2_2, .pumps = true},
    {.tick = 20, .shows_seconds = true, .sound = IDW_EXPLOSION, .play = kPlaySync,
     .background = Image2_3, .pumps = true, .detonates = true},
}};
// clang-format on

constexpr bool RowsInTickOrder() {
  for (std::size_t i = 0; i < kCountdown.size(); ++i) {
    if (kCountdown[i].tick != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(RowsInTickOrder());

// The beat of tick `tick`, or none once the countdown is over.
constexpr const CountdownBeat* BeatOf(int tick) {
  return tick >= 1 && tick <= static_cast<int>(kCountdown.size()) ? &kCountdown[tick - 1] : nullptr;
}

}  // namespace tickbomb

#endif
