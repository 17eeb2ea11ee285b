// The C++ runtime's pieces the program needs, in small versions of our own.
// The program is built without exceptions and without run-time type
// information, so none of the library's exception machinery (its unwinder,
// its catch and cast matching, its allocation pool) is in it; what is left of
// the runtime ends in a run-time error where it would have thrown. The
// library's own versions would also carry in a name demangler and printf for
// the terminate message, and code for processors after the 486.
#include <bits/functexcept.h>  // libstdc++'s declarations of the functions replaced here
#include <cstdlib>
#include <new>
#include <string>

#include "app/forms/runtime_error.h"

using tickbomb::forms::kErrInternal;
using tickbomb::forms::kErrOutOfMemory;
using tickbomb::forms::kErrSubscriptOutOfRange;
using tickbomb::forms::Raise;

// Allocation: no memory left is run-time error 7, raised where it happens.
void* operator new(std::size_t size) {
  void* const memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) Raise(kErrOutOfMemory);
  return memory;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t /*size*/) noexcept { std::free(memory); }

// A call of a pure virtual function: a fault of the program's own.
extern "C" void __cxa_pure_virtual() {  // NOLINT(bugprone-reserved-identifier): the ABI's name
  Raise(kErrInternal);
}

// GCC 13 and later keep one member of the string templates out of line, in
// the library's own instance of them, which is built with exceptions and
// would bring the whole exception machinery in with it: the program makes its
// own instance of it.
#if __GNUC__ >= 13
template void std::string::_M_replace_cold(char*, std::size_t, const char*, std::size_t,
                                           std::size_t);
template void std::wstring::_M_replace_cold(wchar_t*, std::size_t, const wchar_t*, std::size_t,
                                            std::size_t);
#endif

// The containers' error paths: a container that cannot grow is out of memory
// (run-time error 7), an index out of range is a subscript error (9),
// anything else an internal error (51).
namespace std {
void __throw_bad_alloc() { Raise(kErrOutOfMemory); }
void __throw_bad_array_new_length() { Raise(kErrOutOfMemory); }
void __throw_length_error(const char* /*what*/) { Raise(kErrOutOfMemory); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { Raise(kErrSubscriptOutOfRange); }
void __throw_logic_error(const char* /*what*/) { Raise(kErrInternal); }
void __throw_bad_function_call() { Raise(kErrInternal); }
}  // namespace std
