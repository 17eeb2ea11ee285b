// Run-time errors of the forms runtime. Nothing in the program traps them:
// one raised stops the program where it is raised, the form reports it, and
// closing the report ends the program. Nothing unwinds: the program carries
// no exception machinery at all (out of memory is error 7, a misuse of the C++
// library error 51, wherever they happen).
#ifndef TICKBOMB_APP_FORMS_RUNTIME_ERROR_H
#define TICKBOMB_APP_FORMS_RUNTIME_ERROR_H

#include <cstddef>
#include <cstdint>
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

// Who reports a run-time error and ends the program: the form, while it
// exists. Its Fail never returns.
class RunTimeErrorReporter {
 public:
  [[noreturn]] virtual void Fail(int number) = 0;

 protected:
  ~RunTimeErrorReporter() = default;
};
// `reporter` reports every run-time error from now on; null: nobody does
// (one raised then ends the program without a report).
void ReportRunTimeErrorsTo(RunTimeErrorReporter* reporter);

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
