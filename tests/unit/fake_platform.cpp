#include "tests/unit/fake_platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "app/forms/runtime_error.h"
#include "app/module1.h"
#include "assets/resource_ids.h"

namespace tickbomb::testing {

std::vector<std::uint8_t> SyntheticWave(int id) {
  std::vector<std::uint8_t> bytes(64 + static_cast<std::size_t>(id), 0x80);
  std::memcpy(bytes.data(), "RIFF", 4);
  bytes[4] = static_cast<std::uint8_t>(id);
  std::memcpy(bytes.data() + 8, "WAVE", 4);
  return bytes;
}

namespace {
// Turns a run-time error into an exception the test catches.
struct Raised {
  int number;
};
class ReportsToTheTest : public forms::RunTimeErrorReporter {
 public:
  [[noreturn]] void Fail(int number) override { throw Raised{number}; }
};
}  // namespace

std::optional<int> RaisedBy(const std::function<void()>& call) {
  ReportsToTheTest reporter;
  forms::ReportRunTimeErrorsTo(&reporter);
  std::optional<int> raised;
  try {
    call();
  } catch (const Raised& error) {
    raised = error.number;
  }
  forms::ReportRunTimeErrorsTo(nullptr);
  return raised;
}

FakePlatform::FakePlatform() {
  std::memset(&version, 0, sizeof version);
  version.dwPlatformId = win::VER_PLATFORM_WIN32_NT;
  version.dwMajorVersion = 10;
  for (const SoundEntry& sound : kSounds) waves[sound.id] = SyntheticWave(sound.id);
}

std::size_t FakePlatform::Record(std::string name, std::vector<std::int64_t> args) {
  return Record(FakeCall(std::move(name), std::move(args)));
}

std::size_t FakePlatform::Record(FakeCall call) {
  const std::size_t index = calls.size();
  calls.push_back(std::move(call));
  // Handed by index: a hook that makes calls moves the records.
  for (const auto& hook : on_call) hook(calls[index]);
  return index;
}

void FakePlatform::CheckNotDestroyed(Hwnd hwnd, const char* call) const {
  if (!IsNull(hwnd) && destroyed_windows.count(hwnd) != 0) {
    throw std::logic_error(std::string(call) + " on a destroyed window");
  }
}

bool FakePlatform::RegionContains(Hrgn region, int x, int y) const {
  const auto it = regions_.find(Bits(region));
  if (it == regions_.end()) throw std::logic_error("RegionContains of an unknown region");
  return it->second(x, y);
}

// ---- the log: the Windows constants by name, from the tests' own table (the
// values written out as Windows defines them; LogArgument says how they print)
namespace {

// A value's name, or the name of some bits.
struct Name {
  std::int64_t value;
  const char* name;
};
struct Table {
  bool word;  // bits, their names joined; else one value
  std::vector<Name> names;
};

// clang-format off
const Table kBool{false, {{0, "FALSE"}, {1, "TRUE"}}};
const Table kSetWindowPos{true, {{0x1, "NOSIZE"}, {0x2, "NOMOVE"}, {0x4, "NOZORDER"},
    {0x8, "NOREDRAW"}, {0x10, "NOACTIVATE"}, {0x20, "FRAMECHANGED"}, {0x40, "SHOWWINDOW"}}};
const Table kPlaySound{true, {{0x1, "ASYNC"}, {0x2, "NODEFAULT"}, {0x4, "MEMORY"}, {0x8, "LOOP"}}};
const Table kTokenAccess{true, {{0xF01FF, "TOKEN_ALL_ACCESS"}, {0xF00FF, "TOKEN_ALL_ACCESS_P"},
    {0x8, "TOKEN_QUERY"}, {0x20, "TOKEN_ADJUST_PRIVILEGES"}}};
const Table kPrivilege{true, {{0x2, "SE_PRIVILEGE_ENABLED"}}};
const Table kWindowLong{false, {{-16, "GWL_STYLE"}, {-20, "GWL_EXSTYLE"}}};
const Table kStyle{true, {{0xC00000, "WS_CAPTION"}, {0x10000, "WS_MAXIMIZEBOX"},
    {0x20000, "WS_MINIMIZEBOX"}, {0x40000, "WS_THICKFRAME"}, {0x80000, "WS_SYSMENU"},
    {0x2000000, "WS_CLIPCHILDREN"}, {0x4000000, "WS_CLIPSIBLINGS"}, {0x10000000, "WS_VISIBLE"},
    {0x40000000, "WS_CHILD"}, {0x80000000, "WS_POPUP"}}};
const Table kShow{false, {{0, "SW_HIDE"}, {1, "SW_SHOWNORMAL"}, {5, "SW_SHOW"}, {8, "SW_SHOWNA"}}};
const Table kMessage{false, {{0xA1, "WM_NCLBUTTONDOWN"}, {0xF0, "BM_GETCHECK"},
    {0xF1, "BM_SETCHECK"}}};
const Table kHitTest{false, {{1, "HTCLIENT"}, {2, "HTCAPTION"}}};
const Table kButtonState{false, {{0, "BST_UNCHECKED"}, {1, "BST_CHECKED"}}};
const Table kExitWindows{true, {{0, "EWX_LOGOFF"}, {0x1, "EWX_SHUTDOWN"}, {0x2, "EWX_REBOOT"},
    {0x4, "EWX_FORCE"}, {0x8, "EWX_POWEROFF"}}};
const Table kMessageBox{true, {{0, "MB_OK"}, {0x30, "MB_ICONWARNING"}, {0x1, "MB_OKCANCEL"},
    {0x10, "MB_ICONERROR"}, {0x1000, "MB_SYSTEMMODAL"}, {0x10000, "MB_SETFOREGROUND"}}};
const Table kMetric{false, {{0, "SM_CXSCREEN"}, {1, "SM_CYSCREEN"}}};
const Table kColor{false, {{15, "COLOR_BTNFACE"}, {18, "COLOR_BTNTEXT"}}};
const Table kEvent{false, {{0x8005, "EVENT_OBJECT_FOCUS"}, {0x800C, "EVENT_OBJECT_NAMECHANGE"}}};
const Table kObject{false, {{0, "OBJID_WINDOW"}, {-4, "OBJID_CLIENT"}}};
const Table kChild{false, {{0, "CHILDID_SELF"}}};
const Table kRegionMode{false, {{1, "RGN_AND"}, {2, "RGN_OR"}, {3, "RGN_XOR"}, {4, "RGN_DIFF"}}};

// The table of each argument that has one, by function and position.
const std::map<std::pair<std::string, std::size_t>, const Table*> kArguments = {
    {{"PlaySoundA", 2}, &kPlaySound}, {{"OpenProcessToken", 1}, &kTokenAccess},
    {{"AdjustTokenPrivileges", 1}, &kBool}, {{"AdjustTokenPrivileges", 5}, &kPrivilege},
    {{"GetWindowLongA", 1}, &kWindowLong}, {{"SetWindowLongA", 1}, &kWindowLong},
    {{"SetWindowPos", 6}, &kSetWindowPos}, {{"SetWindowRgn", 2}, &kBool},
    {{"ShowWindow", 1}, &kShow}, {{"SendMessageA", 1}, &kMessage},
    {{"SendToOwnWindow", 1}, &kMessage}, {{"ExitWindowsEx", 0}, &kExitWindows},
    {{"MessageBoxW", 1}, &kMessageBox}, {{"GetSystemMetrics", 0}, &kMetric},
    {{"GetSysColor", 0}, &kColor}, {{"NotifyWinEvent", 0}, &kEvent},
    {{"NotifyWinEvent", 2}, &kObject}, {{"NotifyWinEvent", 3}, &kChild},
    {{"CombineRgn", 3}, &kRegionMode}};
// clang-format on

const Table* TableOf(const FakeCall& call, std::size_t position) {
  // A message's wParam, and a window long's value, by what they are of.
  const bool wparam = call.name.rfind("Send", 0) == 0 && position == 2;
  if (wparam && call.args[1] == 0xA1) return &kHitTest;      // WM_NCLBUTTONDOWN
  if (wparam && call.args[1] == 0xF1) return &kButtonState;  // BM_SETCHECK
  if (call.name == "SetWindowLongA" && position == 2 && call.args[1] == -16) return &kStyle;
  const auto found = kArguments.find({call.name, position});
  return found == kArguments.end() ? nullptr : found->second;
}

std::string WordText(const Table& table, std::uint32_t word) {
  std::string text;
  std::uint32_t rest = word;
  for (const Name& name : table.names) {
    const auto bits = static_cast<std::uint32_t>(name.value);
    if (word == 0 && bits == 0) return name.name;
    if (bits == 0 || (rest & bits) != bits) continue;
    text += (text.empty() ? "" : "|") + std::string(name.name);
    rest &= ~bits;
  }
  if (word == 0) return "0";
  char left[16];
  std::snprintf(left, sizeof left, "0x%X", rest);
  return rest == 0 ? text : text + (text.empty() ? "" : "|") + left;
}

}  // namespace

std::string LogArgument(const FakeCall& call, std::size_t position) {
  const std::int64_t value = call.args[position];
  const Table* table = TableOf(call, position);
  if (table == nullptr) return std::to_string(value);
  if (table->word) return WordText(*table, static_cast<std::uint32_t>(value));
  for (const Name& name : table->names) {
    if (name.value == value) return name.name;
  }
  return std::to_string(value);
}

std::string LogLine(const FakeCall& call) {
  std::ostringstream line;
  line << call.name << '(';
  for (std::size_t i = 0; i < call.args.size(); ++i) {
    line << (i ? "," : "") << LogArgument(call, i);
  }
  if (!call.str.empty()) line << (call.args.empty() ? "" : ",") << '"' << call.str << '"';
  line << ')';
  return line.str();
}

bool IsSyncSound(const FakeCall& call) {
  return call.name == "PlaySoundA" && (call.args[2] & win::SND_ASYNC) == 0;
}

Lines CallSpan::Log(const std::vector<std::string>& names) const {
  Lines lines;
  for (std::size_t i = first; i < end; ++i) {
    const FakeCall& call = platform->calls[i];
    if (names.empty() || std::find(names.begin(), names.end(), call.name) != names.end()) {
      lines.push_back(LogLine(call));
    }
  }
  return lines;
}

std::vector<const FakeCall*> CallSpan::Named(const std::string& name) const {
  std::vector<const FakeCall*> found;
  for (std::size_t i = first; i < end; ++i) {
    if (platform->calls[i].name == name) found.push_back(&platform->calls[i]);
  }
  return found;
}

std::vector<std::pair<int, int>> CallSpan::Sounds() const {
  std::vector<std::pair<int, int>> sounds;
  for (const FakeCall* play : Named("PlaySoundA")) {
    sounds.emplace_back(static_cast<int>(play->args[0]), static_cast<int>(play->args[2]));
  }
  return sounds;
}

std::vector<const FakeCall*> FakePlatform::CallsNamed(const std::string& name) const {
  return All().Named(name);
}

std::vector<const std::uint8_t*> FakePlatform::PlayedBuffers() const {
  std::vector<const std::uint8_t*> buffers;
  for (const FakeCall* call : CallsNamed("PlaySoundA")) {
    buffers.push_back(static_cast<const std::uint8_t*>(call->sound));
  }
  return buffers;
}

int FakePlatform::WaveIdAt(const void* sound) const {
  const auto* bytes = static_cast<const std::uint8_t*>(sound);
  if (bytes == nullptr || std::memcmp(bytes, "RIFF", 4) != 0) return 0;
  return bytes[4];
}

bool FakePlatform::IsLive(Hwnd hwnd) const {
  return std::find(live_windows.begin(), live_windows.end(), hwnd) != live_windows.end();
}

// ---- winmm: logged as PlaySoundA(wave id, module, flags), the buffer beside.
int FakePlatform::PlaySoundA(const void* sound, Hmodule module, std::uint32_t flags) {
  FakeCall call("PlaySoundA", {WaveIdAt(sound), N(module), static_cast<std::int64_t>(flags)});
  call.sound = sound;
  Record(std::move(call));
  return 1;
}

// ---- kernel32
int FakePlatform::GetVersionExA(OsVersionInfoA* info) {
  version_request = *info;
  Record("GetVersionExA", {static_cast<std::int64_t>(info->dwOSVersionInfoSize)});
  if (version_call_fails) return 0;
  const std::uint32_t size = info->dwOSVersionInfoSize;
  *info = version;
  info->dwOSVersionInfoSize = size;
  return 1;
}

void FakePlatform::Sleep(std::uint32_t milliseconds) {
  Record("Sleep", {milliseconds});
  clock_ms += milliseconds;
}

std::uint32_t FakePlatform::GetTickCount() {
  return tick_count_origin + static_cast<std::uint32_t>(std::floor(clock_ms));
}

Hprocess FakePlatform::GetCurrentProcess() {
  Record("GetCurrentProcess");
  return static_cast<Hprocess>(-1);
}

int FakePlatform::CloseHandle(Htoken handle) {
  Record("CloseHandle", {N(handle)});
  return 1;
}

void FakePlatform::ExitProcess(unsigned exit_code) {
  Record("ExitProcess", {exit_code});
  throw ProcessExit{exit_code};
}

// ---- advapi32
int FakePlatform::OpenProcessToken(Hprocess process, std::uint32_t access, Htoken* token) {
  Record("OpenProcessToken", {N(process), access});
  if (privilege_calls_fail) return 0;
  *token = static_cast<Htoken>(0x7A0);
  return 1;
}

int FakePlatform::LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) {
  FakeCall call("LookupPrivilegeValueA", {system_name == nullptr ? 0 : 1});
  call.str = name;
  Record(std::move(call));
  if (privilege_calls_fail) return 0;
  luid->LowPart = 19;  // the shutdown privilege's LUID on NT
  luid->HighPart = 0;
  return 1;
}

int FakePlatform::AdjustTokenPrivileges(Htoken token, int disable_all, TokenPrivileges1* new_state,
                                        std::uint32_t buffer_length, void* previous_state,
                                        std::uint32_t* return_length) {
  Record("AdjustTokenPrivileges",
         {N(token), disable_all, new_state->PrivilegeCount, new_state->PrivilegeLuid.LowPart,
          new_state->PrivilegeLuid.HighPart, new_state->Attributes, buffer_length,
          previous_state == nullptr ? 0 : 1, return_length == nullptr ? 0 : 1});
  return privilege_calls_fail ? 0 : 1;
}

// ---- user32
std::int32_t FakePlatform::GetWindowLongA(Hwnd hwnd, int index) {
  Record("GetWindowLongA", {N(hwnd), index});
  CheckNotDestroyed(hwnd, "GetWindowLongA");
  return styles_.count(hwnd) ? styles_[hwnd] : 0;
}

std::int32_t FakePlatform::SetWindowLongA(Hwnd hwnd, int index, std::int32_t value) {
  Record("SetWindowLongA", {N(hwnd), index, value});
  CheckNotDestroyed(hwnd, "SetWindowLongA");
  const std::int32_t old = styles_[hwnd];
  styles_[hwnd] = value;
  return old;
}

int FakePlatform::SetWindowPos(Hwnd hwnd, Hwnd insert_after, int x, int y, int cx, int cy,
                               std::uint32_t flags) {
  Record("SetWindowPos", {N(hwnd), N(insert_after), x, y, cx, cy, flags});
  CheckNotDestroyed(hwnd, "SetWindowPos");
  if ((flags & win::SWP_NOMOVE) == 0) {
    Rect& r = window_rects[hwnd];
    const int w = r.right - r.left, h = r.bottom - r.top;
    r = {x, y, x + w, y + h};
  }
  if ((flags & win::SWP_NOSIZE) == 0) {
    Rect& r = window_rects[hwnd];
    r = {r.left, r.top, r.left + cx, r.top + cy};
  }
  return 1;
}

int FakePlatform::SetWindowRgn(Hwnd hwnd, Hrgn region, int redraw) {
  Record("SetWindowRgn", {N(hwnd), N(region), redraw});
  CheckNotDestroyed(hwnd, "SetWindowRgn");
  if (!IsNull(region) && regions_.count(Bits(region)) == 0) {
    throw std::logic_error("SetWindowRgn of a deleted region");
  }
  live_gdi_objects.erase(Bits(region));  // the system owns it now
  window_regions[hwnd] = region;
  return 1;
}

int FakePlatform::GetWindowRect(Hwnd hwnd, Rect* rect) {
  Record("GetWindowRect", {N(hwnd)});
  CheckNotDestroyed(hwnd, "GetWindowRect");
  *rect = window_rect_answer ? *window_rect_answer : window_rects[hwnd];
  return 1;
}

int FakePlatform::ShowWindow(Hwnd hwnd, int show) {
  Record("ShowWindow", {N(hwnd), show});
  if (!IsLive(hwnd)) throw std::logic_error("ShowWindow of a destroyed window");
  return 1;
}

int FakePlatform::DestroyWindow(Hwnd hwnd) {
  Record("DestroyWindow", {N(hwnd)});
  if (!IsLive(hwnd)) throw std::logic_error("DestroyWindow of a window that does not exist");
  destroyed_windows.insert(live_windows.begin(), live_windows.end());
  live_windows.clear();  // the form and its option buttons
  timers.clear();
  focus = Hwnd{};
  return 1;
}

// Logged as InvalidateRect(hwnd) for the whole window or InvalidateRect(hwnd,
// left,top,right,bottom); the program never asks for the background to be erased.
int FakePlatform::InvalidateRect(Hwnd hwnd, const Rect* rect, int erase) {
  if (!IsLive(hwnd)) throw std::logic_error("InvalidateRect of a destroyed window");
  if (erase != 0) throw std::logic_error("InvalidateRect with the background erased");
  if (rect == nullptr) {
    Record("InvalidateRect", {N(hwnd)});
  } else {
    Record("InvalidateRect", {N(hwnd), rect->left, rect->top, rect->right, rect->bottom});
  }
  return 1;
}

int FakePlatform::UpdateWindow(Hwnd hwnd) {
  Record("UpdateWindow", {N(hwnd)});
  if (!IsLive(hwnd)) throw std::logic_error("UpdateWindow of a destroyed window");
  return 1;
}

Hwnd FakePlatform::SetFocus(Hwnd hwnd) {
  Record("SetFocus", {N(hwnd)});
  CheckNotDestroyed(hwnd, "SetFocus");
  const Hwnd previous = focus;
  focus = hwnd;
  return previous;
}

Hwnd FakePlatform::GetFocus() { return focus; }

std::uintptr_t FakePlatform::SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapse) {
  Record("SetTimer", {N(hwnd), static_cast<std::int64_t>(id), elapse});
  if (!IsLive(hwnd)) throw std::logic_error("SetTimer on a destroyed window");
  timers[id] = elapse;
  return id;
}

int FakePlatform::KillTimer(Hwnd hwnd, std::uintptr_t id) {
  Record("KillTimer", {N(hwnd), static_cast<std::int64_t>(id)});
  CheckNotDestroyed(hwnd, "KillTimer");
  timers.erase(id);
  return 1;
}

Hdc FakePlatform::GetDC(Hwnd hwnd) {
  Record("GetDC", {N(hwnd)});
  CheckNotDestroyed(hwnd, "GetDC");
  return static_cast<Hdc>(0xDC);
}

int FakePlatform::ReleaseDC(Hwnd hwnd, Hdc dc) {
  Record("ReleaseDC", {N(hwnd), N(dc)});
  CheckNotDestroyed(hwnd, "ReleaseDC");
  return 1;
}

int FakePlatform::ReleaseCapture() {
  Record("ReleaseCapture");
  return 1;
}

std::intptr_t FakePlatform::SendMessageA(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                         std::intptr_t lparam) {
  Record("SendMessageA", {N(hwnd), message, static_cast<std::int64_t>(wparam), lparam});
  CheckNotDestroyed(hwnd, "SendMessageA");
  return 0;
}

std::intptr_t FakePlatform::SendToOwnWindow(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                            std::intptr_t lparam) {
  Record("SendToOwnWindow", {N(hwnd), message, static_cast<std::int64_t>(wparam), lparam});
  CheckNotDestroyed(hwnd, "SendToOwnWindow");
  if (message == win::BM_SETCHECK) checked[hwnd] = wparam == win::BST_CHECKED;
  return 0;
}

int FakePlatform::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) {
  Record("ExitWindowsEx", {flags, reserved});
  return exit_windows_result;
}

int FakePlatform::MessageBoxW(Hwnd owner, const wchar_t* text, const wchar_t* caption,
                              std::uint32_t type) {
  FakeCall call("MessageBoxW", {N(owner), type});
  call.text = text;
  call.title = caption;
  Record(std::move(call));
  CheckNotDestroyed(owner, "MessageBoxW");
  return 1;
}

int FakePlatform::GetSystemMetrics(int index) {
  Record("GetSystemMetrics", {index});
  switch (index) {
    case win::SM_CXSCREEN: return screen_width;
    case win::SM_CYSCREEN: return screen_height;
    default: throw std::logic_error("GetSystemMetrics of a metric the fake does not know");
  }
}

std::uint32_t FakePlatform::GetSysColor(int index) {
  Record("GetSysColor", {index});
  if (index != win::COLOR_BTNTEXT) throw std::logic_error("GetSysColor of an unexpected colour");
  return button_text_color;
}

int FakePlatform::DestroyCursor(Hcursor cursor) {
  Record("DestroyCursor", {N(cursor)});
  if (live_cursors.erase(cursor) == 0) {
    throw std::logic_error("DestroyCursor of a cursor that is not loaded");
  }
  return 1;
}

void FakePlatform::InitCommonControls() { Record("InitCommonControls"); }

void FakePlatform::NotifyWinEvent(std::uint32_t event, Hwnd hwnd, std::int32_t object,
                                  std::int32_t child) {
  Record("NotifyWinEvent", {event, N(hwnd), object, child});
  CheckNotDestroyed(hwnd, "NotifyWinEvent");
}

// ---- imm32
Himc FakePlatform::ImmAssociateContext(Hwnd hwnd, Himc context) {
  Record("ImmAssociateContext", {N(hwnd), N(context)});
  CheckNotDestroyed(hwnd, "ImmAssociateContext");
  return imm32 ? static_cast<Himc>(0x1AC) : Himc{};  // the thread's default context
}

// ---- gdi32
Hrgn FakePlatform::CreateRectRgn(int left, int top, int right, int bottom) {
  const std::size_t record = Record("CreateRectRgn", {left, top, right, bottom});
  const std::uintptr_t region = next_handle_++;
  calls[record].result = static_cast<std::int64_t>(region);
  live_gdi_objects.insert(region);
  regions_[region] = [left, top, right, bottom](int x, int y) {
    return x >= left && x < right && y >= top && y < bottom;
  };
  return static_cast<Hrgn>(region);
}

int FakePlatform::CombineRgn(Hrgn destination, Hrgn source1, Hrgn source2, int mode) {
  Record("CombineRgn", {N(destination), N(source1), N(source2), mode});
  if (live_gdi_objects.count(Bits(destination)) == 0 || regions_.count(Bits(source1)) == 0 ||
      (mode != 5 && regions_.count(Bits(source2)) == 0)) {
    throw std::logic_error("CombineRgn with a region that was deleted or given away");
  }
  auto a = regions_[Bits(source1)];
  auto b = mode == 5 ? a : regions_[Bits(source2)];
  regions_[Bits(destination)] = [a, b, mode](int x, int y) {
    switch (mode) {
      case 1: return a(x, y) && b(x, y);
      case 2: return a(x, y) || b(x, y);
      case 3: return a(x, y) != b(x, y);
      case 4: return a(x, y) && !b(x, y);
      default: return a(x, y);
    }
  };
  return 3;  // COMPLEXREGION
}

int FakePlatform::DeleteGdiObject(std::uintptr_t object) {
  Record("DeleteObject", {static_cast<std::int64_t>(object)});
  if (live_gdi_objects.erase(object) != 0) regions_.erase(object);
  return 1;
}

int FakePlatform::DeleteObject(Hrgn region) { return DeleteGdiObject(Bits(region)); }
int FakePlatform::DeleteObject(Hbrush brush) { return DeleteGdiObject(Bits(brush)); }
int FakePlatform::DeleteObject(Hbitmap bitmap) {
  Record("DeleteObject", {N(bitmap)});
  if (live_bitmaps.erase(bitmap) == 0)
    throw std::logic_error("DeleteObject of a picture not loaded");
  made_pictures.erase(bitmap);
  return 1;
}

Hbrush FakePlatform::CreateSolidBrush(std::uint32_t color) {
  const std::size_t record = Record("CreateSolidBrush", {color});
  const std::uintptr_t brush = next_handle_++;
  calls[record].result = static_cast<std::int64_t>(brush);
  live_gdi_objects.insert(brush);
  return static_cast<Hbrush>(brush);
}

Hbrush FakePlatform::SelectObject(Hdc dc, Hbrush brush) {
  Record("SelectObject", {N(dc), N(brush)});
  return static_cast<Hbrush>(0xB0);  // the brush the screen DC had
}

int FakePlatform::Rectangle(Hdc dc, int left, int top, int right, int bottom) {
  Record("Rectangle", {N(dc), left, top, right, bottom});
  return 1;
}

// ---- the host: windows
Hwnd FakePlatform::CreateFormWindow(const std::wstring& caption, const Rect& outer,
                                    FormWindowEvents& events) {
  FakeCall call("CreateFormWindow", {outer.left, outer.top, outer.right, outer.bottom});
  call.text = caption;
  const std::size_t record = Record(std::move(call));
  if (form_window_fails) return Hwnd{};
  const auto hwnd = static_cast<Hwnd>(next_handle_++);
  calls[record].result = N(hwnd);
  live_windows.push_back(hwnd);
  window_rects[hwnd] = outer;
  window_events[hwnd] = &events;
  styles_[hwnd] = static_cast<std::int32_t>(initial_style);
  return hwnd;
}

Hwnd FakePlatform::CreateOptionButton(Hwnd parent, const std::wstring& caption, const Rect& rect,
                                      bool group_start, std::uint32_t back_color,
                                      std::uint32_t fore_color, const FontSpec& font) {
  FakeCall call("CreateOptionButton",
                {N(parent), rect.left, rect.top, rect.right, rect.bottom, group_start ? 1 : 0,
                 back_color, fore_color, font.weight, std::lround(font.points * 100)});
  call.text = caption;
  call.title = font.face;
  const std::size_t record = Record(std::move(call));
  CheckNotDestroyed(parent, "CreateOptionButton");
  const auto hwnd = static_cast<Hwnd>(next_handle_++);
  calls[record].result = N(hwnd);
  live_windows.push_back(hwnd);
  return hwnd;
}

void FakePlatform::PlaceOptionButton(Hwnd button, const Rect& rect, const FontSpec& font) {
  Record("PlaceOptionButton", {N(button), rect.left, rect.top, rect.right, rect.bottom, font.dpi});
  CheckNotDestroyed(button, "PlaceOptionButton");
}

void FakePlatform::RefreshCursor(Hwnd hwnd) {
  Record("RefreshCursor", {N(hwnd)});
  CheckNotDestroyed(hwnd, "RefreshCursor");
}

// ---- the host: the queue, text, resources, clock
bool FakePlatform::DispatchPendingMessages() {
  Record("DispatchPendingMessages");
  ++pump_depth;
  while (!quit_posted && RunNext()) {
  }
  --pump_depth;
  return !std::exchange(quit_posted, false);
}

bool FakePlatform::RunNext() {
  if (queue.empty()) return false;
  auto event = std::move(queue.front());
  queue.pop_front();
  event();
  return true;
}

TextSize FakePlatform::MeasureText(const FontSpec& font, const std::wstring& text) {
  // A fixed-pitch stand-in: full-width characters one em wide, others half.
  const double em = font.points * font.dpi / 72.0;
  double width = 0;
  for (wchar_t c : text) width += (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? em / 2 : em;
  return {static_cast<int>(std::lround(width)), static_cast<int>(std::lround(em * 1.25))};
}

bool FakePlatform::ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) {
  FakeCall call("ReadResource", {id});
  call.str = type;
  Record(std::move(call));
  if (std::string(type) != "WAVE") return false;
  const auto it = waves.find(id);
  if (it == waves.end()) return false;
  bytes = it->second;
  return true;
}

Hcursor FakePlatform::LoadCursorResource(int id) {
  const std::size_t record = Record("LoadCursorResource", {id});
  if (std::find(missing_cursors.begin(), missing_cursors.end(), id) != missing_cursors.end()) {
    return Hcursor{};
  }
  const auto cursor = static_cast<Hcursor>(0xC000 + static_cast<std::uintptr_t>(id) * 0x100 +
                                           (next_handle_++ & 0xFF));
  calls[record].result = N(cursor);
  live_cursors.insert(cursor);
  return cursor;
}

Hbitmap FakePlatform::LoadPicture(int id) {
  const std::size_t record = Record("LoadPicture", {id});
  if (std::find(missing_pictures.begin(), missing_pictures.end(), id) != missing_pictures.end()) {
    return Hbitmap{};
  }
  const std::uintptr_t bitmap = next_handle_++;
  calls[record].result = static_cast<std::int64_t>(bitmap);
  live_bitmaps.insert(static_cast<Hbitmap>(bitmap));
  picture_ids[static_cast<Hbitmap>(bitmap)] = id;
  return static_cast<Hbitmap>(bitmap);
}

PixelImage FakePlatform::SyntheticPicture(int id) {
  const bool full_window = id == IDB_SCENE || id == IDB_BIG_BOMB || id == IDB_EXPLOSION;
  PixelImage picture{full_window ? 425 : 65, full_window ? 397 : 95, {}};
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const auto r = static_cast<std::uint32_t>((x * 3 + id) & 0xFF);
      const auto g = static_cast<std::uint32_t>((y * 5 + id * 7) & 0xFF);
      const auto b = static_cast<std::uint32_t>(((x ^ y) + id * 13) & 0xFF);
      picture.pixels.push_back((r << 16) | (g << 8) | b);
    }
  }
  return picture;
}

bool FakePlatform::ReadPicture(Hbitmap picture, PixelImage& pixels) {
  Record("ReadPicture", {N(picture)});
  const auto loaded = picture_ids.find(picture);
  if (loaded == picture_ids.end() || live_bitmaps.count(picture) == 0) {
    throw std::logic_error("ReadPicture of a picture not loaded");
  }
  pixels = SyntheticPicture(loaded->second);
  return true;
}

Hbitmap FakePlatform::CreatePicture(const PixelImage& pixels) {
  const std::size_t record = Record("CreatePicture", {pixels.width, pixels.height});
  const auto bitmap = static_cast<Hbitmap>(next_handle_++);
  calls[record].result = static_cast<std::int64_t>(Bits(bitmap));
  live_bitmaps.insert(bitmap);
  made_pictures[bitmap] = pixels;
  return bitmap;
}

double FakePlatform::NowMilliseconds() { return counter(clock_ms); }

bool FakePlatform::StartAccessibility() {
  Record("StartAccessibility");
  return accessibility;
}

}  // namespace tickbomb::testing
