// Form1: the bomb window and every behaviour of the program, as the handlers
// of its events.
#ifndef TICKBOMB_APP_FORM1_H
#define TICKBOMB_APP_FORM1_H

#include <cstdint>

#include "app/form1_design.h"
#include "app/forms/form.h"
#include "app/forms/random.h"
#include "app/module1.h"
#include "app/spoken_countdown.h"
#include "app/window_geometry.h"

namespace tickbomb {

inline constexpr std::int16_t kVkEscape = 27;

class Form1 : public forms::Form {
 public:
  Form1(WindowsApi& windows, FormHost& host, Module1& module);

  // Where the next load's opening animation grows from. It belongs to the
  // form object, so it survives an unload and reload.
  ZoomOrigin OpenFrom = ZoomOrigin::NotChosen;

  // The opening animation over the window's rectangle, drawn on the screen.
  void ZoomOpen(const ZoomOrigin& origin);

  // The event handlers (public so that tests can raise them directly).
  void Form_Load() override;
  void Timer_Timer() override;
  void Form_KeyDown(std::int16_t key, std::int16_t shift) override;
  void Form_KeyUp(std::int16_t key, std::int16_t shift) override;
  void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override;
  void Label_MouseMove(int array, std::int16_t index, std::int16_t button, std::int16_t shift,
                       float x, float y) override;
  void Image_MouseDown(int image, std::int16_t button, std::int16_t shift, float x,
                       float y) override;
  void Image_MouseUp(int image, std::int16_t button, std::int16_t shift, float x, float y) override;
  void Image_Click(int image) override;
  void Option_Click(int option) override;

 protected:
  forms::FormDesign Design() const override { return Form1Design(); }

 private:
  void LoadSoundBank();
  void ProbeWindowsVersion();
  void StripFrame();
  void CutWindowShape();
  Hrgn MakeShape();
  void Form_Rescaled() override;
  void ApplyShiftRule(std::int16_t shift);
  void EscapeEnding();
  void PlayRemainingCountdown(int ticks_at_escape);
  void FakeExplosion();
  void TeaseAndEnd();
  void Defuse();
  void Reopen(ZoomOrigin origin);
  void Detonate();
  static std::wstring SecondsLeftAt(int tick);
  void SetDigits(const std::wstring& caption);
  void Play(int wave_id, std::uint32_t flags);
  // Tells a screen reader where the countdown stands: from now on when it
  // reads the focus, and at once too if `announce`, while it runs.
  void Speak(bool announce);

  Module1& module_;
  forms::Random random_;
  SpokenLanguage spoken_language_ = SpokenLanguage::English;
  // Set once the Escape ending has begun; it belongs to the form object, so
  // a re-open run inside the ending's pumps still sees it.
  bool escaping_ = false;
  bool shaped_ = false;  // the current window has its shape
};

}  // namespace tickbomb

#endif
