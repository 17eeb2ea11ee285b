// System DLLs that are not among Windows' known DLLs (WINMM) are loaded at
// first use, by hand, from the system directory only: a copy planted next to
// tickbomb.exe (in a Downloads folder, say) is never the one that runs.
// Importing such a DLL statically would let the loader look for it beside the
// .exe first.
#ifndef TICKBOMB_APP_WIN32_SYSTEM_DLL_H
#define TICKBOMB_APP_WIN32_SYSTEM_DLL_H

#include <windows.h>

namespace tickbomb::win32 {

// From here on, DLLs that the process loads by name (its own and those that
// system DLLs load for it) come from the system directory, where the system
// has SetDefaultDllDirectories (Windows 8 and later, Windows 7 with KB2533623).
// Call it first thing in WinMain.
void LoadDllsFromSystemDirectoryOnly();

// The DLL `name` ("winmm.dll") from the system directory; null if it is not
// there. Where SetDefaultDllDirectories is missing, by its full path. The ANSI
// forms of these calls: the name and the system directory's path are plain
// ASCII on every Windows, and Windows 95, 98 and Me have no others.
HMODULE LoadSystemDll(const char* name);

// winmm.dll's PlaySoundA, loaded at the first call and kept; null where winmm
// or its PlaySoundA is missing (then the program plays nothing).
using PlaySoundAFunction = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);
PlaySoundAFunction WinmmPlaySoundA();

}  // namespace tickbomb::win32

#endif
