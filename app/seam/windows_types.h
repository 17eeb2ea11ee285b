// The structures and constants of the Windows functions tickbomb calls
// (windows_api.h), laid out and spelt as Windows has them.
#ifndef TICKBOMB_APP_SEAM_WINDOWS_TYPES_H
#define TICKBOMB_APP_SEAM_WINDOWS_TYPES_H

#include <cstdint>

namespace tickbomb {

// Same layout as OSVERSIONINFOA (148 bytes).
struct OsVersionInfoA {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoA) == 148);

// Same layout as LUID and as a TOKEN_PRIVILEGES holding one privilege.
struct Luid {
  std::uint32_t LowPart;
  std::int32_t HighPart;
};
struct TokenPrivileges1 {
  std::uint32_t PrivilegeCount;
  Luid PrivilegeLuid;
  std::uint32_t Attributes;
};
static_assert(sizeof(TokenPrivileges1) == 16);

// Thrown instead of ending the process by a stand-in for Windows that cannot
// end it (the tests' fake). The program never catches it.
struct ProcessExit {
  unsigned code;
};

// Win32 constants the program uses, spelt as Windows spells them.
namespace win {
inline constexpr std::uint32_t SND_ASYNC = 0x0001;
inline constexpr std::uint32_t SND_NODEFAULT = 0x0002;
inline constexpr std::uint32_t SND_MEMORY = 0x0004;
inline constexpr int GWL_STYLE = -16;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;
inline constexpr std::uint32_t SWP_FRAMECHANGED = 0x0020;
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int RGN_XOR = 3;
inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr std::uintptr_t HTCAPTION = 2;
inline constexpr std::uint32_t BM_SETCHECK = 0x00F1;
inline constexpr std::uintptr_t BST_UNCHECKED = 0;
inline constexpr std::uintptr_t BST_CHECKED = 1;
inline constexpr std::uint32_t EWX_SHUTDOWN = 1;
inline constexpr std::uint32_t EWX_REBOOT = 2;
inline constexpr std::uint32_t EWX_POWEROFF = 8;
inline constexpr std::uint32_t SE_PRIVILEGE_ENABLED = 2;
inline constexpr std::uint32_t TOKEN_ALL_ACCESS_NT4 = 0x000F00FF;
inline constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;
inline constexpr std::uint32_t MB_OK = 0;
inline constexpr std::uint32_t MB_ICONERROR = 0x10;
inline constexpr std::uint32_t MB_SYSTEMMODAL = 0x1000;
inline constexpr std::uint32_t MB_SETFOREGROUND = 0x10000;
inline constexpr std::uint32_t EVENT_OBJECT_NAMECHANGE = 0x800C;
inline constexpr std::int32_t OBJID_CLIENT = -4;
inline constexpr std::int32_t CHILDID_SELF = 0;
inline constexpr int VK_F4 = 0x73;
inline constexpr std::uint16_t LANG_JAPANESE = 0x11;  // the primary language of a LANGID
}  // namespace win

}  // namespace tickbomb

#endif
