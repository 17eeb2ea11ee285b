// A form built from Form1's design whose event handlers only note what
// reached them, so that the forms layer can be watched without the program's
// own handlers: which event, in which order, with which arguments. A test can
// hang an action on any event (for example unload and reload from inside it).
#ifndef TICKBOMB_TESTS_UNIT_RECORDING_FORM_H
#define TICKBOMB_TESTS_UNIT_RECORDING_FORM_H

#include <functional>
#include <string>
#include <vector>

#include "app/form1_design.h"
#include "app/forms/form.h"

namespace tickbomb::testing {

class RecordingForm : public forms::Form {
 public:
  using Form::Form;

  // "Load", "KeyDown(27,0)", "KeyUp(16,1)", "FormMove(1,0,3000,1500)",
  // "LabelMove(2,1,1,0,15,30)", "ImageDown(0,1,0)", "ImageUp(0,1,0)",
  // "ImageClick(0)", "OptionClick(4)", "Timer".
  std::vector<std::string> events;
  // Runs after an event has been noted, inside its handler.
  std::function<void(const std::string&)> on_event;

  void ClearEvents() { events.clear(); }

 protected:
  forms::FormDesign Design() const override { return Form1Design(); }

  void Form_Load() override { Note("Load"); }
  void Form_KeyDown(std::int16_t key, std::int16_t shift) override {
    Note("KeyDown(" + std::to_string(key) + "," + std::to_string(shift) + ")");
  }
  void Form_KeyUp(std::int16_t key, std::int16_t shift) override {
    Note("KeyUp(" + std::to_string(key) + "," + std::to_string(shift) + ")");
  }
  void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override {
    Note("FormMove(" + std::to_string(button) + "," + std::to_string(shift) + "," + Whole(x) + "," +
         Whole(y) + ")");
  }
  void Label_MouseMove(int array, std::int16_t index, std::int16_t button, std::int16_t shift,
                       float x, float y) override {
    Note("LabelMove(" + std::to_string(array) + "," + std::to_string(index) + "," +
         std::to_string(button) + "," + std::to_string(shift) + "," + Whole(x) + "," + Whole(y) +
         ")");
  }
  void Image_MouseDown(int image, std::int16_t button, std::int16_t shift, float, float) override {
    Note("ImageDown(" + std::to_string(image) + "," + std::to_string(button) + "," +
         std::to_string(shift) + ")");
  }
  void Image_MouseUp(int image, std::int16_t button, std::int16_t shift, float, float) override {
    Note("ImageUp(" + std::to_string(image) + "," + std::to_string(button) + "," +
         std::to_string(shift) + ")");
  }
  void Image_Click(int image) override { Note("ImageClick(" + std::to_string(image) + ")"); }
  void Option_Click(int option) override { Note("OptionClick(" + std::to_string(option) + ")"); }
  void Timer_Timer() override { Note("Timer"); }

 private:
  static std::string Whole(float value) { return std::to_string(static_cast<long>(value)); }
  void Note(const std::string& event) {
    events.push_back(event);
    if (on_event) on_event(event);
  }
};

// The windows of the option buttons, in focus order.
inline std::vector<Hwnd> OptionWindows(const forms::Form& form) {
  std::vector<Hwnd> windows;
  for (int i = 0; i < 5; ++i) windows.push_back(form.option(i).hwnd);
  return windows;
}

}  // namespace tickbomb::testing

#endif
