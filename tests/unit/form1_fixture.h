// The fixture of the native Form1 tests: a WatchedForm1 on the recording fake
// of the seam, helpers that drive the window as a user does, through the
// entry points the window procedure calls, and what a user sees of it.
#ifndef TICKBOMB_TESTS_UNIT_FORM1_FIXTURE_H
#define TICKBOMB_TESTS_UNIT_FORM1_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "assets/resource_ids.h"
#include "tests/unit/fake_platform.h"
#include "tests/unit/watched_form1.h"

namespace tickbomb::testing {

inline constexpr int kVkShift = 0x10, kVkControl = 0x11;
// PlaySoundA's flags in CallSpan::Sounds: ASYNC|NODEFAULT|MEMORY, and a sound waited out.
inline constexpr int kAsync = 7, kSync = 6;

// The rectangles the opening animation drew in `span`, in order.
inline std::vector<Rect> Drawn(const CallSpan& span) {
  std::vector<Rect> rects;
  for (const FakeCall* c : span.Named("Rectangle")) {
    rects.push_back({static_cast<std::int32_t>(c->args[1]), static_cast<std::int32_t>(c->args[2]),
                     static_cast<std::int32_t>(c->args[3]), static_cast<std::int32_t>(c->args[4])});
  }
  return rects;
}

// A control's place and size in twips, as a rectangle.
template <typename Control>
Rect Area(const Control& c) {
  return {c.left, c.top, c.left + c.width, c.top + c.height};
}

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

// The code points of a text, for messages that show what differs.
inline std::vector<unsigned> CodePoints(const std::wstring& text) {
  return {text.begin(), text.end()};
}

class Form1Test : public ::testing::Test {
 protected:
  FakePlatform platform;
  Module1 module;
  WatchedForm1 form{platform, platform, module};

  void LoadForm() {
    form.Load();
    ASSERT_TRUE(form.IsLoaded());
  }
  // Raises the timer event as the window procedure does, with the clock at
  // the tick's nominal time.
  void Tick() {
    platform.clock_ms += 500;
    form.OnTimer();
  }
  // Ticks until TickCount reaches `tick`; a countdown that stops on the way
  // is a failure, not an endless loop.
  void TickTo(int tick) {
    for (int ticks = 0; module.TickCount < tick; ++ticks) {
      if (ticks == 4 * 20 || !form.IsLoaded()) {
        ADD_FAILURE() << "the countdown stopped at " << module.TickCount << " short of " << tick;
        return;
      }
      Tick();
    }
  }
  // Runs `action`; the exit code if the program ended inside it.
  template <typename Action>
  std::optional<unsigned> Ends(Action&& action) {
    return platform.Ending(action).exit;
  }

  // The middle of the bomb, in client pixels.
  std::pair<int, int> BombPoint() const {
    const forms::Image& bomb = form.image(Image1);
    return {(bomb.left + bomb.width / 2) / forms::kTwipsPerPixel,
            (bomb.top + bomb.height / 2) / forms::kTwipsPerPixel};
  }
  // A press and release of `button` on the bomb, as the window procedure reports them.
  void ClickBomb(int button = kLeftButton) {
    const auto [x, y] = BombPoint();
    form.OnMouseDown(x, y, button, 0);
    form.OnMouseUp(x, y, button, 0, 0);
  }
  void PressKey(int key, int shift, bool repeated = false) { form.OnKeyDown(key, shift, repeated); }
  void ReleaseKey(int key, int shift) { form.OnKeyUp(key, shift); }
  void Queue(std::function<void()> event) { platform.queue.push_back(std::move(event)); }

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
  // True if every sound of `span` was played from the sound bank that is
  // current now (the arrays of the latest start-up).
  bool SoundsFromCurrentBank(const CallSpan& span) const {
    for (const FakeCall* play : span.Named("PlaySoundA")) {
      if (play->sound != module.Waves.Wave(static_cast<int>(play->args[0])).data()) return false;
    }
    return true;
  }
};

}  // namespace tickbomb::testing

#endif
