// A running Form1 that can be watched from outside: a fake seam that lets a
// test look at the form at the moment of chosen calls (and can refuse the
// shutdown or the privilege calls), a Form1 whose event handlers note what
// reached them, and helpers that drive the window as a user does, through
// the entry points the window procedure calls.
#ifndef TICKBOMB_TESTS_UNIT_RUNNING_FORM_H
#define TICKBOMB_TESTS_UNIT_RUNNING_FORM_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "assets/resource_ids.h"
#include "tests/unit/fake_platform.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {

inline constexpr int kVkShift = 0x10, kVkControl = 0x11;

class WatchedPlatform : public FakePlatform {
 public:
  // Runs right after each of the calls below has been recorded (calls.back()).
  std::function<void(const FakeCall&)> watch;
  // Runs as each pump begins, with the number of pumps so far (1 for the first).
  std::function<void(int)> before_pump;
  int pumps = 0;
  int pump_depth = 0;           // pumps under way (a pump left by an exception is not counted down)
  int exit_windows_result = 1;  // 0: the system refuses to shut down
  bool privilege_calls_fail =
      false;  // OpenProcessToken, LookupPrivilegeValueA, AdjustTokenPrivileges

  int PlaySoundA(const void* sound, Hmodule module, std::uint32_t flags) override {
    const int result = FakePlatform::PlaySoundA(sound, module, flags);
    Watch();
    return result;
  }
  void Sleep(std::uint32_t milliseconds) override {
    FakePlatform::Sleep(milliseconds);
    Watch();
  }
  void DispatchPendingMessages() override {
    ++pumps;
    if (before_pump) before_pump(pumps);
    ++pump_depth;
    FakePlatform::DispatchPendingMessages();
    --pump_depth;
  }
  int GetVersionExA(OsVersionInfoA* info) override {
    const int result = FakePlatform::GetVersionExA(info);
    Watch();
    return result;
  }
  int InvalidateRect(Hwnd hwnd, const Rect* rect, int erase) override {
    const int result = FakePlatform::InvalidateRect(hwnd, rect, erase);
    Watch();
    return result;
  }
  int MessageBoxW(Hwnd owner, const wchar_t* text, const wchar_t* title,
                  std::uint32_t style) override {
    const int result = FakePlatform::MessageBoxW(owner, text, title, style);
    Watch();
    return result;
  }
  int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override {
    FakePlatform::ExitWindowsEx(flags, reserved);
    Watch();
    return exit_windows_result;
  }
  int OpenProcessToken(Hprocess process, std::uint32_t access, Htoken* token) override {
    const Htoken before = *token;
    const int result = FakePlatform::OpenProcessToken(process, access, token);
    if (!privilege_calls_fail) return result;
    *token = before;
    return 0;
  }
  int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) override {
    const Luid before = *luid;
    const int result = FakePlatform::LookupPrivilegeValueA(system_name, name, luid);
    if (!privilege_calls_fail) return result;
    *luid = before;
    return 0;
  }
  int AdjustTokenPrivileges(Htoken token, int disable_all, TokenPrivileges1* new_state,
                            std::uint32_t buffer_length, void* previous_state,
                            std::uint32_t* return_length) override {
    const int result = FakePlatform::AdjustTokenPrivileges(
        token, disable_all, new_state, buffer_length, previous_state, return_length);
    return privilege_calls_fail ? 0 : result;
  }

  // The calls from index `from` on whose names are in `names`, with the
  // sound buffer's address left out of PlaySoundA: "PlaySoundA(106,0,7)".
  std::vector<std::string> LogFrom(std::size_t from, const std::vector<std::string>& names) const {
    std::vector<std::string> lines = Log(names);
    const std::size_t skipped = CountNamed(0, from, names);
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(skipped));
    for (std::string& line : lines) {
      if (line.rfind("PlaySoundA(", 0) == 0) line = line.substr(0, line.rfind(',')) + ")";
    }
    return lines;
  }
  // (wave id, flags) of every PlaySoundA from index `from` on.
  std::vector<std::pair<int, int>> SoundsFrom(std::size_t from) const {
    std::vector<std::pair<int, int>> sounds;
    for (std::size_t i = from; i < calls.size(); ++i) {
      if (calls[i].name == "PlaySoundA") {
        sounds.emplace_back(static_cast<int>(calls[i].args[0]), static_cast<int>(calls[i].args[2]));
      }
    }
    return sounds;
  }
  std::size_t CountFrom(std::size_t from, const std::string& name) const {
    return CountNamed(from, calls.size(), {name});
  }

 private:
  void Watch() {
    if (watch) watch(calls.back());
  }
  std::size_t CountNamed(std::size_t from, std::size_t to,
                         const std::vector<std::string>& names) const {
    std::size_t n = 0;
    for (std::size_t i = from; i < to && i < calls.size(); ++i) {
      for (const std::string& name : names) n += calls[i].name == name ? 1 : 0;
    }
    return n;
  }
};

// Form1 with its event handlers observed on the way in.
class WatchedForm1 : public Form1 {
 public:
  using Form1::Form1;

  struct Move {
    int label;  // the label the event came from, -1 for the bare form
    int button, shift;
    float x, y;
  };
  std::vector<Move> form_moves;  // every call of the form's MouseMove handler
  int label_routed = -1;         // the label the last label MouseMove came from
  int escapes_begun = 0;         // KeyDown with Escape
  int defuses_begun = 0;         // Click on the bomb
  int loads = 0;
  int ticks = 0;                   // Timer events that reached the handler
  int ticks_at_load = 0;           // `ticks` when the latest load began
  double armed_at = 0;             // the clock when the latest load began (Timer1 armed)
  std::vector<double> tick_times;  // the clock at each tick of the latest load
  // Sees every key event before the handler runs: (down, key, modifier state).
  std::function<void(bool, int, int)> on_key;
  // Runs as each tick begins, its time already in `tick_times`.
  std::function<void()> on_tick;

  void Form_Load() override {
    ++loads;
    ticks_at_load = ticks;
    armed_at = host().NowMilliseconds();
    tick_times.clear();
    Form1::Form_Load();
  }
  void Timer_Timer() override {
    ++ticks;
    tick_times.push_back(host().NowMilliseconds());
    if (on_tick) on_tick();
    Form1::Timer_Timer();
  }
  void Form_KeyDown(std::int16_t key, std::int16_t shift) override {
    if (on_key) on_key(true, key, shift);
    if (key == kVkEscape) ++escapes_begun;
    Form1::Form_KeyDown(key, shift);
  }
  void Form_KeyUp(std::int16_t key, std::int16_t shift) override {
    if (on_key) on_key(false, key, shift);
    Form1::Form_KeyUp(key, shift);
  }
  void Image_Click(int image) override {
    if (image == Image1) ++defuses_begun;
    Form1::Image_Click(image);
  }
  void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override {
    form_moves.push_back({in_label_, button, shift, x, y});
    Form1::Form_MouseMove(button, shift, x, y);
  }
  void Label_MouseMove(int array, std::int16_t index, std::int16_t button, std::int16_t shift,
                       float x, float y) override {
    const int label = (array - 1) * 2 + index;  // Label1_0 ... Label5_1
    label_routed = label;
    const int outer = std::exchange(in_label_, label);
    Form1::Label_MouseMove(array, index, button, shift, x, y);
    in_label_ = outer;
  }

 private:
  int in_label_ = -1;
};

// What a user sees of the countdown at one moment.
struct Scene {
  std::wstring digits_back, digits_front;  // Label2(0), Label2(1)
  std::uint32_t digits_back_color = 0, digits_front_color = 0;
  int bomb_picture = 0;
  bool bomb_visible = false;
  int form_picture = 0;
  friend bool operator==(const Scene&, const Scene&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Scene& s) {
  const auto narrow = [](const std::wstring& w) {
    std::string n;
    for (wchar_t c : w) n += c < 0x80 ? static_cast<char>(c) : '?';
    return n;
  };
  return out << "{\"" << narrow(s.digits_back) << "\"/\"" << narrow(s.digits_front) << "\" colours "
             << s.digits_back_color << "/" << s.digits_front_color << " bomb " << s.bomb_picture
             << (s.bomb_visible ? " shown" : " hidden") << " form " << s.form_picture << "}";
}

class RunningFormTest : public FormFixture<WatchedPlatform, WatchedForm1> {
 protected:
  Scene Now() const {
    Scene s;
    s.digits_back = form.label(Label2_0).caption;
    s.digits_front = form.label(Label2_1).caption;
    s.digits_back_color = form.label(Label2_0).fore_color;
    s.digits_front_color = form.label(Label2_1).fore_color;
    s.bomb_picture = form.image(Image1).picture.id;
    s.bomb_visible = form.image(Image1).visible;
    s.form_picture = form.GetPicture().id;
    return s;
  }

  // The middle of the bomb, in client pixels.
  std::pair<int, int> BombPoint() const {
    const forms::Image& bomb = form.image(Image1);
    return {(bomb.left + bomb.width / 2) / forms::kTwipsPerPixel,
            (bomb.top + bomb.height / 2) / forms::kTwipsPerPixel};
  }
  // A press and release of `button` on the bomb, as the window procedure reports them.
  void ClickBomb(int button = forms::kLeftButton) {
    const auto [x, y] = BombPoint();
    form.OnMouseDown(x, y, button, 0);
    form.OnMouseUp(x, y, button, 0, 0);
  }
  void PressKey(int key, int shift) { form.OnKeyDown(key, shift); }
  void ReleaseKey(int key, int shift) { form.OnKeyUp(key, shift); }
  void Queue(std::function<void()> event) { platform.queue.push_back(std::move(event)); }

  // True if every sound from call index `from` on was played from the sound
  // bank that is current now (the arrays of the latest start-up).
  bool SoundsFromCurrentBank(std::size_t from) const {
    for (std::size_t i = from; i < platform.calls.size(); ++i) {
      const FakeCall& call = platform.calls[i];
      if (call.name != "PlaySoundA") continue;
      const auto* played = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(call.args[3]));
      if (played != module.Waves.Wave(static_cast<int>(call.args[0])).data()) return false;
    }
    return true;
  }
};

// The code points of a text, for messages that show what differs.
inline std::vector<unsigned> CodePoints(const std::wstring& text) {
  return {text.begin(), text.end()};
}

}  // namespace tickbomb::testing

#endif
