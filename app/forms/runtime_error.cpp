#include "app/forms/runtime_error.h"

#include <cmath>
#include <cstdlib>

#include "app/forms/number_text.h"

namespace tickbomb::forms {

namespace {
RunTimeErrorReporter* reporter = nullptr;
}  // namespace

void ReportRunTimeErrorsTo(RunTimeErrorReporter* new_reporter) { reporter = new_reporter; }

std::wstring DescribeError(int number) {
  switch (number) {
    case kErrOverflow: return L"Overflow";
    case kErrOutOfMemory: return L"Out of memory";
    case kErrInternal: return L"Internal error";
    case kErrSubscriptOutOfRange: return L"Subscript out of range";
    case kErrInvalidPropertyValue: return L"Invalid property value";
    case kErrResourceNotFound: return L"Resource with identifier not found";
    case kErrInvalidPicture: return L"Invalid picture";
    case kErrCannotCreateWindow: return L"Unable to create the window";
    default: return L"Application-defined or object-defined error";
  }
}

void Raise(int number) {
  if (reporter != nullptr) reporter->Fail(number);
  std::abort();  // no form to report it: the end, at once
}

std::wstring ErrorReport(int number, const std::wstring& description) {
  return L"Run-time error '" + NumberText(number) + L"':\n\n" + description;
}

std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) {
  const int sum = int{a} + int{b};
  if (sum > std::numeric_limits<std::int16_t>::max() ||
      sum < std::numeric_limits<std::int16_t>::min()) {
    Raise(kErrOverflow);
  }
  return static_cast<std::int16_t>(sum);
}

std::int32_t CheckedToInt32(double value) {
  // Rounds to the nearest integer, ties to even, as every conversion of a
  // fractional value to a whole number in this program does.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) Raise(kErrOverflow);
  return static_cast<std::int32_t>(rounded);
}

}  // namespace tickbomb::forms
