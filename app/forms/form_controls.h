// A form's controls and its own properties, as plain data: what the design
// stores and what the form's code changes at run time, with their places in
// the pixels of the screen the form is on. Nothing here touches a window: a
// change says what it leaves to repaint, and the form repaints it.
#ifndef TICKBOMB_APP_FORMS_FORM_CONTROLS_H
#define TICKBOMB_APP_FORMS_FORM_CONTROLS_H

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/forms/controls.h"
#include "app/forms/runtime_error.h"
#include "app/forms/screen_scale.h"
#include "app/forms/text_layout.h"

namespace tickbomb::forms {

// A windowless control, by kind and position in the form's lists.
struct ControlRef {
  enum class Kind { Label, Image } kind = Kind::Label;
  int index = 0;
  friend bool operator==(const ControlRef&, const ControlRef&) = default;
};

// Everything a form stores: read once per load to build the window.
struct FormDesign {
  std::wstring caption;
  std::uint32_t back_color = 0;
  Picture picture;
  int client_left = 0, client_top = 0;      // twips, where the system first places it
  int client_width = 0, client_height = 0;  // twips
  // The caption bar and border the window is created with (pixels): its outer
  // size is the client size plus these.
  int frame_width_px = 0, frame_height_px = 0;
  std::vector<Label> labels;
  std::vector<Image> images;
  std::vector<OptionButton> options;  // in focus order; one group
  int selected_option = 0;            // the option selected at creation
  TimerControl timer;
  std::vector<ControlRef> back_to_front;  // stacking order of the windowless controls
};

// What a change leaves to repaint: nothing, an area of text, an area of
// pictures (which a resampling spreads), or the whole form. Twips.
struct Repaint {
  enum class Kind { Nothing, Text, Pictures, WholeForm } kind = Kind::Nothing;
  Rect area;
};

class FormControls {
 public:
  // The labels' captions are laid out in lines measured by `measure`.
  explicit FormControls(TextLayouts::MeasureInFont measure) : layouts_(std::move(measure)) {}

  // The design's controls, for a screen of `dpi`.
  void Build(const FormDesign& design, int dpi);
  // For a screen of another density: the fonts and the auto-sized labels.
  void UseDpi(int dpi);
  // The labels' colours that name a system colour take its value now.
  void ResolveSystemColors(const std::function<std::uint32_t(int index)>& system_color);
  // Every auto-sized label takes the size of its caption.
  void SizeLabels();
  const ScreenScale& scale() const { return scale_; }

  const std::wstring& caption() const { return caption_; }
  std::uint32_t back_color() const { return back_color_; }
  const Picture& picture() const { return picture_; }
  int left() const { return left_; }
  int top() const { return top_; }
  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<Label>& labels() const { return labels_; }
  const std::vector<Image>& images() const { return images_; }
  std::vector<Image>& images() { return images_; }
  const std::vector<OptionButton>& options() const { return options_; }
  std::vector<OptionButton>& options() { return options_; }
  const std::vector<ControlRef>& back_to_front() const { return back_to_front_; }
  const TimerControl& timer() const { return timer_; }

  // Label `index`'s caption in lines, wrapped to its width if it wraps: kept
  // until its caption, font or width changes.
  const TextLayout& LayoutOf(int index) const;

  // Places in screen pixels (and an image's in twips).
  Rect LabelPixels(int index) const;
  Rect ImageTwips(int index) const;
  Rect ImagePixels(int index) const;
  Rect OptionPixels(const OptionButton& button) const;

  void SetLeft(int twips) { left_ = twips; }
  void SetTop(int twips) { top_ = twips; }
  Repaint SetPicture(const Picture& picture);
  Repaint SetLabelCaption(int index, const std::wstring& caption);
  Repaint SetLabelForeColor(int index, std::uint32_t color);
  Repaint SetLabelLeft(int index, int twips);
  Repaint SetLabelTop(int index, int twips);
  Repaint SetLabelVisible(int index, bool visible);
  Repaint SetImagePicture(int index, const Picture& picture);
  Repaint SetImageVisible(int index, bool visible);
  // Gives the image its new cursor and returns the one it had.
  Hcursor SetImageMouseIcon(int index, Hcursor cursor);
  // Selects or clears one option (selecting one clears the others); returns
  // the options whose buttons are to show it: the ones selecting changed, or
  // the one cleared.
  std::vector<int> SetOptionValue(int index, bool value);
  // False if the timer already was so.
  bool SetTimerEnabled(bool enabled);

 private:
  void SizeLabel(int index);
  Repaint TextChange(const Rect& before, int index) const;

  TextLayouts layouts_;
  ScreenScale scale_;
  std::wstring caption_;
  std::uint32_t back_color_ = 0;
  Picture picture_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::vector<Label> labels_;
  std::vector<Image> images_;
  std::vector<OptionButton> options_;
  std::vector<ControlRef> back_to_front_;
  TimerControl timer_;
};

}  // namespace tickbomb::forms

#endif
