#include "app/win32/system_dll.h"

#include <string>

namespace tickbomb::win32 {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD flags);

// kernel32's SetDefaultDllDirectories, or null on systems that lack it.
SetDefaultDllDirectoriesFunction SetDefaultDllDirectoriesOrNull() {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
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

HMODULE LoadSystemDll(const wchar_t* name) {
  // The flag exists wherever SetDefaultDllDirectories does.
  if (SetDefaultDllDirectoriesOrNull() != nullptr) {
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  wchar_t directory[MAX_PATH];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(directory, length) + L"\\" + name;
  // A full path loads that very file; the altered search path makes the DLLs
  // it needs in turn come from its own folder, the system directory, too.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

PlaySoundAFunction WinmmPlaySoundA() {
  static const PlaySoundAFunction play = []() -> PlaySoundAFunction {
    const HMODULE winmm = LoadSystemDll(L"winmm.dll");
    if (winmm == nullptr) return nullptr;
    return reinterpret_cast<PlaySoundAFunction>(
        reinterpret_cast<void*>(GetProcAddress(winmm, "PlaySoundA")));
  }();
  return play;
}

}  // namespace tickbomb::win32
