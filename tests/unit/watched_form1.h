// Form1 with its event handlers observed on the way in: each notes what
// reached it, then runs Form1's own.
#ifndef TICKBOMB_TESTS_UNIT_WATCHED_FORM1_H
#define TICKBOMB_TESTS_UNIT_WATCHED_FORM1_H

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "app/form1.h"

namespace tickbomb::testing {

class WatchedForm1 : public Form1 {
 public:
  using Form1::Form1;

  struct Move {
    int label;  // the label the event came from, -1 for the bare form
    int button, shift;
    float x, y;
  };
  std::vector<Move> form_moves;  // every call of the form's MouseMove handler
  int label_routed = -1;         // the label the last label MouseMove came from
  int escapes_begun = 0;         // KeyDown with Escape
  int defuses_begun = 0;         // Click on the bomb
  int loads = 0;
  int ticks = 0;                   // Timer events that reached the handler
  int ticks_at_load = 0;           // `ticks` when the latest load began
  double armed_at = 0;             // the clock when the latest load began (Timer1 armed)
  std::vector<double> tick_times;  // the clock at each tick of the latest load
  // Sees every key event before the handler runs: (down, key, modifier state).
  std::function<void(bool, int, int)> on_key;
  // Runs as each tick begins, its time already in `tick_times`.
  std::function<void()> on_tick;

  void Form_Load() override {
    ++loads;
    ticks_at_load = ticks;
    armed_at = host().NowMilliseconds();
    tick_times.clear();
    Form1::Form_Load();
  }
  void Timer_Timer() override {
    ++ticks;
    tick_times.push_back(host().NowMilliseconds());
    if (on_tick) on_tick();
    Form1::Timer_Timer();
  }
  void Form_KeyDown(std::int16_t key, std::int16_t shift) override {
    if (on_key) on_key(true, key, shift);
    if (key == kVkEscape) ++escapes_begun;
    Form1::Form_KeyDown(key, shift);
  }
  void Form_KeyUp(std::int16_t key, std::int16_t shift) override {
    if (on_key) on_key(false, key, shift);
    Form1::Form_KeyUp(key, shift);
  }
  void Image_Click(int image) override {
    if (image == Image1) ++defuses_begun;
    Form1::Image_Click(image);
  }
  void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override {
    form_moves.push_back({in_label_, button, shift, x, y});
    Form1::Form_MouseMove(button, shift, x, y);
  }
  void Label_MouseMove(int array, std::int16_t index, std::int16_t button, std::int16_t shift,
                       float x, float y) override {
    const int label = (array - 1) * 2 + index;  // Label1_0 ... Label5_1
    label_routed = label;
    const int outer = std::exchange(in_label_, label);
    Form1::Label_MouseMove(array, index, button, shift, x, y);
    in_label_ = outer;
  }

 private:
  int in_label_ = -1;
};

}  // namespace tickbomb::testing

#endif
