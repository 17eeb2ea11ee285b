#include "app/forms/number_text.h"

#include <algorithm>

namespace tickbomb::forms {

std::wstring NumberText(std::int64_t number) {
  // Digits from the lowest up, taken from a negative value so that the most
  // negative number has no positive counterpart to overflow into.
  std::int64_t rest = number < 0 ? number : -number;
  std::wstring digits;
  do {
    digits.push_back(static_cast<wchar_t>(L'0' - rest % 10));
    rest /= 10;
  } while (rest != 0);
  if (number < 0) digits.push_back(L'-');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

}  // namespace tickbomb::forms
