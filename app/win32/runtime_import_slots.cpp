// Two import slots the .exe fills itself. From GCC 13 on, libgcc has a thread
// layer of its own, which the C++ runtime's pool for exceptions brings in, and
// that layer imports GetThreadId (Windows Vista on) and TryEnterCriticalSection
// (NT 4.0 on, never 95, 98 or Me). The program never calls either: its code
// runs on one thread and never tries a lock. But a loader refuses to start an
// .exe that imports a function its kernel32 lacks, so these slots take the
// place of the imports: each looks the real function up when called and fails
// plainly where there is none. Older libgcc names neither, and then nothing
// uses them.
#include <windows.h>

using GetThreadIdFunction = DWORD(WINAPI*)(HANDLE);
using TryEnterCriticalSectionFunction = BOOL(WINAPI*)(LPCRITICAL_SECTION);

namespace {

template <typename Function>
Function Kernel32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

DWORD WINAPI GetThreadIdWhereThereIsOne(HANDLE thread) {
  const auto function = Kernel32Function<GetThreadIdFunction>("GetThreadId");
  return function != nullptr ? function(thread) : 0;
}

BOOL WINAPI TryEnterCriticalSectionWhereThereIsOne(LPCRITICAL_SECTION section) {
  const auto function =
      Kernel32Function<TryEnterCriticalSectionFunction>("TryEnterCriticalSection");
  return function != nullptr ? function(section) : FALSE;
}

}  // namespace

// The names under which calls through an import go: __imp_ and the function's
// decorated stdcall name.
extern "C" {
extern GetThreadIdFunction get_thread_id_slot __asm__("__imp__GetThreadId@4");
extern TryEnterCriticalSectionFunction try_enter_critical_section_slot __asm__(
    "__imp__TryEnterCriticalSection@4");
GetThreadIdFunction get_thread_id_slot = GetThreadIdWhereThereIsOne;
TryEnterCriticalSectionFunction try_enter_critical_section_slot =
    TryEnterCriticalSectionWhereThereIsOne;
}
