// Windows handles as distinct types, so that a device context cannot pass
// where a window is expected. Each holds the handle's bits unchanged; the
// null handle of every kind is the default value, `Hwnd{}`.
#ifndef TICKBOMB_APP_SEAM_HANDLES_H
#define TICKBOMB_APP_SEAM_HANDLES_H

#include <cstdint>

namespace tickbomb {

enum class Hwnd : std::uintptr_t {};      // a window
enum class Hdc : std::uintptr_t {};       // a device context
enum class Hrgn : std::uintptr_t {};      // a region
enum class Hbrush : std::uintptr_t {};    // a brush
enum class Hcursor : std::uintptr_t {};   // a cursor
enum class Hfont : std::uintptr_t {};     // a font
enum class Hbitmap : std::uintptr_t {};   // a bitmap
enum class Hmodule : std::uintptr_t {};   // a loaded module
enum class Hprocess : std::uintptr_t {};  // a process
enum class Htoken : std::uintptr_t {};    // an access token
enum class Himc : std::uintptr_t {};      // an input method context

// The handle's bits, for logging and for the Windows side's casts.
template <typename Handle>
constexpr std::uintptr_t Bits(Handle handle) {
  return static_cast<std::uintptr_t>(handle);
}

template <typename Handle>
constexpr bool IsNull(Handle handle) {
  return handle == Handle{};
}

}  // namespace tickbomb

#endif
