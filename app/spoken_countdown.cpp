#include "app/spoken_countdown.h"

#include "app/forms/number_text.h"

namespace tickbomb {

SpokenLanguage SpokenLanguageOf(std::uint16_t language) {
  constexpr std::uint16_t kPrimaryLanguageMask = 0x3FF;
  constexpr std::uint16_t kJapanese = 0x11;
  return (language & kPrimaryLanguageMask) == kJapanese ? SpokenLanguage::Japanese
                                                        : SpokenLanguage::English;
}

namespace {

std::wstring English(const CountdownState& state) {
  const std::wstring action = state.restart ? L"restart" : L"shut down";
  if (state.stopped) {
    return state.restart ? L"The restart is called off." : L"The shutdown is called off.";
  }
  const std::wstring unit = state.seconds == 1 ? L" second." : L" seconds.";
  return L"Windows will " + action + L" in " + forms::NumberText(state.seconds) + unit +
         (state.bomb_shown ? L" To stop it, press Esc or Alt+F4, or click the bomb."
                           : L" To stop it, press Esc or Alt+F4.");
}

std::wstring Japanese(const CountdownState& state) {
  const std::wstring action = state.restart ? L"再起動" : L"シャットダウン";
  if (state.stopped) return action + L"は中止されました。";
  return L"あと" + forms::NumberText(state.seconds) + L"秒でWindowsが" + action +
         (state.bomb_shown
              ? L"します。止めるには、EscキーかAlt+F4を押すか、爆弾をクリックしてください。"
              : L"します。止めるには、EscキーかAlt+F4を押してください。");
}

}  // namespace

std::wstring SpokenCountdown(SpokenLanguage language, const CountdownState& state) {
  return language == SpokenLanguage::Japanese ? Japanese(state) : English(state);
}

}  // namespace tickbomb
