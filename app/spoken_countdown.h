// What a screen reader says of the countdown. The captions are painted, so a
// reader finds nothing of them; these few words take their place, in the
// user's language, since none of them is shown on the window (which stays
// Japanese).
#ifndef TICKBOMB_APP_SPOKEN_COUNTDOWN_H
#define TICKBOMB_APP_SPOKEN_COUNTDOWN_H

#include <cstdint>
#include <string>

namespace tickbomb {

enum class SpokenLanguage { English, Japanese };

// Japanese for a Japanese interface language (a LANGID), English for any other.
SpokenLanguage SpokenLanguageOf(std::uint16_t language);

struct CountdownState {
  bool restart = false;    // Shift chose a restart
  int seconds = 10;        // what the digits show
  bool bomb_shown = true;  // a click on it still stops the countdown
  bool stopped = false;    // Esc or a click on the bomb called it off
};

// "Windows will shut down in 10 seconds. To stop it, press Esc or Alt+F4, or
// click the bomb."; once stopped, "The shutdown is called off."
std::wstring SpokenCountdown(SpokenLanguage language, const CountdownState& state);

}  // namespace tickbomb

#endif
