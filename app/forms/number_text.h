// Number to text, as the runtime turns a whole number into a caption: its
// decimal digits, a minus sign if it is negative, no leading blank ("9", "0",
// "-3"). Written here rather than taken from the C library's formatted
// printing, which would carry all of printf into the program for this.
#ifndef TICKBOMB_APP_FORMS_NUMBER_TEXT_H
#define TICKBOMB_APP_FORMS_NUMBER_TEXT_H

#include <cstdint>
#include <string>

namespace tickbomb::forms {

std::wstring NumberText(std::int64_t number);

}  // namespace tickbomb::forms

#endif
