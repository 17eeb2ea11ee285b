// The Windows version as the program reads it, at start-up to choose the
// shutdown flags and at detonation to know whether the privilege step is
// needed: GetVersionExA on a zero-filled record whose size is set, and the
// result not examined, so a failed call reads as platform 0 (not NT).
#ifndef TICKBOMB_SYSTEM_WINDOWS_VERSION_H
#define TICKBOMB_SYSTEM_WINDOWS_VERSION_H

#include "app/seam/windows_api.h"

namespace tickbomb {

OsVersionInfoA ReadWindowsVersion(WindowsApi& windows);

}  // namespace tickbomb

#endif
