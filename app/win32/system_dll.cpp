#include "app/win32/system_dll.h"

#include <string>

#include "app/win32/unicode_or_ansi.h"

namespace tickbomb::win32 {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD flags);

// kernel32's SetDefaultDllDirectories, or null on systems that lack it.
// Windows 95, 98 and Me never have it: there it is not even looked for, so
// that a system that reports one of them while having it (Wine) takes their
// path too.
SetDefaultDllDirectoriesFunction SetDefaultDllDirectoriesOrNull() {
  if (!IsUnicodeWindows()) return nullptr;
  const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
}

}  // namespace

void LoadDllsFromSystemDirectoryOnly() {
  if (const auto set_default = SetDefaultDllDirectoriesOrNull()) {
    set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

HMODULE LoadSystemDll(const char* name) {
  // The flag exists wherever SetDefaultDllDirectories does.
  if (SetDefaultDllDirectoriesOrNull() != nullptr) {
    return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  char directory[MAX_PATH];
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(directory, length) + "\\" + name;
  // A full path loads that very file; the altered search path makes the DLLs
  // it needs in turn come from its own folder, the system directory, too.
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

PlaySoundAFunction WinmmPlaySoundA() {
  static const PlaySoundAFunction play = []() -> PlaySoundAFunction {
    const HMODULE winmm = LoadSystemDll("winmm.dll");
    if (winmm == nullptr) return nullptr;
    return reinterpret_cast<PlaySoundAFunction>(
        reinterpret_cast<void*>(GetProcAddress(winmm, "PlaySoundA")));
  }();
  return play;
}

}  // namespace tickbomb::win32
