// Run-time errors of the forms runtime. Nothing in the program traps them:
// the form's event entry points catch them, and every other exception too
// (out of memory becomes error 7, anything else error 51), and end the
// program with a report that names the error.
#ifndef TICKBOMB_APP_FORMS_RUNTIME_ERROR_H
#define TICKBOMB_APP_FORMS_RUNTIME_ERROR_H

#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>

namespace tickbomb::forms {

inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrSubscriptOutOfRange = 9;
inline constexpr int kErrInternal = 51;  // anything that is not a run-time error of its own
inline constexpr int kErrInvalidPropertyValue = 380;
inline constexpr int kErrResourceNotFound = 326;
inline constexpr int kErrInvalidPicture = 481;
inline constexpr int kErrCannotCreateWindow = 31001;

class RuntimeError : public std::exception {
 public:
  RuntimeError(int number, std::wstring description);
  const char* what() const noexcept override;
  int number() const { return number_; }
  const std::wstring& description() const { return description_; }

 private:
  int number_;
  std::wstring description_;
};

std::wstring DescribeError(int number);
[[noreturn]] void Raise(int number);
// "Run-time error '6':\n\nOverflow"
std::wstring ErrorReport(int number, const std::wstring& description);

// Element `index` of `items`; an index outside raises "Subscript out of range".
template <typename Items>
auto& Element(Items& items, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= items.size()) Raise(kErrSubscriptOutOfRange);
  return items[static_cast<std::size_t>(index)];
}

// 16-bit arithmetic that raises Overflow instead of wrapping.
std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b);
// 32-bit conversion of a double that raises Overflow when out of range.
std::int32_t CheckedToInt32(double value);

}  // namespace tickbomb::forms

#endif
