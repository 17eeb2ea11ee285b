// What the C++ library's own error paths throw in the Windows build, where
// they are replaced by small versions of ours (app/win32/cxx_runtime.cpp)
// that carry no strings: an index out of range, or any other misuse. The form
// reports them as run-time errors (9, Subscript out of range; 51, Internal
// error), like everything that reaches one of its entry points.
#ifndef TICKBOMB_APP_SEAM_LIBRARY_FAILURE_H
#define TICKBOMB_APP_SEAM_LIBRARY_FAILURE_H

#include <exception>

namespace tickbomb {

class LibraryFailure final : public std::exception {
 public:
  enum class Kind { IndexOutOfRange, Misuse };
  explicit LibraryFailure(Kind kind) : kind_(kind) {}
  const char* what() const noexcept override { return "C++ library error"; }
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

}  // namespace tickbomb

#endif
