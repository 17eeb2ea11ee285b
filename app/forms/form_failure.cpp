// The form's run-time errors: one raised anywhere stops the program where it
// is raised, is reported, and closing the report ends the program.
#include "app/forms/form.h"
#include "app/forms/runtime_error.h"

namespace tickbomb::forms {

namespace {
constexpr wchar_t kOutOfMemoryReport[] = L"Run-time error '7':\n\nOut of memory";
}  // namespace

void Form::Fail(int number) {
  // The report belongs to the form while it has a window, and comes to the
  // front. A box of no owner is made system-modal: Windows gives a program
  // started hidden or minimised that show state to its first unowned window
  // with a caption that is not system-modal, which would leave the report
  // unseen.
  const Hwnd owner = IsLoaded() ? hwnd_ : Hwnd{};
  const std::uint32_t style =
      win::MB_ICONERROR | win::MB_SETFOREGROUND | (IsNull(owner) ? win::MB_SYSTEMMODAL : 0U);
  if (reporting_) {  // no memory left to write the report: the fixed one
    windows_.MessageBoxW(owner, kOutOfMemoryReport, L"tickbomb", style);
    EndProcess(1);
  }
  // A failure while a report is already open is the end: nothing to add.
  if (halted_) EndProcess(1);
  // Stop the world first: from here on no tick, key, click or reload runs.
  halted_ = true;
  if (IsLoaded()) timer_.Kill(hwnd_);
  reporting_ = true;
  const std::wstring report = ErrorReport(number, DescribeError(number));
  const std::wstring title =
      controls_.caption().empty() ? std::wstring(L"tickbomb") : controls_.caption();
  reporting_ = false;
  windows_.MessageBoxW(owner, report.c_str(), title.c_str(), style);
  EndProcess(1);  // closing the report ends the program
}

}  // namespace tickbomb::forms
