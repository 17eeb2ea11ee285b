#include "app/form1.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "app/forms/runtime_error.h"
#include "app/window_geometry.h"
#include "assets/resource_ids.h"
#include "system/shutdown.h"

namespace tickbomb {

namespace {
constexpr std::uint32_t kGrey = 0x00C0C0C0;
constexpr std::uint32_t kRed = 255;       // (255, 0, 0) as 0x00BBGGRR
constexpr std::uint32_t kYellow = 65535;  // (255, 255, 0)
constexpr std::int32_t kFrameStripMask = static_cast<std::int32_t>(0xFF30FFFFU);
constexpr std::uint32_t kFrameChangedInPlace =
    win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_FRAMECHANGED;  // 0x27
}  // namespace

Form1::Form1(Platform& platform, Module1& module) : forms::Form(platform), module_(module) {}

void Form1::Play(int wave_id, std::uint32_t flags) {
  PlayWave(platform(), module_.Waves.Wave(wave_id), flags);
}

void Form1::SetDigits(const std::wstring& caption) {
  SetLabelCaption(Label2_0, caption);
  SetLabelCaption(Label2_1, caption);
}

bool Form1::PumpAndStillCurrent(std::uint64_t generation) {
  DoEvents();
  return Generation() == generation && IsLoaded();
}

// ---------------------------------------------------------------- start-up

void Form1::Form_Load() {
  LoadSoundBank();
  for (int id : {IDW_TICK, IDW_FANFARE, IDW_THREE, IDW_TWO, IDW_ONE, IDW_EXPLOSION}) {
    Play(id, kPlayAsync);  // each start cuts off the one before
  }

  random_.Randomize(platform().MonotonicMilliseconds());
  const float r1 = random_.Rnd();
  SetLeft(static_cast<int>(RandomPlacement(static_cast<float>(ScreenWidth()),
                                           static_cast<float>(Width()), r1)));
  random_.Randomize(platform().MonotonicMilliseconds());
  const float r2 = random_.Rnd();
  SetTop(static_cast<int>(RandomPlacement(static_cast<float>(ScreenHeight()),
                                          static_cast<float>(Height()), r2)));

  SetImageMouseIcon(Image1, IDC_FINGER_UP);
  ProbeWindowsVersion();
  if (OpenFrom == 0) OpenFrom = 2;
  Play(IDW_FANFARE, kPlayAsync);
  StripFrame();
  module_.KeysArmed = kTrue;
  module_.ExitFlags = module_.DefaultExitFlags;
  ZoomOpen(OpenFrom);
  CutWindowShape();
  module_.TickCount = 0;
}

void Form1::LoadSoundBank() {
  std::array<WaveArray, SoundBank::kCount> fresh;
  for (int i = 0; i < SoundBank::kCount; ++i) {
    fresh[static_cast<std::size_t>(i)] = LoadResData(SoundBank::kFirstId + i, "WAVE");
  }
  module_.Waves.Replace(std::move(fresh));
}

void Form1::ProbeWindowsVersion() {
  OsVersionInfoA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  platform().GetVersionExA(&info);
  if (const auto flags = DefaultExitFlagsFor(info.dwPlatformId, info.dwMajorVersion)) {
    module_.DefaultExitFlags = *flags;
  }
}

void Form1::StripFrame() {
  const std::int32_t style = platform().GetWindowLongA(hWnd(), win::GWL_STYLE);
  platform().SetWindowLongA(hWnd(), win::GWL_STYLE, style & kFrameStripMask);
  platform().SetWindowPos(hWnd(), 0, 0, 0, 0, 0, kFrameChangedInPlace);
}

void Form1::CutWindowShape() {
  const WindowShape size =
      ShapeSize(static_cast<float>(Width()), static_cast<float>(Height()),
                static_cast<float>(TwipsPerPixelX()), static_cast<float>(TwipsPerPixelY()));
  const Handle region = platform().CreateRectRgn(0, 0, size.width, size.height);
  for (const Rect& cut : {kTopRightCut, kBottomLeftCut}) {
    const Handle piece = platform().CreateRectRgn(cut.left, cut.top, cut.right, cut.bottom);
    platform().CombineRgn(region, region, piece, win::RGN_XOR);
    platform().DeleteObject(piece);
  }
  SetVisible(false);
  SetVisible(true);
  module_.FormRegion = static_cast<std::uint32_t>(region);
  platform().SetWindowRgn(hWnd(), region, 1);  // the system owns the region from here on
}

void Form1::ZoomOpen(const std::int16_t& origin) {
  Rect window;
  platform().GetWindowRect(hWnd(), &window);
  const std::vector<Rect> frames = ZoomRectangles(origin, window);
  const Handle screen = platform().GetDC(0);
  const Handle brush = platform().CreateSolidBrush(kGrey);
  const Handle previous = platform().SelectObject(screen, brush);
  for (const Rect& frame : frames) {
    platform().Sleep(1);
    platform().Rectangle(screen, frame.left, frame.top, frame.right, frame.bottom);
  }
  platform().SelectObject(screen, previous);
  platform().ReleaseDC(0, screen);
  platform().DeleteObject(brush);
  SetOptionValue(OptNone, true);
}

// ---------------------------------------------------------------- the countdown

void Form1::Timer_Timer() {
  const std::uint64_t generation = Generation();
  module_.TickCount = forms::CheckedAdd16(module_.TickCount, 1);
  const int tick = module_.TickCount;
  const int selector = 1 - (tick % 2);

  if (selector == 1) {
    const double remaining = 10 - tick / 2.0;
    SetDigits(std::to_wstring(static_cast<long long>(remaining)));
    if (tick != 20) Play(IDW_TICK, kPlayAsync);
  }
  if (tick == 2) SetImagePicture(Image1, image(Image2_0).picture);  // the fuse is lit
  if (tick > 9) {
    if (tick != 20) SetImagePicture(Image1, image(Image2Of(selector)).picture);  // flicker
    switch (tick) {
      case 14:
        SetLabelForeColor(Label2_1, kRed);
        Play(IDW_THREE, kPlayAsync);
        break;
      case 16:
        Play(IDW_TWO, kPlayAsync);
        break;
      case 18:
        Play(IDW_ONE, kPlayAsync);
        break;
      case 19:
        SetImageVisible(Image1, false);
        SetPicture(image(Image2_2).picture);
        (void)PumpAndStillCurrent(generation);
        break;
      case 20:
        Detonate(generation);
        break;
      default:
        break;
    }
  }
}

void Form1::Detonate(std::uint64_t generation) {
  SetPicture(image(Image2_3).picture);
  // Events queued by now run here. An Escape ends the program inside the
  // pump; a re-open replaces this countdown, and then the explosion under
  // way belongs to a window that no longer exists: it must not go on.
  if (!PumpAndStillCurrent(generation)) return;
  Play(IDW_EXPLOSION, kPlaySync);
  module_.KeysArmed = kFalse;
  RequestShutdown(platform(), module_.ExitFlags);
  Unload();
  End();
}

// ---------------------------------------------------------------- keys

void Form1::Form_KeyDown(std::int16_t key, std::int16_t shift) {
  if (key == kVkEscape) {
    EscapeEnding();
    return;
  }
  ApplyShiftRule(shift);
}

void Form1::Form_KeyUp(std::int16_t /*key*/, std::int16_t shift) { ApplyShiftRule(shift); }

void Form1::ApplyShiftRule(std::int16_t shift) {
  if (module_.KeysArmed == kFalse) return;
  if (shift == 0) {
    SetLabelCaption(Label1_1, text::kUntilShutdown);
    SetLabelCaption(Label1_0, text::kUntilShutdown);
    module_.ExitFlags = module_.DefaultExitFlags;
  } else if (shift == 1) {
    SetLabelCaption(Label1_1, text::kUntilRestart);
    SetLabelCaption(Label1_0, text::kUntilRestart);
    module_.ExitFlags = win::EWX_REBOOT;
  }
}

// Escape always ends the program. Events queued by now run at its pumps: a
// click on the bomb or a second Escape ends the program from there; a
// re-open loads the window again with its countdown stopped (see Reopen),
// and the ending goes on in the new window.
void Form1::EscapeEnding() {
  escaping_ = true;
  const int t = module_.TickCount;
  SetTimerEnabled(false);

  struct Step {
    int runs_up_to;
    int picture_holder;  // -1: the bomb is already hidden
    const wchar_t* digits;
    int wave;
  };
  const Step steps[] = {{14, 1, L"3", IDW_THREE}, {16, 0, L"2", IDW_TWO}, {18, -1, L"1", IDW_ONE}};
  for (const Step& step : steps) {
    if (step.picture_holder < 0) SetImageVisible(Image1, false);  // always, after step B
    if (t > step.runs_up_to) continue;
    if (step.picture_holder >= 0) {
      SetImagePicture(Image1, image(Image2Of(step.picture_holder)).picture);
    } else {
      SetImagePicture(Image1, image(Image2_1).picture);
    }
    SetDigits(step.digits);
    RefreshImage(Image1);
    DoEvents();
    Play(step.wave, kPlaySync);
  }

  // The fake explosion.
  SetPicture(image(Image2_2).picture);
  Refresh();
  platform().Sleep(125);
  SetLabelForeColor(Label2_0, kYellow);
  SetLabelForeColor(Label2_1, kRed);
  SetDigits(text::kScream);
  SetLabelLeft(Label2_0, label(Label2_0).left - 120);
  SetLabelLeft(Label2_1, label(Label2_1).left - 120 - 60);
  SetLabelTop(Label2_0, label(Label2_0).top + 520);
  SetLabelTop(Label2_1, label(Label2_1).top + 520 - 60);
  SetLabelForeColor(Label1_1, kRed);
  SetLabelCaption(Label1_0, text::kShutdownHalfwidthDots);
  SetLabelCaption(Label1_1, text::kShutdownHalfwidthDots);
  for (int hidden : {Label3_0, Label3_1, Label4_0, Label4_1}) SetLabelVisible(hidden, false);
  Refresh();
  DoEvents();
  for (int holder : {Image2_3, Image2_2, Image2_3}) {
    SetPicture(image(holder).picture);
    Refresh();
    DoEvents();
    platform().Sleep(50);
  }
  Play(IDW_EXPLOSION, kPlaySync);
  SetPicture(image(Image2_2).picture);
  Refresh();
  DoEvents();

  // The ending.
  Play(IDW_FANFARE, kPlayAsync);
  SetLabelCaption(Label1_0, text::kShutdownCalledOff);
  SetLabelCaption(Label1_1, text::kShutdownCalledOff);
  MsgBox(text::kEscapeMessage, win::MB_OK, text::kMessageTitle);
  Unload();
  End();
}

// ---------------------------------------------------------------- the mouse

void Form1::Form_MouseMove(std::int16_t button, std::int16_t /*shift*/, float /*x*/,
                           float /*y*/) {
  if ((button & 1) == 0) return;
  platform().ReleaseCapture();
  platform().SendMessageA(hWnd(), win::WM_NCLBUTTONDOWN, win::HTCAPTION, 0);
}

void Form1::Label_MouseMove(int /*label*/, std::int16_t button, std::int16_t shift, float /*x*/,
                            float /*y*/) {
  Form_MouseMove(button, shift, 0, 0);
}

void Form1::Image_MouseDown(int image, std::int16_t, std::int16_t, float, float) {
  if (image == Image1) SetImageMouseIcon(Image1, IDC_FINGER_PRESSED);
}

void Form1::Image_MouseUp(int image, std::int16_t, std::int16_t, float, float) {
  if (image == Image1) SetImageMouseIcon(Image1, IDC_FINGER_UP);
}

void Form1::Image_Click(int image) {
  if (image == Image1) Defuse();
}

void Form1::Defuse() {
  SetTimerEnabled(false);
  Play(IDW_FANFARE, kPlayAsync);
  MsgBox(text::kDefusedMessage, win::MB_OK, text::kMessageTitle);
  Unload();
  End();
}

// ---------------------------------------------------------------- re-open commands

void Form1::Option_Click(int option) {
  switch (option) {
    case OptLeftCorner: Reopen(1); break;
    case OptCenter: Reopen(2); break;
    case OptTop: Reopen(3); break;
    case OptLeft: Reopen(4); break;
    default: break;  // None is the resting selection, not a command
  }
}

void Form1::Reopen(std::int16_t origin) {
  OpenFrom = origin;
  Unload();
  Load();
  // Run inside the Escape ending's pumps, the new countdown must never tick:
  // the ending goes on and ends the program.
  if (escaping_) SetTimerEnabled(false);
}

}  // namespace tickbomb
