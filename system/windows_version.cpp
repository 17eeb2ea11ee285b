#include "system/windows_version.h"

namespace tickbomb {

OsVersionInfoA ReadWindowsVersion(WindowsApi& windows) {
  OsVersionInfoA info{};
  info.dwOSVersionInfoSize = sizeof info;
  windows.GetVersionExA(&info);
  return info;
}

}  // namespace tickbomb
