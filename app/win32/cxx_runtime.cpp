// The C++ runtime's last resorts, in small versions of our own. The program
// never reaches them while it works as meant, but the library's own versions
// would carry in megabytes' worth of friends (a name demangler and printf for
// the terminate message, copy-on-write strings for the standard exceptions):
// more than a third of the program's code.
#include <bits/functexcept.h>  // libstdc++'s declarations of the functions replaced here
#include <cstdlib>
#include <new>

#include "app/seam/library_failure.h"

// std::terminate's handler: the library's prints the pending exception's
// demangled type name first. The program catches everything at its entry
// points, so reaching this is a fault of its own: end at once.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The containers' error paths. The library's versions build the standard
// exceptions (logic_error and its kin, with copy-on-write strings and a
// printf of their own); these end in what the form reports anyway: a
// container that cannot grow is out of memory (run-time error 7), an index
// out of range is a subscript error (9), anything else an internal error.
namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* /*what*/) { throw bad_alloc(); }
using tickbomb::LibraryFailure;
void __throw_out_of_range_fmt(const char* /*format*/, ...) {
  throw LibraryFailure(LibraryFailure::Kind::IndexOutOfRange);
}
void __throw_logic_error(const char* /*what*/) {
  throw LibraryFailure(LibraryFailure::Kind::Misuse);
}
void __throw_bad_function_call() { throw LibraryFailure(LibraryFailure::Kind::Misuse); }
}  // namespace std
