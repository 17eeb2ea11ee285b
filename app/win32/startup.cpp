// The program's entry, in place of the C runtime's start-up code, which is
// built for the Pentium Pro and later (and does much that this program has no
// use for: command-line parsing, thread-local storage, an exit sequence). The
// program ends only by ExitProcess, so nothing needs to run at its exit.
#include <windows.h>

#include <cstddef>

// Laid out by the linker: -1, the program's static constructors, 0.
extern "C" void (*__CTOR_LIST__[])();  // NOLINT(bugprone-reserved-identifier): the linker's

namespace {

// As the C runtime runs them: the last one listed first.
void RunStaticConstructors() {
  std::size_t count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (std::size_t i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

}  // namespace

// What a static object would register to be destroyed at the exit, which
// never comes: the program ends only by ExitProcess.
extern "C" int atexit(void (* /*function*/)()) { return 0; }

extern "C" [[noreturn]] void WINAPI TickbombEntry() {
  static char no_command_line[] = "";  // the program takes none
  RunStaticConstructors();
  ExitProcess(static_cast<UINT>(
      WinMain(GetModuleHandleA(nullptr), nullptr, no_command_line, SW_SHOWDEFAULT)));
}
