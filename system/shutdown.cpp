#include "system/shutdown.h"

#include "system/windows_version.h"

namespace tickbomb {

bool IsWindowsNT(WindowsApi& windows) {
  return ReadWindowsVersion(windows).dwPlatformId == win::VER_PLATFORM_WIN32_NT;
}

std::int32_t RequestShutdown(WindowsApi& windows, const std::uint32_t& flags) {
  if (IsWindowsNT(windows)) {
    const Hprocess process = windows.GetCurrentProcess();
    Htoken token{};
    windows.OpenProcessToken(process, win::TOKEN_ALL_ACCESS_NT4, &token);
    TokenPrivileges1 privileges{};
    windows.LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.PrivilegeLuid);
    privileges.PrivilegeCount = 1;
    privileges.Attributes = win::SE_PRIVILEGE_ENABLED;
    windows.AdjustTokenPrivileges(token, 0, &privileges, 0, nullptr, nullptr);
    // The token is not needed again; a failed open left no handle to close.
    if (!IsNull(token)) windows.CloseHandle(token);
  }
  return windows.ExitWindowsEx(flags, 0);
}

}  // namespace tickbomb
