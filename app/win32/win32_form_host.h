// The forms layer's host on Windows: the form's window and its option buttons
// (window class and procedures in form_window.cpp), the message queue, text
// measuring, the screen's density, the program's own resources and pictures,
// and the performance counter.
#ifndef TICKBOMB_APP_WIN32_WIN32_FORM_HOST_H
#define TICKBOMB_APP_WIN32_WIN32_FORM_HOST_H

#include "app/seam/form_host.h"

#include <windows.h>  // after the program's headers: its macros clash with their names

namespace tickbomb::win32 {

class Win32FormHost final : public FormHost {
 public:
  Win32FormHost();
  ~Win32FormHost() override;
  Win32FormHost(const Win32FormHost&) = delete;
  Win32FormHost& operator=(const Win32FormHost&) = delete;

  Hwnd CreateFormWindow(const std::wstring& caption, const Rect& outer,
                        FormWindowEvents& events) override;
  Hwnd CreateOptionButton(Hwnd parent, const std::wstring& caption, const Rect& rect,
                          bool group_start, std::uint32_t back_color, std::uint32_t fore_color,
                          const FontSpec& font) override;
  void PlaceOptionButton(Hwnd button, const Rect& rect, const FontSpec& font) override;
  void RefreshCursor(Hwnd hwnd) override;
  int ScreenDpi() override;
  int WindowDpi(Hwnd hwnd) override;
  bool DispatchPendingMessages() override;
  TextSize MeasureText(const FontSpec& font, const std::wstring& text) override;
  bool ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) override;
  Hcursor LoadCursorResource(int id) override;
  Hbitmap LoadPicture(int id) override;
  bool ReadPicture(Hbitmap picture, PixelImage& pixels) override;
  Hbitmap CreatePicture(const PixelImage& pixels) override;
  double NowMilliseconds() override;
  std::uint16_t UserLanguage() override;
  bool StartAccessibility() override;

 private:
  HDC measure_dc_ = nullptr;           // a memory DC that text is measured in
  double counts_per_millisecond_ = 0;  // 0: there is no performance counter
};

}  // namespace tickbomb::win32

#endif
