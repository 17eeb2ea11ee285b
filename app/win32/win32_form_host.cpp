#include "app/win32/win32_form_host.h"

#include <algorithm>
#include <limits>

#include "app/win32/accessibility.h"
#include "app/win32/dib_format.h"
#include "app/win32/form_window.h"
#include "app/win32/handle_cast.h"
#include "app/win32/painter.h"
#include "app/win32/unicode_or_ansi.h"

namespace tickbomb::win32 {

namespace {
HINSTANCE Instance() { return GetModuleHandleA(nullptr); }
}  // namespace

Win32FormHost::Win32FormHost() : measure_dc_(CreateCompatibleDC(nullptr)) {
  // Windows before XP may have no performance counter; then the forms
  // layer's clock keeps time with the system tick instead.
  LARGE_INTEGER frequency{};
  if (QueryPerformanceFrequency(&frequency) != FALSE && frequency.QuadPart > 0) {
    counts_per_millisecond_ = static_cast<double>(frequency.QuadPart) / 1000.0;
  }
}

Win32FormHost::~Win32FormHost() { DeleteDC(measure_dc_); }

Hwnd Win32FormHost::CreateFormWindow(const std::wstring& caption, const Rect& outer,
                                     FormWindowEvents& events) {
  return Typed<Hwnd>(CreateFormWindowFor(events, caption.c_str(), outer));
}

Hwnd Win32FormHost::CreateOptionButton(Hwnd parent, const std::wstring& caption, const Rect& rect,
                                       bool group_start, std::uint32_t back_color,
                                       std::uint32_t fore_color, const FontSpec& font) {
  const DWORD style =
      BS_RADIOBUTTON | WS_TABSTOP | WS_CHILD | WS_VISIBLE | (group_start ? WS_GROUP : 0);
  const HWND button =
      NewWindow(L"BUTTON", caption.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, Native(parent), nullptr);
  if (button != nullptr) SubclassOptionButton(button, back_color, fore_color, FontFor(font));
  return Typed<Hwnd>(button);
}

void Win32FormHost::PlaceOptionButton(Hwnd button, const Rect& rect, const FontSpec& font) {
  SetWindowPos(Native(button), nullptr, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  SendToWindow(Native(button), WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), TRUE);
}

int Win32FormHost::ScreenDpi() { return GetDeviceCaps(measure_dc_, LOGPIXELSX); }

// GetDpiForWindow is there from Windows 10 1607 on; before that every window
// has the system's density.
int Win32FormHost::WindowDpi(Hwnd hwnd) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  const UINT dpi = get_dpi_for_window != nullptr ? get_dpi_for_window(Native(hwnd)) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : ScreenDpi();
}

void Win32FormHost::RefreshCursor(Hwnd hwnd) { ShowFormCursor(Native(hwnd)); }

bool Win32FormHost::DispatchPendingMessages() {
  MSG message;
  while (TakeQueuedMessage(message)) {
    if (message.message == WM_QUIT) return false;
    DeliverMessage(message);
  }
  return true;
}

TextSize Win32FormHost::MeasureText(const FontSpec& font, const std::wstring& text) {
  const HGDIOBJ previous = SelectObject(measure_dc_, FontFor(font));
  SIZE size{};
  GetTextExtentPoint32W(measure_dc_, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(measure_dc_, previous);
  return {size.cx, size.cy};
}

bool Win32FormHost::ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) {
  const HMODULE module = Instance();
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return false;
  const HGLOBAL loaded = LoadResource(module, found);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (data == nullptr) return false;
  bytes.assign(data, data + SizeofResource(module, found));
  return true;
}

Hcursor Win32FormHost::LoadCursorResource(int id) {
  return Typed<Hcursor>(LoadImageA(Instance(), MAKEINTRESOURCEA(id), IMAGE_CURSOR, 32, 32, 0));
}

// A DIB section: the bitmap is decoded as it is loaded, not at its first paint.
Hbitmap Win32FormHost::LoadPicture(int id) {
  return Typed<Hbitmap>(
      LoadImageA(Instance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

bool Win32FormHost::ReadPicture(Hbitmap picture, PixelImage& pixels) {
  BITMAP info{};
  if (GetObjectA(Native(picture), sizeof info, &info) == 0) return false;
  BITMAPINFO format = TopDown32BitFormat(info.bmWidth, info.bmHeight);
  pixels.width = info.bmWidth;
  pixels.height = info.bmHeight;
  pixels.pixels.assign(static_cast<std::size_t>(info.bmWidth) * info.bmHeight, 0);
  const int rows = GetDIBits(measure_dc_, Native(picture), 0, static_cast<UINT>(info.bmHeight),
                             pixels.pixels.data(), &format, DIB_RGB_COLORS);
  return rows == info.bmHeight;
}

Hbitmap Win32FormHost::CreatePicture(const PixelImage& pixels) {
  const BITMAPINFO format = TopDown32BitFormat(pixels.width, pixels.height);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(measure_dc_, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return Hbitmap{};
  std::copy(pixels.pixels.begin(), pixels.pixels.end(), static_cast<std::uint32_t*>(bits));
  return Typed<Hbitmap>(bitmap);
}

double Win32FormHost::NowMilliseconds() {
  LARGE_INTEGER now{};
  if (counts_per_millisecond_ <= 0 || QueryPerformanceCounter(&now) == FALSE) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return static_cast<double>(now.QuadPart) / counts_per_millisecond_;
}

// GetUserDefaultUILanguage is there from Windows 2000 on; before that the
// user's default language tells, or a Shift-JIS ANSI code page does.
std::uint16_t Win32FormHost::UserLanguage() {
  using GetUserDefaultUILanguageFunction = LANGID(WINAPI*)();
  static const auto ui_language =
      reinterpret_cast<GetUserDefaultUILanguageFunction>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetUserDefaultUILanguage")));
  if (ui_language != nullptr) return ui_language();
  constexpr UINT kShiftJis = 932;
  return GetACP() == kShiftJis ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                               : GetUserDefaultLangID();
}

bool Win32FormHost::StartAccessibility() { return win32::StartAccessibility(); }

}  // namespace tickbomb::win32
