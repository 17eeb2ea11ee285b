// A recording fake of the seam, both its halves: the Windows calls and the
// forms layer's host. Every call is logged, in order, with its arguments, so
// that a test can compare the exact sequence the program makes (the clock,
// GetFocus and text measuring are read freely and not logged). Windows are
// tracked just enough for the form to work (rectangles, focus, timers); the
// message queue is a list of closures that a pump runs. A test can hook every
// call, to look at the program at that moment or to make the call fail. The
// tick count and the user's language are read freely too.
#ifndef TICKBOMB_TESTS_UNIT_FAKE_PLATFORM_H
#define TICKBOMB_TESTS_UNIT_FAKE_PLATFORM_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <ostream>

#include "app/seam/form_host.h"
#include "app/seam/windows_api.h"
#include "app/window_geometry.h"

namespace tickbomb {

// Handles and origins in the tests' messages: as their numbers; rectangles by their sides.
#define TICKBOMB_PRINTS_AS_NUMBER(Type)                                 \
  inline std::ostream& operator<<(std::ostream& out, Type value) {      \
    return out << #Type "(" << static_cast<std::int64_t>(value) << ")"; \
  }
TICKBOMB_PRINTS_AS_NUMBER(Hwnd)
TICKBOMB_PRINTS_AS_NUMBER(Hdc)
TICKBOMB_PRINTS_AS_NUMBER(Hrgn)
TICKBOMB_PRINTS_AS_NUMBER(Hbrush)
TICKBOMB_PRINTS_AS_NUMBER(Hcursor)
TICKBOMB_PRINTS_AS_NUMBER(ZoomOrigin)
#undef TICKBOMB_PRINTS_AS_NUMBER
inline void PrintTo(const Rect& r, std::ostream* out) {
  *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

}  // namespace tickbomb

namespace tickbomb::testing {

// Thrown by the fake's ExitProcess: the program ended at that point.
using tickbomb::ProcessExit;

struct FakeCall {
  explicit FakeCall(std::string name, std::vector<std::int64_t> args = {})
      : name(std::move(name)), args(std::move(args)) {}

  std::string name;
  std::vector<std::int64_t> args;
  std::wstring text;        // MessageBoxW text, window caption
  std::wstring title;       // MessageBoxW title
  std::string str;          // LookupPrivilegeValueA name, ReadResource type
  std::int64_t result = 0;  // the handle a Create.../Load... call returned
  // PlaySoundA's buffer: beside the arguments, not among them, so that a log
  // line names the wave ("PlaySoundA(106,0,ASYNC|NODEFAULT|MEMORY)") and a
  // test can still tell one array from another.
  const void* sound = nullptr;
};

// Lines of the log, as the tests compare them.
using Lines = std::vector<std::string>;

// The call as a line of the log: "Name(arg,arg,...)", then its `str` quoted.
std::string LogLine(const FakeCall& call);
// Argument `position` of `call` as the log writes it, named from the tests'
// own table of Windows constants (fake_platform.cpp) for that function and
// position (a message's wParam for that message). A value prints as its name;
// a word of bits as their names joined by "|" in the table's order (names of
// several bits first, then from the lowest bit), any bits left over in hex; a
// value with no name as its number. Names are Windows' own, in full
// (WM_NCLBUTTONDOWN, EWX_REBOOT, MB_ICONERROR|MB_SETFOREGROUND), but for one
// rule: a word of the call's own option bits, SetWindowPos's and PlaySoundA's
// flags, drops the prefix the function says (NOSIZE|NOMOVE, ASYNC|MEMORY).
std::string LogArgument(const FakeCall& call, std::size_t position);

// A PlaySoundA without SND_ASYNC: its hooks run while the sound plays, as the
// program waits for it.
bool IsSyncSound(const FakeCall& call);

// The handle's bits as a logged number, and as the log line writes them (Logged).
template <typename Handle>
std::int64_t N(Handle handle) {
  // Sign-extended, as Windows widens a handle: the process pseudo-handle is -1
  // in a 32-bit build as in a 64-bit one.
  return static_cast<std::int64_t>(static_cast<std::intptr_t>(Bits(handle)));
}
template <typename Handle>
std::string Logged(Handle handle) {
  return std::to_string(N(handle));
}

// The calls one action made, and its end if it ended the program.
class FakePlatform;
struct CallSpan {
  const FakePlatform* platform = nullptr;
  std::size_t first = 0, end = 0;  // indices into its `calls`
  std::optional<unsigned> exit;
  // Their log lines; only the calls named in `names`, if any are given.
  Lines Log(const std::vector<std::string>& names = {}) const;
  std::vector<const FakeCall*> Named(const std::string& name) const;
  // (wave id, flags) of every PlaySoundA.
  std::vector<std::pair<int, int>> Sounds() const;
};

class FakePlatform : public WindowsApi, public FormHost {
 public:
  FakePlatform();

  // ---- what the tests set up
  OsVersionInfoA version{};         // answer of GetVersionExA
  bool version_call_fails = false;  // GetVersionExA leaves the record alone
  int screen_width = 1280, screen_height = 1024;
  double clock_ms = 1000.0;  // the time; Sleep advances it
  // What the performance counter reads at time `clock_ms` (NowMilliseconds):
  // the time itself, unless a test makes it fail or step.
  std::function<double(double)> counter = [](double time) { return time; };
  // GetTickCount: the time, whole milliseconds, from another origin.
  std::uint32_t tick_count_origin = 7000;
  std::uint16_t ui_language = 0x0409;  // UserLanguage: English (United States)
  bool accessibility = true;           // StartAccessibility's answer
  bool imm32 = true;                   // ImmAssociateContext finds an input method context
  // A queued event sets this to post a request to quit (WM_QUIT): the pump
  // that runs it stops there and says so.
  bool quit_posted = false;
  std::map<int, std::vector<std::uint8_t>> waves;  // "WAVE" resources
  std::vector<int> missing_cursors;                // LoadCursorResource answers 0
  std::vector<int> missing_pictures;               // LoadPicture answers 0
  int screen_dpi = 96;                             // ScreenDpi
  std::optional<int> window_dpi;                   // WindowDpi; the screen's if not set
  std::uint32_t initial_style = 0x02CF0000;        // WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
  bool form_window_fails = false;                  // CreateFormWindow answers a null window
  // Events waiting in the message queue: a pump runs all of them (and
  // those they queue), in order.
  std::deque<std::function<void()>> queue;
  // Runs the event that waits first, as the message loop would; false if none waits.
  bool RunNext();
  std::uint32_t button_text_color = 0x00000000;  // GetSysColor(COLOR_BTNTEXT)
  int exit_windows_result = 1;  // ExitWindowsEx's answer; 0: the system refuses to shut down
  // OpenProcessToken, LookupPrivilegeValueA and AdjustTokenPrivileges answer
  // 0 and fill in nothing.
  bool privilege_calls_fail = false;

  // ---- what the tests read
  std::vector<FakeCall> calls;
  CallSpan From(std::size_t first) const { return {this, first, calls.size(), {}}; }
  CallSpan All() const { return From(0); }
  // The log lines of the calls whose names are in `names` (all if empty).
  Lines Log(const std::vector<std::string>& names = {}) const { return All().Log(names); }
  std::vector<const FakeCall*> CallsNamed(const std::string& name) const;
  // The calls `action` makes. Should it end the program, the ProcessExit
  // goes on to the test; Ending (or `catch_end`) stops it and keeps its code.
  template <typename Action>
  CallSpan During(Action&& action, bool catch_end = false) {
    const std::size_t first = calls.size();
    std::optional<unsigned> exit;
    try {
      action();
    } catch (const ProcessExit& end) {
      if (!catch_end) throw;
      exit = end.code;
    }
    return {this, first, calls.size(), exit};
  }
  template <typename Action>
  CallSpan Ending(Action&& action) {
    return During(action, true);
  }
  // The buffers PlaySoundA was given, in order.
  std::vector<const std::uint8_t*> PlayedBuffers() const;
  // The WAVE id whose bytes a PlaySoundA pointer points at (0 if none).
  int WaveIdAt(const void* sound) const;
  void ClearCalls() { calls.clear(); }
  // Pumps draining the queue now (a pump left by an exception is not counted down).
  int pump_depth = 0;
  Hwnd focus{};
  std::map<std::uintptr_t, std::uint32_t> timers;  // armed timers and their delays
  std::map<Hwnd, Rect> window_rects;
  std::map<Hwnd, bool> checked;
  std::vector<Hwnd> live_windows;
  // The events each form window was created to serve.
  std::map<Hwnd, FormWindowEvents*> window_events;

  // ---- the hook on every call, and added checks
  // Run in order as each call is recorded, its record complete but for
  // `result`, before the fake answers it: a hook can look at the program's
  // state at that moment, or throw to make the call fail. A pump's hooks run
  // before it runs the queue. Hooks are added between calls, never from
  // inside one; a hook that makes calls of its own may move the record it was
  // handed, so it reads what it needs first.
  std::vector<std::function<void(const FakeCall&)>> on_call;
  // When set, GetWindowRect answers this for every window.
  std::optional<Rect> window_rect_answer;
  // The version record exactly as the program handed it to GetVersionExA.
  OsVersionInfoA version_request{};
  // Every window the program created and then destroyed. Any call naming one
  // of them throws std::logic_error: the program touched a dead window.
  std::set<Hwnd> destroyed_windows;
  // Cursors loaded and not yet destroyed; destroying one twice, or one that
  // was never loaded, throws std::logic_error.
  std::set<Hcursor> live_cursors;
  // Brushes and regions created and not yet deleted or handed to a window.
  std::set<std::uintptr_t> live_gdi_objects;
  // Pictures loaded or made and not yet deleted; the resource id of each
  // loaded one, and the pixels of each made one.
  std::set<Hbitmap> live_bitmaps;
  std::map<Hbitmap, int> picture_ids;
  std::map<Hbitmap, PixelImage> made_pictures;
  // The pixels a loaded picture reads back: a pattern of its own for every
  // resource id, of the size of that bitmap resource.
  static PixelImage SyntheticPicture(int id);
  // The region each window was given by SetWindowRgn (the system owns it).
  std::map<Hwnd, Hrgn> window_regions;
  // Whether pixel (x, y) lies in `region`, following CreateRectRgn and
  // CombineRgn (AND, OR, XOR, DIFF, COPY) as they were called.
  bool RegionContains(Hrgn region, int x, int y) const;

  // ---- WindowsApi
  int PlaySoundA(const void* sound, Hmodule module, std::uint32_t flags) override;
  int GetVersionExA(OsVersionInfoA* info) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t GetTickCount() override;
  Hprocess GetCurrentProcess() override;
  int CloseHandle(Htoken handle) override;
  void ExitProcess(unsigned exit_code) override;
  int OpenProcessToken(Hprocess process, std::uint32_t access, Htoken* token) override;
  int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) override;
  int AdjustTokenPrivileges(Htoken token, int disable_all, TokenPrivileges1* new_state,
                            std::uint32_t buffer_length, void* previous_state,
                            std::uint32_t* return_length) override;
  std::int32_t GetWindowLongA(Hwnd hwnd, int index) override;
  std::int32_t SetWindowLongA(Hwnd hwnd, int index, std::int32_t value) override;
  int SetWindowPos(Hwnd hwnd, Hwnd insert_after, int x, int y, int cx, int cy,
                   std::uint32_t flags) override;
  int SetWindowRgn(Hwnd hwnd, Hrgn region, int redraw) override;
  int GetWindowRect(Hwnd hwnd, Rect* rect) override;
  int ShowWindow(Hwnd hwnd, int show) override;
  int DestroyWindow(Hwnd hwnd) override;
  int InvalidateRect(Hwnd hwnd, const Rect* rect, int erase) override;
  int UpdateWindow(Hwnd hwnd) override;
  Hwnd SetFocus(Hwnd hwnd) override;
  Hwnd GetFocus() override;
  std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapse) override;
  int KillTimer(Hwnd hwnd, std::uintptr_t id) override;
  Hdc GetDC(Hwnd hwnd) override;
  int ReleaseDC(Hwnd hwnd, Hdc dc) override;
  int ReleaseCapture() override;
  std::intptr_t SendMessageA(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;
  std::intptr_t SendToOwnWindow(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam) override;
  int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
  int MessageBoxW(Hwnd owner, const wchar_t* text, const wchar_t* caption,
                  std::uint32_t type) override;
  int GetSystemMetrics(int index) override;
  std::uint32_t GetSysColor(int index) override;
  int DestroyCursor(Hcursor cursor) override;
  void InitCommonControls() override;
  void NotifyWinEvent(std::uint32_t event, Hwnd hwnd, std::int32_t object,
                      std::int32_t child) override;
  Himc ImmAssociateContext(Hwnd hwnd, Himc context) override;
  Hrgn CreateRectRgn(int left, int top, int right, int bottom) override;
  int CombineRgn(Hrgn destination, Hrgn source1, Hrgn source2, int mode) override;
  int DeleteObject(Hrgn region) override;
  int DeleteObject(Hbrush brush) override;
  int DeleteObject(Hbitmap bitmap) override;
  Hbrush CreateSolidBrush(std::uint32_t color) override;
  Hbrush SelectObject(Hdc dc, Hbrush brush) override;
  int Rectangle(Hdc dc, int left, int top, int right, int bottom) override;

  // ---- FormHost
  Hwnd CreateFormWindow(const std::wstring& caption, const Rect& outer,
                        FormWindowEvents& events) override;
  // Logged as CreateOptionButton(parent,left,top,right,bottom,group_start,
  // back_color,fore_color,font weight,font size in hundredths of a point).
  Hwnd CreateOptionButton(Hwnd parent, const std::wstring& caption, const Rect& rect,
                          bool group_start, std::uint32_t back_color, std::uint32_t fore_color,
                          const FontSpec& font) override;
  void PlaceOptionButton(Hwnd button, const Rect& rect, const FontSpec& font) override;
  void RefreshCursor(Hwnd hwnd) override;
  int ScreenDpi() override { return screen_dpi; }
  int WindowDpi(Hwnd /*hwnd*/) override { return window_dpi.value_or(screen_dpi); }
  bool DispatchPendingMessages() override;
  TextSize MeasureText(const FontSpec& font, const std::wstring& text) override;
  bool ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) override;
  Hcursor LoadCursorResource(int id) override;
  Hbitmap LoadPicture(int id) override;
  bool ReadPicture(Hbitmap picture, PixelImage& pixels) override;
  Hbitmap CreatePicture(const PixelImage& pixels) override;
  double NowMilliseconds() override;
  std::uint16_t UserLanguage() override { return ui_language; }
  bool StartAccessibility() override;

 private:
  // Logs a call and runs the hooks on it; the index of its record.
  std::size_t Record(FakeCall call);
  std::size_t Record(std::string name, std::vector<std::int64_t> args = {});
  bool IsLive(Hwnd hwnd) const;
  void CheckNotDestroyed(Hwnd hwnd, const char* call) const;
  int DeleteGdiObject(std::uintptr_t object);
  std::map<std::uintptr_t, std::function<bool(int, int)>> regions_;
  std::uintptr_t next_handle_ = 0x100;
  std::map<Hwnd, std::int32_t> styles_;
};

// Synthetic WAVE images, distinct per id (the id is in the bytes).
std::vector<std::uint8_t> SyntheticWave(int id);

// The run-time error `call` raises where no form is there to report it (a
// part of the core alone): its number, or none if it raised nothing.
std::optional<int> RaisedBy(const std::function<void()>& call);

}  // namespace tickbomb::testing

#endif
