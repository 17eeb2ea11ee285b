#include "app/form1.h"

#include <array>
#include <cmath>
#include <string>

#include "app/countdown.h"
#include "app/forms/number_text.h"
#include "app/forms/runtime_error.h"
#include "assets/resource_ids.h"
#include "system/shutdown.h"
#include "system/windows_version.h"

namespace tickbomb {

namespace {
constexpr std::uint32_t kGrey = 0x00C0C0C0;
constexpr std::uint32_t kRed = 255;       // (255, 0, 0) as 0x00BBGGRR
constexpr std::uint32_t kYellow = 65535;  // (255, 255, 0)

// Stripping the frame clears the caption, the system menu, the sizing border
// and the two boxes, and keeps every other bit of the style.
constexpr std::uint32_t kFrameBits = win::WS_CAPTION | win::WS_SYSMENU | win::WS_THICKFRAME |
                                     win::WS_MINIMIZEBOX | win::WS_MAXIMIZEBOX;
constexpr auto kFrameStripMask = static_cast<std::int32_t>(~kFrameBits);
static_assert(~kFrameBits == 0xFF30FFFFU);
constexpr std::uint32_t kFrameChangedInPlace =
    win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_FRAMECHANGED;  // 0x27

// The Escape ending's scream "ギャー" takes the digits' place lower down and a
// little to the left, and its front copy moves up and left of its shadow.
constexpr int kScreamShiftLeft = 120;   // twips
constexpr int kScreamDrop = 520;        // twips
constexpr int kScreamFrontOffset = 60;  // twips, up and left
}  // namespace

Form1::Form1(WindowsApi& windows, FormHost& host, Module1& module)
    : forms::Form(windows, host), module_(module) {}

void Form1::Play(int wave_id, std::uint32_t flags) {
  PlayWave(windows(), module_.Waves.Wave(wave_id), flags);
}

// The seconds the digits show at tick `tick`: 10 - tick / 2, reckoned in
// double precision and written as the runtime writes a number.
std::wstring Form1::SecondsLeftAt(int tick) {
  const double remaining = 10 - tick / 2.0;
  return forms::NumberText(static_cast<std::int64_t>(remaining));
}

void Form1::SetDigits(const std::wstring& caption) {
  SetLabelCaption(Label2_0, caption);
  SetLabelCaption(Label2_1, caption);
}

// ---------------------------------------------------------------- start-up

// The start-up, in steps, each named by the comment above it.
void Form1::Form_Load() {
  shaped_ = false;
  // The sound bank loaded.
  LoadSoundBank();
  // The warm-up: every sound of the table started once, from its last to its
  // first, each start cutting off the one before.
  for (auto sound = std::rbegin(kSounds); sound != std::rend(kSounds); ++sound) {
    Play(sound->id, kPlayAsync);
  }

  // The placement: left, then top, each drawn at random with the generator
  // reseeded from the clock, the window wholly on the screen.
  random_.Randomize(clock().NowMilliseconds());
  const float r1 = random_.Rnd();
  SetLeft(static_cast<int>(RandomPlacement(ScreenWidth(), static_cast<float>(Width()), r1)));
  random_.Randomize(clock().NowMilliseconds());
  const float r2 = random_.Rnd();
  SetTop(static_cast<int>(RandomPlacement(ScreenHeight(), static_cast<float>(Height()), r2)));

  // The bomb's finger.
  SetImageMouseIcon(Image1, IDC_FINGER_UP);
  // The version probe: the shutdown flags this Windows takes by default.
  ProbeWindowsVersion();
  // The opening's origin: the centre, unless a re-open chose another.
  if (OpenFrom == ZoomOrigin::NotChosen) OpenFrom = ZoomOrigin::Center;
  // The fanfare.
  Play(IDW_FANFARE, kPlayAsync);
  // The frame stripped.
  StripFrame();
  // The keys armed, the action back to the version's default.
  module_.KeysArmed = kTrue;
  module_.ExitFlags = module_.DefaultExitFlags;
  // The opening animation, which leaves None selected.
  ZoomOpen(OpenFrom);
  // The shape cut and the window shown.
  CutWindowShape();
  // The countdown reset.
  module_.TickCount = 0;
  // The spoken words: a reader hears them as the focus lands on the window's
  // option button, once the window is up: the focus moving there is the event
  // it speaks.
  spoken_language_ = SpokenLanguageOf(host().UserLanguage());
  Speak(false);
}

void Form1::LoadSoundBank() {
  SoundBank::Arrays fresh;
  for (std::size_t i = 0; i < kSoundCount; ++i) fresh[i] = LoadResData(kSounds[i].id, "WAVE");
  module_.Waves.Replace(std::move(fresh));
}

void Form1::ProbeWindowsVersion() {
  const OsVersionInfoA info = ReadWindowsVersion(windows());
  if (const auto flags = DefaultExitFlagsFor(info.dwPlatformId, info.dwMajorVersion)) {
    module_.DefaultExitFlags = *flags;
  }
}

void Form1::StripFrame() {
  const std::int32_t style = windows().GetWindowLongA(hWnd(), win::GWL_STYLE);
  windows().SetWindowLongA(hWnd(), win::GWL_STYLE, style & kFrameStripMask);
  windows().SetWindowPos(hWnd(), Hwnd{}, 0, 0, 0, 0, kFrameChangedInPlace);
}

void Form1::CutWindowShape() {
  const Hrgn region = MakeShape();
  SetVisible(false);
  SetVisible(true);
  module_.FormRegion = region;
  windows().SetWindowRgn(hWnd(), region, 1);  // the system owns the region from here on
  shaped_ = true;
}

// The window's rectangle less the two cut corners; on a screen of another
// density the corners are cut where the layout's pixels land there.
Hrgn Form1::MakeShape() {
  const WindowShape size = ShapeSize(static_cast<float>(Width()), static_cast<float>(Height()),
                                     TwipsPerPixelX(), TwipsPerPixelY());
  const Hrgn region = windows().CreateRectRgn(0, 0, size.width, size.height);
  for (const Rect& design_cut : {kTopRightCut, kBottomLeftCut}) {
    const Rect cut = scale().FromDesign(design_cut);
    const Hrgn piece = windows().CreateRectRgn(cut.left, cut.top, cut.right, cut.bottom);
    windows().CombineRgn(region, region, piece, win::RGN_XOR);
    windows().DeleteObject(piece);
  }
  return region;
}

// Laid out again for a screen of another density: the shape too, once it
// has one.
void Form1::Form_Rescaled() {
  if (!shaped_) return;
  const Hrgn region = MakeShape();
  module_.FormRegion = region;
  windows().SetWindowRgn(hWnd(), region, 1);
}

void Form1::ZoomOpen(const ZoomOrigin& origin) {
  Rect window;
  windows().GetWindowRect(hWnd(), &window);
  const std::vector<Rect> frames = ZoomRectangles(origin, window);
  const Hdc screen = windows().GetDC(Hwnd{});
  const Hbrush grey = windows().CreateSolidBrush(kGrey);
  const Hbrush previous = windows().SelectObject(screen, grey);
  for (const Rect& frame : frames) {
    windows().Sleep(1);
    windows().Rectangle(screen, frame.left, frame.top, frame.right, frame.bottom);
  }
  windows().SelectObject(screen, previous);
  windows().ReleaseDC(Hwnd{}, screen);
  windows().DeleteObject(grey);
  SetOptionValue(OptNone, true);
}

// ---------------------------------------------------------------- the countdown

void Form1::Timer_Timer() {
  const std::uint64_t generation = Generation();
  module_.TickCount = forms::CheckedAdd16(module_.TickCount, 1);
  const CountdownBeat* beat = BeatOf(module_.TickCount);
  if (beat == nullptr) return;
  if (beat->shows_seconds) {
    SetDigits(SecondsLeftAt(beat->tick));
    if (beat->tick_sound) Play(IDW_TICK, kPlayAsync);
  }
  if (beat->bomb != kUnchanged) SetImagePicture(Image1, image(beat->bomb).picture);
  if (beat->front_digits_red) SetLabelForeColor(Label2_1, kRed);
  if (beat->sound != 0 && beat->play == kPlayAsync) Play(beat->sound, kPlayAsync);
  if (beat->hides_bomb) SetImageVisible(Image1, false);
  if (beat->background != kUnchanged) SetPicture(image(beat->background).picture);
  Speak(beat->announces);
  if (beat->pumps) {
    // Events queued by now run here. An Escape ends the program inside the
    // pump; a re-open replaces this countdown, and then the rest of this beat
    // belongs to a window that no longer exists: it must not go on.
    DoEvents();
    if (!StillCurrent(generation)) return;
  }
  if (beat->sound != 0 && beat->play == kPlaySync) Play(beat->sound, kPlaySync);
  if (beat->detonates) Detonate();
}

void Form1::Speak(bool announce) {
  const CountdownState state{.restart = module_.ExitFlags == win::EWX_REBOOT,
                             .seconds = static_cast<int>(10 - module_.TickCount / 2),
                             .bomb_shown = image(Image1).visible,
                             .stopped = !timer().enabled};
  const std::wstring words = SpokenCountdown(spoken_language_, state);
  if (announce && !state.stopped) {
    Announce(words);
  } else {
    SetAccessibleName(words);
  }
}

void Form1::Detonate() {
  module_.KeysArmed = kFalse;
  RequestShutdown(windows(), module_.ExitFlags);
  Unload();
  End();
}

// ---------------------------------------------------------------- keys

void Form1::Form_KeyDown(std::int16_t key, std::int16_t shift) {
  if (key == kVkEscape) {
    // A held Esc repeats some thirty times a second: the ending it began
    // stays the only one. A fresh press still starts another.
    if (!(escaping_ && KeyRepeated())) EscapeEnding();
    return;
  }
  ApplyShiftRule(shift);
}

void Form1::Form_KeyUp(std::int16_t /*key*/, std::int16_t shift) { ApplyShiftRule(shift); }

void Form1::ApplyShiftRule(std::int16_t shift) {
  if (module_.KeysArmed == kFalse) return;
  const std::uint32_t before = module_.ExitFlags;
  if (shift == 0) {
    SetLabelCaption(Label1_1, text::kUntilShutdown);
    SetLabelCaption(Label1_0, text::kUntilShutdown);
    module_.ExitFlags = module_.DefaultExitFlags;
  } else if (shift == 1) {
    SetLabelCaption(Label1_1, text::kUntilRestart);
    SetLabelCaption(Label1_0, text::kUntilRestart);
    module_.ExitFlags = win::EWX_REBOOT;
  }
  // Said when the choice changes, not at every key (a held Shift repeats).
  if ((before == win::EWX_REBOOT) != (module_.ExitFlags == win::EWX_REBOOT)) Speak(true);
}

// ---------------------------------------------------------------- the Escape ending

// Escape always ends the program. Events queued by now run at its pumps: a
// click on the bomb or a second Escape ends the program from there; a
// re-open loads the window again with its countdown stopped (see Reopen),
// and the ending goes on in the new window.
void Form1::EscapeEnding() {
  escaping_ = true;
  const int ticks_at_escape = module_.TickCount;
  SetTimerEnabled(false);
  Speak(false);
  PlayRemainingCountdown(ticks_at_escape);
  FakeExplosion();
  TeaseAndEnd();
}

// The beats the timer has not played yet, each with its sound: the sounds,
// not the timer, set the pace.
void Form1::PlayRemainingCountdown(int ticks_at_escape) {
  for (const CountdownBeat& beat : kCountdown) {
    if (beat.escape_hides_bomb_first) SetImageVisible(Image1, false);
    if (beat.escape_bomb == kUnchanged || ticks_at_escape > beat.tick) continue;
    SetImagePicture(Image1, image(beat.escape_bomb).picture);
    SetDigits(SecondsLeftAt(beat.tick));
    RefreshImage(Image1);
    DoEvents();
    Play(beat.sound, kPlaySync);
  }
}

void Form1::FakeExplosion() {
  SetPicture(image(Image2_2).picture);
  Refresh();
  windows().Sleep(125);
  SetLabelForeColor(Label2_0, kYellow);
  SetLabelForeColor(Label2_1, kRed);
  SetDigits(text::kScream);
  SetLabelLeft(Label2_0, label(Label2_0).left - kScreamShiftLeft);
  SetLabelLeft(Label2_1, label(Label2_1).left - kScreamShiftLeft - kScreamFrontOffset);
  SetLabelTop(Label2_0, label(Label2_0).top + kScreamDrop);
  SetLabelTop(Label2_1, label(Label2_1).top + kScreamDrop - kScreamFrontOffset);
  SetLabelForeColor(Label1_1, kRed);
  SetLabelCaption(Label1_0, text::kShutdownHalfwidthDots);
  SetLabelCaption(Label1_1, text::kShutdownHalfwidthDots);
  for (int hidden : {Label3_0, Label3_1, Label4_0, Label4_1}) SetLabelVisible(hidden, false);
  Refresh();
  DoEvents();
  for (int holder : {Image2_3, Image2_2, Image2_3}) {  // the blast flashes
    SetPicture(image(holder).picture);
    Refresh();
    DoEvents();
    windows().Sleep(50);
  }
  Play(IDW_EXPLOSION, kPlaySync);
  SetPicture(image(Image2_2).picture);  // the bomb is back
  Refresh();
  DoEvents();
}

void Form1::TeaseAndEnd() {
  Play(IDW_FANFARE, kPlayAsync);
  SetLabelCaption(Label1_0, text::kShutdownCalledOff);
  SetLabelCaption(Label1_1, text::kShutdownCalledOff);
  MsgBox(text::kEscapeMessage, win::MB_OK, text::kMessageTitle);
  Unload();
  End();
}

// ---------------------------------------------------------------- the mouse

void Form1::Form_MouseMove(std::int16_t button, std::int16_t /*shift*/, float /*x*/, float /*y*/) {
  if ((button & 1) == 0) return;
  windows().ReleaseCapture();
  windows().SendMessageA(hWnd(), win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
}

// The one MouseMove handler of every label array (Label1 ... Label5), for
// both elements.
void Form1::Label_MouseMove(int /*array*/, std::int16_t /*index*/, std::int16_t button,
                            std::int16_t shift, float /*x*/, float /*y*/) {
  Form_MouseMove(button, shift, 0, 0);
}

void Form1::Image_MouseDown(int image, std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                            float /*y*/) {
  if (image == Image1) SetImageMouseIcon(Image1, IDC_FINGER_PRESSED);
}

void Form1::Image_MouseUp(int image, std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                          float /*y*/) {
  if (image == Image1) SetImageMouseIcon(Image1, IDC_FINGER_UP);
}

void Form1::Image_Click(int image) {
  if (image == Image1) Defuse();
}

void Form1::Defuse() {
  SetTimerEnabled(false);
  Speak(false);
  Play(IDW_FANFARE, kPlayAsync);
  MsgBox(text::kDefusedMessage, win::MB_OK, text::kMessageTitle);
  Unload();
  End();
}

// ---------------------------------------------------------------- re-open commands

void Form1::Option_Click(int option) {
  switch (option) {
    case OptLeftCorner: Reopen(ZoomOrigin::TopLeft); break;
    case OptCenter: Reopen(ZoomOrigin::Center); break;
    case OptTop: Reopen(ZoomOrigin::TopEdge); break;
    case OptLeft: Reopen(ZoomOrigin::LeftEdge); break;
    default: break;  // None is the resting selection, not a command
  }
}

void Form1::Reopen(ZoomOrigin origin) {
  OpenFrom = origin;
  Unload();
  Load();
  // Run inside the Escape ending's pumps, the new countdown must never tick:
  // the ending goes on and ends the program.
  if (escaping_) {
    SetTimerEnabled(false);
    Speak(false);
  }
}

}  // namespace tickbomb
