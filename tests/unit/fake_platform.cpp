#include "tests/unit/fake_platform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace tickbomb::testing {

std::vector<std::uint8_t> SyntheticWave(int id) {
  std::vector<std::uint8_t> bytes(64 + static_cast<std::size_t>(id), 0x80);
  std::memcpy(bytes.data(), "RIFF", 4);
  bytes[4] = static_cast<std::uint8_t>(id);
  std::memcpy(bytes.data() + 8, "WAVE", 4);
  return bytes;
}

FakePlatform::FakePlatform() {
  std::memset(&version, 0, sizeof version);
  version.dwPlatformId = win::VER_PLATFORM_WIN32_NT;
  version.dwMajorVersion = 10;
  for (int id = 101; id <= 106; ++id) waves[id] = SyntheticWave(id);
}

FakeCall& FakePlatform::Record(std::string name, std::vector<std::int64_t> args) {
  calls.push_back({std::move(name), std::move(args), {}, {}, {}, 0});
  if (on_call) on_call(calls.back());
  return calls.back();
}

void FakePlatform::CheckNotDestroyed(Handle hwnd, const char* call) const {
  if (hwnd != 0 && destroyed_windows.count(hwnd) != 0) {
    throw std::logic_error(std::string(call) + " on a destroyed window");
  }
}

bool FakePlatform::RegionContains(Handle region, int x, int y) const {
  const auto it = regions_.find(region);
  if (it == regions_.end()) throw std::logic_error("RegionContains of an unknown region");
  return it->second(x, y);
}

std::vector<std::string> FakePlatform::Log(const std::vector<std::string>& names) const {
  std::vector<std::string> lines;
  for (const FakeCall& call : calls) {
    if (!names.empty() && std::find(names.begin(), names.end(), call.name) == names.end()) {
      continue;
    }
    std::ostringstream line;
    line << call.name << '(';
    for (std::size_t i = 0; i < call.args.size(); ++i) line << (i ? "," : "") << call.args[i];
    if (!call.str.empty()) line << (call.args.empty() ? "" : ",") << '"' << call.str << '"';
    line << ')';
    lines.push_back(line.str());
  }
  return lines;
}

std::vector<const FakeCall*> FakePlatform::CallsNamed(const std::string& name) const {
  std::vector<const FakeCall*> found;
  for (const FakeCall& call : calls) {
    if (call.name == name) found.push_back(&call);
  }
  return found;
}

int FakePlatform::WaveIdAt(const void* sound) const {
  const auto* bytes = static_cast<const std::uint8_t*>(sound);
  if (bytes == nullptr || std::memcmp(bytes, "RIFF", 4) != 0) return 0;
  return bytes[4];
}

bool FakePlatform::IsLive(Handle hwnd) const {
  return std::find(live_windows.begin(), live_windows.end(), hwnd) != live_windows.end();
}

// ---- winmm: logged as PlaySoundA(wave id, module, flags); the pointer itself
// is kept in args[3] so that tests can tell buffers apart.
int FakePlatform::PlaySoundA(const void* sound, Handle module, std::uint32_t flags) {
  auto& call = Record("PlaySoundA", {WaveIdAt(sound), static_cast<std::int64_t>(module),
                                      static_cast<std::int64_t>(flags)});
  call.str.clear();
  call.args.push_back(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(sound)));
  if ((flags & win::SND_ASYNC) == 0 && during_sync_sound) during_sync_sound();
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

Handle FakePlatform::GetCurrentProcess() {
  Record("GetCurrentProcess");
  return static_cast<Handle>(-1);
}

int FakePlatform::CloseHandle(Handle handle) {
  Record("CloseHandle", {static_cast<std::int64_t>(handle)});
  return 1;
}

double FakePlatform::MonotonicMilliseconds() { return clock_ms; }

bool FakePlatform::ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) {
  Record("ReadResource", {id}).str = type;
  if (std::string(type) != "WAVE") return false;
  const auto it = waves.find(id);
  if (it == waves.end()) return false;
  bytes = it->second;
  return true;
}

void FakePlatform::ExitProcess(unsigned exit_code) {
  Record("ExitProcess", {exit_code});
  throw ProcessExit{exit_code};
}

// ---- advapi32
int FakePlatform::OpenProcessToken(Handle process, std::uint32_t access, Handle* token) {
  Record("OpenProcessToken", {static_cast<std::int64_t>(process), access});
  *token = 0x7A0;
  return 1;
}

int FakePlatform::LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) {
  Record("LookupPrivilegeValueA", {system_name == nullptr ? 0 : 1}).str = name;
  luid->LowPart = 19;  // the shutdown privilege's LUID on NT
  luid->HighPart = 0;
  return 1;
}

int FakePlatform::AdjustTokenPrivileges(Handle token, int disable_all, TokenPrivileges1* new_state,
                                        std::uint32_t buffer_length, void* previous_state,
                                        std::uint32_t* return_length) {
  Record("AdjustTokenPrivileges",
         {static_cast<std::int64_t>(token), disable_all, new_state->PrivilegeCount,
          new_state->PrivilegeLuid.LowPart, new_state->PrivilegeLuid.HighPart,
          new_state->Attributes, buffer_length, previous_state == nullptr ? 0 : 1,
          return_length == nullptr ? 0 : 1});
  return 1;
}

// ---- user32
std::int32_t FakePlatform::GetWindowLongA(Handle hwnd, int index) {
  Record("GetWindowLongA", {static_cast<std::int64_t>(hwnd), index});
  CheckNotDestroyed(hwnd, "GetWindowLongA");
  return styles_.count(hwnd) ? styles_[hwnd] : 0;
}

std::int32_t FakePlatform::SetWindowLongA(Handle hwnd, int index, std::int32_t value) {
  Record("SetWindowLongA", {static_cast<std::int64_t>(hwnd), index, value});
  CheckNotDestroyed(hwnd, "SetWindowLongA");
  const std::int32_t old = styles_[hwnd];
  styles_[hwnd] = value;
  return old;
}

int FakePlatform::SetWindowPos(Handle hwnd, Handle insert_after, int x, int y, int cx, int cy,
                               std::uint32_t flags) {
  Record("SetWindowPos", {static_cast<std::int64_t>(hwnd), static_cast<std::int64_t>(insert_after),
                          x, y, cx, cy, flags});
  CheckNotDestroyed(hwnd, "SetWindowPos");
  return 1;
}

int FakePlatform::SetWindowRgn(Handle hwnd, Handle region, int redraw) {
  Record("SetWindowRgn",
         {static_cast<std::int64_t>(hwnd), static_cast<std::int64_t>(region), redraw});
  CheckNotDestroyed(hwnd, "SetWindowRgn");
  if (region != 0 && regions_.count(region) == 0) {
    throw std::logic_error("SetWindowRgn of a deleted region");
  }
  live_gdi_objects.erase(region);  // the system owns it now
  window_regions[hwnd] = region;
  return 1;
}

int FakePlatform::GetWindowRect(Handle hwnd, Rect* rect) {
  Record("GetWindowRect", {static_cast<std::int64_t>(hwnd)});
  CheckNotDestroyed(hwnd, "GetWindowRect");
  *rect = window_rect_answer ? *window_rect_answer : window_rects[hwnd];
  return 1;
}

Handle FakePlatform::GetDC(Handle hwnd) {
  Record("GetDC", {static_cast<std::int64_t>(hwnd)});
  CheckNotDestroyed(hwnd, "GetDC");
  return 0xDC;
}

int FakePlatform::ReleaseDC(Handle hwnd, Handle dc) {
  Record("ReleaseDC", {static_cast<std::int64_t>(hwnd), static_cast<std::int64_t>(dc)});
  CheckNotDestroyed(hwnd, "ReleaseDC");
  return 1;
}

int FakePlatform::ReleaseCapture() {
  Record("ReleaseCapture");
  return 1;
}

std::intptr_t FakePlatform::SendMessageA(Handle hwnd, std::uint32_t message,
                                         std::uintptr_t wparam, std::intptr_t lparam) {
  Record("SendMessageA", {static_cast<std::int64_t>(hwnd), message,
                          static_cast<std::int64_t>(wparam), lparam});
  CheckNotDestroyed(hwnd, "SendMessageA");
  return 0;
}

int FakePlatform::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) {
  Record("ExitWindowsEx", {flags, reserved});
  return 1;
}

int FakePlatform::MessageBoxW(Handle owner, const std::wstring& text, const std::wstring& title,
                              std::uint32_t style) {
  auto& call = Record("MessageBoxW", {static_cast<std::int64_t>(owner), style});
  call.text = text;
  call.title = title;
  CheckNotDestroyed(owner, "MessageBoxW");
  return 1;
}

int FakePlatform::ScreenWidthPixels() { return screen_width; }
int FakePlatform::ScreenHeightPixels() { return screen_height; }

Handle FakePlatform::LoadCursorResource(int id) {
  Record("LoadCursorResource", {id});
  if (std::find(missing_cursors.begin(), missing_cursors.end(), id) != missing_cursors.end()) {
    return 0;
  }
  const Handle cursor = 0xC000 + static_cast<Handle>(id) * 0x100 + (next_handle_++ & 0xFF);
  calls.back().result = static_cast<std::int64_t>(cursor);
  live_cursors.insert(cursor);
  return cursor;
}

int FakePlatform::DestroyCursor(Handle cursor) {
  Record("DestroyCursor", {static_cast<std::int64_t>(cursor)});
  if (live_cursors.erase(cursor) == 0) {
    throw std::logic_error("DestroyCursor of a cursor that is not loaded");
  }
  return 1;
}

bool FakePlatform::HasBitmapResource(int id) { return id >= 201 && id <= 206; }

// ---- gdi32
Handle FakePlatform::CreateRectRgn(int left, int top, int right, int bottom) {
  auto& call = Record("CreateRectRgn", {left, top, right, bottom});
  const Handle region = next_handle_++;
  call.result = static_cast<std::int64_t>(region);
  live_gdi_objects.insert(region);
  regions_[region] = [left, top, right, bottom](int x, int y) {
    return x >= left && x < right && y >= top && y < bottom;
  };
  return region;
}

int FakePlatform::CombineRgn(Handle destination, Handle source1, Handle source2, int mode) {
  Record("CombineRgn", {static_cast<std::int64_t>(destination), static_cast<std::int64_t>(source1),
                        static_cast<std::int64_t>(source2), mode});
  if (live_gdi_objects.count(destination) == 0 || regions_.count(source1) == 0 ||
      (mode != 5 && regions_.count(source2) == 0)) {
    throw std::logic_error("CombineRgn with a region that was deleted or given away");
  }
  auto a = regions_[source1];
  auto b = mode == 5 ? a : regions_[source2];
  regions_[destination] = [a, b, mode](int x, int y) {
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

int FakePlatform::DeleteObject(Handle object) {
  Record("DeleteObject", {static_cast<std::int64_t>(object)});
  if (live_gdi_objects.erase(object) != 0) regions_.erase(object);
  return 1;
}

Handle FakePlatform::CreateSolidBrush(std::uint32_t color) {
  auto& call = Record("CreateSolidBrush", {color});
  const Handle brush = next_handle_++;
  call.result = static_cast<std::int64_t>(brush);
  live_gdi_objects.insert(brush);
  return brush;
}

Handle FakePlatform::SelectObject(Handle dc, Handle object) {
  Record("SelectObject", {static_cast<std::int64_t>(dc), static_cast<std::int64_t>(object)});
  return 0xB0;  // the brush the screen DC had
}

int FakePlatform::Rectangle(Handle dc, int left, int top, int right, int bottom) {
  Record("Rectangle", {static_cast<std::int64_t>(dc), left, top, right, bottom});
  return 1;
}

TextSize FakePlatform::MeasureText(const FontSpec& font, const std::wstring& text) {
  // A fixed-pitch stand-in: full-width characters one em wide, others half.
  const double em = font.points * 96.0 / 72.0;
  double width = 0;
  for (wchar_t c : text) width += (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? em / 2 : em;
  return {static_cast<int>(std::lround(width)), static_cast<int>(std::lround(em * 1.25))};
}

// ---- the form's windows
Handle FakePlatform::CreateFormWindow(const std::wstring& caption, const Rect& client,
                                      std::uint32_t back_color) {
  auto& call = Record("CreateFormWindow", {client.left, client.top, client.right, client.bottom,
                                           back_color});
  call.text = caption;
  const Handle hwnd = next_handle_++;
  call.result = static_cast<std::int64_t>(hwnd);
  live_windows.push_back(hwnd);
  window_rects[hwnd] = client;
  styles_[hwnd] = static_cast<std::int32_t>(initial_style);
  return hwnd;
}

Handle FakePlatform::CreateOptionButton(Handle parent, const std::wstring& caption,
                                        const Rect& rect, bool group_start) {
  auto& call = Record("CreateOptionButton", {static_cast<std::int64_t>(parent), rect.left, rect.top,
                                             rect.right, rect.bottom, group_start ? 1 : 0});
  call.text = caption;
  CheckNotDestroyed(parent, "CreateOptionButton");
  const Handle hwnd = next_handle_++;
  call.result = static_cast<std::int64_t>(hwnd);
  live_windows.push_back(hwnd);
  return hwnd;
}

int FakePlatform::DestroyWindow(Handle hwnd) {
  Record("DestroyWindow", {static_cast<std::int64_t>(hwnd)});
  if (!IsLive(hwnd)) throw std::logic_error("DestroyWindow of a window that does not exist");
  destroyed_windows.insert(live_windows.begin(), live_windows.end());
  live_windows.clear();  // the form and its option buttons
  timers.clear();
  focus = 0;
  return 1;
}

int FakePlatform::ShowWindow(Handle hwnd, bool visible) {
  Record("ShowWindow", {static_cast<std::int64_t>(hwnd), visible ? 1 : 0});
  if (!IsLive(hwnd)) throw std::logic_error("ShowWindow of a destroyed window");
  return 1;
}

int FakePlatform::MoveWindow(Handle hwnd, int x, int y) {
  Record("MoveWindow", {static_cast<std::int64_t>(hwnd), x, y});
  CheckNotDestroyed(hwnd, "MoveWindow");
  Rect& r = window_rects[hwnd];
  const int w = r.right - r.left, h = r.bottom - r.top;
  r = {x, y, x + w, y + h};
  return 1;
}

int FakePlatform::InvalidateRect(Handle hwnd, const Rect* rect) {
  if (!IsLive(hwnd)) throw std::logic_error("InvalidateRect of a destroyed window");
  if (rect == nullptr) {
    Record("InvalidateRect", {static_cast<std::int64_t>(hwnd)});
  } else {
    Record("InvalidateRect",
           {static_cast<std::int64_t>(hwnd), rect->left, rect->top, rect->right, rect->bottom});
  }
  return 1;
}

int FakePlatform::UpdateWindow(Handle hwnd) {
  Record("UpdateWindow", {static_cast<std::int64_t>(hwnd)});
  if (!IsLive(hwnd)) throw std::logic_error("UpdateWindow of a destroyed window");
  return 1;
}

Handle FakePlatform::SetFocus(Handle hwnd) {
  Record("SetFocus", {static_cast<std::int64_t>(hwnd)});
  CheckNotDestroyed(hwnd, "SetFocus");
  const Handle previous = focus;
  focus = hwnd;
  return previous;
}

Handle FakePlatform::GetFocus() { return focus; }

int FakePlatform::SetOptionChecked(Handle button, bool is_checked) {
  Record("SetOptionChecked", {static_cast<std::int64_t>(button), is_checked ? 1 : 0});
  CheckNotDestroyed(button, "SetOptionChecked");
  checked[button] = is_checked;
  return 1;
}

int FakePlatform::SetTimer(Handle hwnd, std::uintptr_t id, std::uint32_t milliseconds) {
  Record("SetTimer", {static_cast<std::int64_t>(hwnd), static_cast<std::int64_t>(id), milliseconds});
  if (!IsLive(hwnd)) throw std::logic_error("SetTimer on a destroyed window");
  timers[id] = milliseconds;
  return 1;
}

int FakePlatform::KillTimer(Handle hwnd, std::uintptr_t id) {
  Record("KillTimer", {static_cast<std::int64_t>(hwnd), static_cast<std::int64_t>(id)});
  CheckNotDestroyed(hwnd, "KillTimer");
  timers.erase(id);
  return 1;
}

void FakePlatform::PumpMessages() {
  Record("PumpMessages");
  while (!queue.empty()) {
    auto event = std::move(queue.front());
    queue.pop_front();
    event();
  }
}

void FakePlatform::RefreshCursor(Handle hwnd, const Rect& area, Handle cursor) {
  Record("RefreshCursor", {static_cast<std::int64_t>(hwnd), area.left, area.top, area.right,
                           area.bottom, static_cast<std::int64_t>(cursor)});
  CheckNotDestroyed(hwnd, "RefreshCursor");
}

}  // namespace tickbomb::testing
