// The events a form raises for its code; the defaults do nothing.
#ifndef TICKBOMB_APP_FORMS_FORM_EVENTS_H
#define TICKBOMB_APP_FORMS_FORM_EVENTS_H

#include <cstdint>

namespace tickbomb::forms {

class FormEvents {
 public:
  FormEvents() = default;
  virtual ~FormEvents() = default;
  FormEvents(const FormEvents&) = delete;
  FormEvents& operator=(const FormEvents&) = delete;

  virtual void Form_Load() {}
  virtual void Form_KeyDown(std::int16_t /*key*/, std::int16_t /*shift*/) {}
  virtual void Form_KeyUp(std::int16_t /*key*/, std::int16_t /*shift*/) {}
  virtual void Form_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                              float /*y*/) {}
  // Of an element of label control array `array`, told its index.
  virtual void Label_MouseMove(int /*array*/, std::int16_t /*index*/, std::int16_t /*button*/,
                               std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
  virtual void Image_MouseDown(int /*image*/, std::int16_t /*button*/, std::int16_t /*shift*/,
                               float /*x*/, float /*y*/) {}
  virtual void Image_MouseUp(int /*image*/, std::int16_t /*button*/, std::int16_t /*shift*/,
                             float /*x*/, float /*y*/) {}
  virtual void Image_Click(int /*image*/) {}
  virtual void Option_Click(int /*option*/) {}
  virtual void Timer_Timer() {}
  // Not an event of the form's own but the runtime's: the window was laid out
  // again for a screen of another density. A form that shaped its window
  // shapes it again here.
  virtual void Form_Rescaled() {}
};

}  // namespace tickbomb::forms

#endif
