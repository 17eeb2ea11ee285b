/* A planted winmm.dll: what an attacker would leave next to a downloaded
   tickbomb.exe.  It plays nothing; it only leaves a mark beside itself when
   it is loaded ("planted-winmm-loaded") and when its PlaySoundA is called
   ("planted-winmm-played"), so a test can tell whether the program ran it.
   Built by tests/e2e/scenarios/hardening.py:
     i686-w64-mingw32-gcc -shared -s -Wl,--kill-at -o winmm.dll winmm.c */
#define WIN32_LEAN_AND_MEAN /* leaves out <mmsystem.h>, whose PlaySoundA is an import */
#include <string.h>
#include <windows.h>

static HMODULE self;

static void leave_mark(const char* name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  char* slash;
  HANDLE file;
  if (length == 0 || length >= MAX_PATH) return;
  slash = strrchr(path, '\\');
  if (slash == NULL || (size_t)(slash + 1 - path) + strlen(name) >= MAX_PATH) return;
  strcpy(slash + 1, name);
  file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    leave_mark("planted-winmm-loaded");
  }
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags) {
  (void)sound;
  (void)module;
  (void)flags;
  leave_mark("planted-winmm-played");
  return TRUE;
}
