// The form's life: built from its design with every picture decoded, torn
// down by Unload, laid out again for a screen of another density; the
// barrier every entry from the window runs through; and the changes of its
// properties carried to the window.
#include "app/forms/form.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include "app/forms/runtime_error.h"

namespace tickbomb::forms {

namespace {

void CheckOption(WindowsApi& windows, Hwnd button, bool checked) {
  windows.SendToOwnWindow(button, win::BM_SETCHECK, checked ? win::BST_CHECKED : win::BST_UNCHECKED,
                          0);
}

// The one measure of the labels' text: a line in a font, as the host measures it.
TextLayouts::MeasureInFont TextMeasuredBy(FormHost& host) {
  return [&host](const FontSpec& font, const std::wstring& text) {
    return host.MeasureText(font, text);
  };
}

// The window goes where the form's Left and Top say.
void MoveToPlace(Form& form) {
  if (!form.IsLoaded()) return;
  const ScreenScale& scale = form.scale();
  form.windows().SetWindowPos(form.hWnd(), Hwnd{}, scale.Pixels(form.Left()),
                              scale.Pixels(form.Top()), 0, 0,
                              win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
}

}  // namespace

Form::Form(WindowsApi& windows, FormHost& host)
    : windows_(windows),
      host_(host),
      clock_(host, windows),
      controls_(TextMeasuredBy(host)),
      painting_(controls_, windows, host),
      timer_(windows, clock_),
      input_(controls_) {
  ReportRunTimeErrorsTo(this);
}

Form::~Form() { ReportRunTimeErrorsTo(nullptr); }

// ---------------------------------------------------------------- life cycle

void Form::Load() {
  if (halted_ || IsLoaded()) return;
  if (!first_loaded_) {  // before the first window of the process
    first_loaded_ = true;
    windows_.InitCommonControls();
    announces_ = host_.StartAccessibility();
  }
  CreateControls(Design());
  const std::uint64_t generation = generation_;
  Form_Load();
  if (!StillCurrent(generation)) return;  // the handler unloaded the form
  // The window is active now: the focus goes to the group's selected button.
  for (const OptionButton& button : controls_.options()) {
    if (button.value) windows_.SetFocus(button.hwnd);
  }
  // The user's ten seconds begin when the window is up, not when it is
  // created: the start-up before this (the sounds, the opening animation)
  // may take a good part of a period, more on a busy machine.
  if (controls_.timer().enabled) timer_.Arm(hwnd_, controls_.timer().interval);
}

void Form::CreateControls(const FormDesign& design) {
  ++generation_;
  controls_.Build(design, host_.ScreenDpi());
  input_.ReleasePress();
  // Follows the controls' scale, also when the window takes another density.
  const ScreenScale& screen = controls_.scale();
  const Rect outer{screen.Pixels(Left()), screen.Pixels(Top()),
                   screen.Pixels(Left()) + screen.Pixels(Width()),
                   screen.Pixels(Top()) + screen.Pixels(Height())};
  hwnd_ = host_.CreateFormWindow(controls_.caption(), outer, *this);
  if (IsNull(hwnd_)) Raise(kErrCannotCreateWindow);
  // The window takes no text: its keys go to it, never to an input method
  // (a Japanese IME composing would keep Esc and the arrows for itself).
  windows_.ImmAssociateContext(hwnd_, Himc{});
  // A window opened on a monitor of another density takes that monitor's.
  if (const int dpi = host_.WindowDpi(hwnd_); dpi != screen.dpi()) {
    controls_.UseDpi(dpi);
    windows_.SetWindowPos(hwnd_, Hwnd{}, 0, 0, screen.Pixels(Width()), screen.Pixels(Height()),
                          win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  }
  painting_.LoadPictures(design);
  painting_.PrepareBackgrounds();
  controls_.ResolveSystemColors([this](int index) { return windows_.GetSysColor(index); });
  std::vector<OptionButton>& options = controls_.options();
  for (std::size_t i = 0; i < options.size(); ++i) {
    OptionButton& button = options[i];
    button.hwnd =
        host_.CreateOptionButton(hwnd_, button.caption, controls_.OptionPixels(button), i == 0,
                                 button.back_color, button.fore_color, button.font);
    windows_.ImmAssociateContext(button.hwnd, Himc{});
    if (button.value) CheckOption(windows_, button.hwnd, true);
  }
  controls_.SizeLabels();
}

void Form::Unload() {
  if (!IsLoaded()) return;
  ++generation_;
  DestroyControls();
}

void Form::DestroyControls() {
  timer_.Kill(hwnd_);
  // The pictures' cursors go, but not while one is on the screen: the pointer
  // is shown the arrow first (see SetImageMouseIcon).
  std::vector<Hcursor> cursors;
  for (Image& control : controls_.images()) {
    if (!IsNull(control.mouse_icon)) cursors.push_back(control.mouse_icon);
    control.mouse_icon = Hcursor{};
  }
  if (!cursors.empty()) host_.RefreshCursor(hwnd_);
  for (const Hcursor cursor : cursors) windows_.DestroyCursor(cursor);
  const Hwnd hwnd = hwnd_;
  // From here on the form counts as unloaded, also for handlers the destruction runs.
  hwnd_ = Hwnd{};
  windows_.DestroyWindow(hwnd);  // destroys the option buttons with it
  for (OptionButton& button : controls_.options()) button.hwnd = Hwnd{};
  painting_.Release(windows_);
  input_.ReleasePress();
}

void Form::End() { EndProcess(halted_ ? 1 : 0); }

void Form::EndProcess(unsigned exit_code) {
  windows_.ExitProcess(exit_code);
  std::abort();  // ExitProcess does not return; should a stand-in return, the end is here
}

// The window moved to a monitor of another density: it is laid out again for
// it where the system suggests, and goes on as it was (the countdown too).
void Form::OnDpiChanged(int dpi, const Rect& suggested) {
  if (halted_) return;
  if (!IsLoaded() || dpi == scale().dpi()) return;
  controls_.UseDpi(dpi);
  painting_.DropScaled();
  painting_.PrepareBackgrounds();
  controls_.SetLeft(scale().Twips(suggested.left));
  controls_.SetTop(scale().Twips(suggested.top));
  windows_.SetWindowPos(hwnd_, Hwnd{}, suggested.left, suggested.top, scale().Pixels(Width()),
                        scale().Pixels(Height()), win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  for (const OptionButton& button : controls_.options()) {
    host_.PlaceOptionButton(button.hwnd, controls_.OptionPixels(button), button.font);
  }
  const std::uint64_t generation = generation_;
  Form_Rescaled();
  if (StillCurrent(generation)) windows_.InvalidateRect(hwnd_, nullptr, 0);
}

// ---------------------------------------------------------------- the window's input

// Positions in the events are twips from the control's own corner (the
// form's, for the form's events).
void Form::OnMouseMove(int x, int y, int buttons, int shift) {
  if (halted_ || !IsLoaded()) return;
  const auto button = static_cast<std::int16_t>(buttons);
  const auto shift16 = static_cast<std::int16_t>(shift);
  const std::optional<ControlRef> target = input_.MoveTarget(x, y, buttons);
  if (!target) {
    Form_MouseMove(button, shift16, input_.ToTwips(x), input_.ToTwips(y));
  } else if (target->kind == ControlRef::Kind::Label) {
    const Label& l = label(target->index);
    Label_MouseMove(l.array, l.element, button, shift16,
                    input_.ToTwips(x) - static_cast<float>(l.left),
                    input_.ToTwips(y) - static_cast<float>(l.top));
  }  // a picture has no mouse-move event
}

void Form::OnMouseDown(int x, int y, int button, int shift) {
  if (halted_ || !IsLoaded()) return;
  const std::optional<ControlRef> holder = input_.Press(x, y);
  if (!holder || holder->kind != ControlRef::Kind::Image) return;
  const Image& control = image(holder->index);
  Image_MouseDown(holder->index, static_cast<std::int16_t>(button),
                  static_cast<std::int16_t>(shift),
                  input_.ToTwips(x) - static_cast<float>(control.left),
                  input_.ToTwips(y) - static_cast<float>(control.top));
}

void Form::OnMouseUp(int x, int y, int button, int buttons_still_down, int shift) {
  if (halted_ || !IsLoaded()) return;
  const std::optional<ControlRef> holder = input_.Release(buttons_still_down);
  if (!holder || holder->kind != ControlRef::Kind::Image) return;
  const int index = holder->index;
  const Image& control = image(index);
  const std::uint64_t generation = generation_;
  Image_MouseUp(index, static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift),
                input_.ToTwips(x) - static_cast<float>(control.left),
                input_.ToTwips(y) - static_cast<float>(control.top));
  if (StillCurrent(generation) && input_.IsClick(index, button, x, y)) Image_Click(index);
}

// The form sees every key first (KeyPreview); then the option group's arrows
// move its selection, which raises the Click of the option it lands on; then
// Alt+F4, the system's close key, closes the window as the taskbar's Close
// does, and the program ends.
void Form::OnKeyDown(int key, int shift, bool repeated) {
  if (halted_ || !IsLoaded()) return;
  const std::uint64_t generation = generation_;
  const bool outer = std::exchange(key_repeated_, repeated);  // a KeyDown may run nested
  Form_KeyDown(static_cast<std::int16_t>(key), static_cast<std::int16_t>(shift));
  key_repeated_ = outer;
  if (!StillCurrent(generation)) return;
  if (FormInput::MovesSelection(key)) {
    const std::optional<int> next = input_.OptionAfter(key, windows_.GetFocus());
    if (!next) return;
    windows_.SetFocus(option(*next).hwnd);
    if (option(*next).value) return;
    SetOptionValue(*next, true);
    Option_Click(*next);
  } else if (key == win::VK_F4 && (shift & kAltMask) != 0) {
    End();
  }
}

void Form::OnKeyUp(int key, int shift) {
  if (halted_ || !IsLoaded()) return;
  Form_KeyUp(static_cast<std::int16_t>(key), static_cast<std::int16_t>(shift));
}

void Form::OnTimer() {
  if (halted_ || !IsLoaded() || !controls_.timer().enabled || timer_.ticking()) return;
  const Hwnd hwnd = hwnd_;
  const std::uint64_t generation = generation_;
  if (timer_.TakeTick()) {
    const FormTimer::Ticking ticking(timer_);
    Timer_Timer();
  }
  if (StillCurrent(generation) && controls_.timer().enabled) timer_.Rearm(hwnd);
}

Hcursor Form::CursorAt(int x, int y) const {
  return IsLoaded() ? input_.CursorAt(x, y) : Hcursor{};
}

// ---------------------------------------------------------------- properties

void Form::Invalidate(const Repaint& change) {
  if (!IsLoaded() || change.kind == Repaint::Kind::Nothing) return;
  const std::optional<Rect> pixels = painting_.PixelsOf(change);
  windows_.InvalidateRect(hwnd_, pixels ? &*pixels : nullptr, 0);
}

void Form::SetLeft(int twips) {
  controls_.SetLeft(twips);
  MoveToPlace(*this);
}

void Form::SetTop(int twips) {
  controls_.SetTop(twips);
  MoveToPlace(*this);
}

void Form::SetVisible(bool visible) {
  if (!IsLoaded()) Raise(kErrInvalidPropertyValue);
  windows_.ShowWindow(hwnd_, visible ? win::SW_SHOW : win::SW_HIDE);
}

void Form::SetImageMouseIcon(int index, int cursor_id) {
  Element(controls_.images(), index);  // an index outside raises before anything is loaded
  const Hcursor cursor = host_.LoadCursorResource(cursor_id);
  if (IsNull(cursor)) Raise(kErrResourceNotFound);
  const Hcursor replaced = controls_.SetImageMouseIcon(index, cursor);
  // The pointer is shown what it is over now before the cursor it may still
  // show is destroyed: Windows would free a cursor on the screen.
  if (IsLoaded()) host_.RefreshCursor(hwnd_);
  if (!IsNull(replaced)) windows_.DestroyCursor(replaced);
}

void Form::SetOptionValue(int index, bool value) {
  for (const int changed : controls_.SetOptionValue(index, value)) {
    const Hwnd button = controls_.options()[static_cast<std::size_t>(changed)].hwnd;
    if (!IsNull(button)) CheckOption(windows_, button, changed == index && value);
  }
}

void Form::SetTimerEnabled(bool enabled) {
  if (!controls_.SetTimerEnabled(enabled) || !IsLoaded()) return;
  if (enabled) {
    timer_.Arm(hwnd_, controls_.timer().interval);
  } else {
    timer_.Kill(hwnd_);
  }
}

void Form::Announce(const std::wstring& name) {
  accessible_name_ = name;
  if (!announces_ || !IsLoaded()) return;
  // A reader speaks a change of the focused object's name only.
  const Hwnd focus = windows_.GetFocus();
  for (const OptionButton& button : controls_.options()) {
    if (!IsNull(focus) && button.hwnd == focus) {
      windows_.NotifyWinEvent(win::EVENT_OBJECT_NAMECHANGE, focus, win::OBJID_CLIENT,
                              win::CHILDID_SELF);
    }
  }
}

// ---------------------------------------------------------------- services

// A request to quit among them ends the program, as closing the window does.
void Form::DoEvents() {
  if (!host_.DispatchPendingMessages()) End();
}

void Form::Refresh() {
  if (!IsLoaded()) return;
  windows_.InvalidateRect(hwnd_, nullptr, 0);
  windows_.UpdateWindow(hwnd_);
}

void Form::RefreshImage(int index) {
  if (!IsLoaded()) return;
  Invalidate({Repaint::Kind::Pictures, controls_.ImageTwips(index)});
  windows_.UpdateWindow(hwnd_);
}

int Form::MsgBox(const std::wstring& text, std::uint32_t style, const std::wstring& title) {
  return windows_.MessageBoxW(hwnd_, text.c_str(), title.c_str(), style);
}

float Form::ScreenWidth() {
  return static_cast<float>(windows_.GetSystemMetrics(win::SM_CXSCREEN)) * TwipsPerPixelX();
}
float Form::ScreenHeight() {
  return static_cast<float>(windows_.GetSystemMetrics(win::SM_CYSCREEN)) * TwipsPerPixelY();
}

std::vector<std::uint8_t> Form::LoadResData(int id, const char* type) {
  std::vector<std::uint8_t> bytes;
  if (!host_.ReadResource(type, id, bytes)) Raise(kErrResourceNotFound);
  return bytes;
}

}  // namespace tickbomb::forms
