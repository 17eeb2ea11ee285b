#include "system/shutdown.h"

#include <cstring>

namespace tickbomb {

bool IsWindowsNT(Platform& platform) {
  OsVersionInfoA info;
  std::memset(&info, 0, sizeof info);  // a failed call leaves platform 0: not NT
  info.dwOSVersionInfoSize = sizeof info;
  platform.GetVersionExA(&info);
  return info.dwPlatformId == win::VER_PLATFORM_WIN32_NT;
}

std::int32_t RequestShutdown(Platform& platform, const std::uint32_t& flags) {
  if (IsWindowsNT(platform)) {
    const Handle process = platform.GetCurrentProcess();
    Handle token = 0;
    platform.OpenProcessToken(process, win::TOKEN_ALL_ACCESS_NT4, &token);
    TokenPrivileges1 privileges{};
    platform.LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.PrivilegeLuid);
    privileges.PrivilegeCount = 1;
    privileges.Attributes = win::SE_PRIVILEGE_ENABLED;
    platform.AdjustTokenPrivileges(token, 0, &privileges, 0, nullptr, nullptr);
    // The token is not needed again; a failed open left no handle to close.
    if (token != 0) platform.CloseHandle(token);
  }
  return platform.ExitWindowsEx(flags, 0);
}

}  // namespace tickbomb
