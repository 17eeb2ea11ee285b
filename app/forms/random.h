// The runtime's random numbers: reseeded from the system clock, drawn
// uniform in [0, 1) as single-precision values.
#ifndef TICKBOMB_APP_FORMS_RANDOM_H
#define TICKBOMB_APP_FORMS_RANDOM_H

#include <cstdint>

namespace tickbomb::forms {

class Random {
 public:
  // Two reseeds a few microseconds apart must still give unrelated numbers,
  // so the clock reading is mixed before it becomes the state. A reading
  // that is not a finite number leaves the state as it is.
  void Randomize(double clock_ms);
  float Rnd();

 private:
  std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

}  // namespace tickbomb::forms

#endif
