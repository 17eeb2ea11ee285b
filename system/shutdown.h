// The program's one effect on the system: asking Windows to shut down, power
// off or restart. On the NT family the process must first enable its
// shutdown privilege. EWX_FORCE is never added: other programs may still
// object to the shutdown.
#ifndef TICKBOMB_SYSTEM_SHUTDOWN_H
#define TICKBOMB_SYSTEM_SHUTDOWN_H

#include <cstdint>

#include "app/seam/windows_api.h"

namespace tickbomb {

bool IsWindowsNT(WindowsApi& windows);

// Asks for `flags` (EWX_SHUTDOWN, EWX_REBOOT or EWX_POWEROFF); returns what
// ExitWindowsEx answered, which the caller does not examine.
std::int32_t RequestShutdown(WindowsApi& windows, const std::uint32_t& flags);

}  // namespace tickbomb

#endif
