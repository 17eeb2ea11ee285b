// A recording fake of the Windows seam: every call is logged, in order, with
// its arguments, so that a test can compare the exact sequence the program
// makes. Windows are tracked just enough for the form to work (rectangles,
// focus, timers); the message queue is a list of closures that a pump runs.
#ifndef TICKBOMB_TESTS_UNIT_FAKE_PLATFORM_H
#define TICKBOMB_TESTS_UNIT_FAKE_PLATFORM_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/platform.h"

namespace tickbomb::testing {

// Thrown by the fake's ExitProcess: the program ended at that point.
struct ProcessExit {
  unsigned code;
};

struct FakeCall {
  std::string name;
  std::vector<std::int64_t> args;
  std::wstring text;   // MessageBoxW text, window caption
  std::wstring title;  // MessageBoxW title
  std::string str;     // LookupPrivilegeValueA name, ReadResource type
  std::int64_t result = 0;  // the handle a Create.../Load... call returned
};

class FakePlatform : public Platform {
 public:
  FakePlatform();

  // ---- what the tests set up
  OsVersionInfoA version{};         // answer of GetVersionExA
  bool version_call_fails = false;  // GetVersionExA leaves the record alone
  int screen_width = 1280, screen_height = 1024;
  double clock_ms = 1000.0;         // MonotonicMilliseconds; Sleep advances it
  std::map<int, std::vector<std::uint8_t>> waves;  // "WAVE" resources
  std::vector<int> missing_cursors;                 // LoadCursorResource answers 0
  std::uint32_t initial_style = 0x02CF0000;         // WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
  // Events waiting in the message queue: PumpMessages runs all of them (and
  // those they queue), in order.
  std::deque<std::function<void()>> queue;
  // Runs inside every synchronous PlaySoundA, as if the sound played.
  std::function<void()> during_sync_sound;

  // ---- what the tests read
  std::vector<FakeCall> calls;
  // "Name(arg,arg,...)" for every call whose name is in `names` (all if empty).
  std::vector<std::string> Log(const std::vector<std::string>& names = {}) const;
  std::vector<const FakeCall*> CallsNamed(const std::string& name) const;
  // The WAVE id whose bytes a PlaySoundA pointer points at (0 if none), and
  // whether that array belongs to the bank loaded most recently.
  int WaveIdAt(const void* sound) const;
  void ClearCalls() { calls.clear(); }
  Handle focus = 0;
  std::map<std::uintptr_t, std::uint32_t> timers;  // armed timers and their delays
  std::map<Handle, Rect> window_rects;
  std::map<Handle, bool> checked;
  std::vector<Handle> live_windows;

  // ---- added checks and hooks
  // Runs as every call is recorded, before the fake answers it (so `result`
  // is not filled in yet): a test can look at the program's state at that
  // moment.
  std::function<void(const FakeCall&)> on_call;
  // When set, GetWindowRect answers this for every window.
  std::optional<Rect> window_rect_answer;
  // The version record exactly as the program handed it to GetVersionExA.
  OsVersionInfoA version_request{};
  // Every window the program created and then destroyed. Any call naming one
  // of them throws std::logic_error: the program touched a dead window.
  std::set<Handle> destroyed_windows;
  // Cursors loaded and not yet destroyed; destroying one twice, or one that
  // was never loaded, throws std::logic_error.
  std::set<Handle> live_cursors;
  // Brushes and regions created and not yet deleted or handed to a window.
  std::set<Handle> live_gdi_objects;
  // The region each window was given by SetWindowRgn (the system owns it).
  std::map<Handle, Handle> window_regions;
  // Whether pixel (x, y) lies in `region`, following CreateRectRgn and
  // CombineRgn (AND, OR, XOR, DIFF, COPY) as they were called.
  bool RegionContains(Handle region, int x, int y) const;

  // ---- Platform
  int PlaySoundA(const void* sound, Handle module, std::uint32_t flags) override;
  int GetVersionExA(OsVersionInfoA* info) override;
  void Sleep(std::uint32_t milliseconds) override;
  Handle GetCurrentProcess() override;
  int CloseHandle(Handle handle) override;
  double MonotonicMilliseconds() override;
  bool ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) override;
  [[noreturn]] void ExitProcess(unsigned exit_code) override;
  int OpenProcessToken(Handle process, std::uint32_t access, Handle* token) override;
  int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) override;
  int AdjustTokenPrivileges(Handle token, int disable_all, TokenPrivileges1* new_state,
                            std::uint32_t buffer_length, void* previous_state,
                            std::uint32_t* return_length) override;
  std::int32_t GetWindowLongA(Handle hwnd, int index) override;
  std::int32_t SetWindowLongA(Handle hwnd, int index, std::int32_t value) override;
  int SetWindowPos(Handle hwnd, Handle insert_after, int x, int y, int cx, int cy,
                   std::uint32_t flags) override;
  int SetWindowRgn(Handle hwnd, Handle region, int redraw) override;
  int GetWindowRect(Handle hwnd, Rect* rect) override;
  Handle GetDC(Handle hwnd) override;
  int ReleaseDC(Handle hwnd, Handle dc) override;
  int ReleaseCapture() override;
  std::intptr_t SendMessageA(Handle hwnd, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;
  int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
  int MessageBoxW(Handle owner, const std::wstring& text, const std::wstring& title,
                  std::uint32_t style) override;
  int ScreenWidthPixels() override;
  int ScreenHeightPixels() override;
  Handle LoadCursorResource(int id) override;
  int DestroyCursor(Handle cursor) override;
  bool HasBitmapResource(int id) override;
  Handle CreateRectRgn(int left, int top, int right, int bottom) override;
  int CombineRgn(Handle destination, Handle source1, Handle source2, int mode) override;
  int DeleteObject(Handle object) override;
  Handle CreateSolidBrush(std::uint32_t color) override;
  Handle SelectObject(Handle dc, Handle object) override;
  int Rectangle(Handle dc, int left, int top, int right, int bottom) override;
  TextSize MeasureText(const FontSpec& font, const std::wstring& text) override;
  Handle CreateFormWindow(const std::wstring& caption, const Rect& client,
                          std::uint32_t back_color) override;
  Handle CreateOptionButton(Handle parent, const std::wstring& caption, const Rect& rect,
                            bool group_start) override;
  int DestroyWindow(Handle hwnd) override;
  int ShowWindow(Handle hwnd, bool visible) override;
  int MoveWindow(Handle hwnd, int x, int y) override;
  int InvalidateRect(Handle hwnd, const Rect* rect) override;
  int UpdateWindow(Handle hwnd) override;
  Handle SetFocus(Handle hwnd) override;
  Handle GetFocus() override;
  int SetOptionChecked(Handle button, bool checked) override;
  int SetTimer(Handle hwnd, std::uintptr_t id, std::uint32_t milliseconds) override;
  int KillTimer(Handle hwnd, std::uintptr_t id) override;
  void PumpMessages() override;
  void RefreshCursor(Handle hwnd, const Rect& area, Handle cursor) override;

 private:
  FakeCall& Record(std::string name, std::vector<std::int64_t> args = {});
  bool IsLive(Handle hwnd) const;
  void CheckNotDestroyed(Handle hwnd, const char* call) const;
  std::map<Handle, std::function<bool(int, int)>> regions_;
  Handle next_handle_ = 0x100;
  std::map<Handle, std::int32_t> styles_;
};

// Synthetic WAVE images, distinct per id (the id is in the bytes).
std::vector<std::uint8_t> SyntheticWave(int id);

}  // namespace tickbomb::testing

#endif
