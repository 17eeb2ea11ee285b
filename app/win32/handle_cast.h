// Between the program's typed handles (app/seam/handles.h) and Windows' own:
// the bits are the same, only the type changes.
#ifndef TICKBOMB_APP_WIN32_HANDLE_CAST_H
#define TICKBOMB_APP_WIN32_HANDLE_CAST_H

#include "app/seam/handles.h"

#include <imm.h>
#include <windows.h>  // after the program's headers: its macros clash with their names

namespace tickbomb::win32 {

template <typename WindowsHandle, typename Handle>
WindowsHandle To(Handle handle) {
  return reinterpret_cast<WindowsHandle>(Bits(handle));
}

inline HWND Native(Hwnd h) { return To<HWND>(h); }
inline HDC Native(Hdc h) { return To<HDC>(h); }
inline HRGN Native(Hrgn h) { return To<HRGN>(h); }
inline HBRUSH Native(Hbrush h) { return To<HBRUSH>(h); }
inline HCURSOR Native(Hcursor h) { return To<HCURSOR>(h); }
inline HFONT Native(Hfont h) { return To<HFONT>(h); }
inline HBITMAP Native(Hbitmap h) { return To<HBITMAP>(h); }
inline HMODULE Native(Hmodule h) { return To<HMODULE>(h); }
inline HANDLE Native(Hprocess h) { return To<HANDLE>(h); }
inline HANDLE Native(Htoken h) { return To<HANDLE>(h); }
inline HIMC Native(Himc h) { return To<HIMC>(h); }

// The typed handle of `handle`: Typed<Hwnd>(hwnd).
template <typename Handle, typename WindowsHandle>
Handle Typed(WindowsHandle handle) {
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace tickbomb::win32

#endif
