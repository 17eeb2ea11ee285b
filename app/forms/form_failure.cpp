// The form's run-time errors: whatever reaches one of its entry points stops
// the program, is reported, and closing the report ends it.
#include <new>

#include "app/forms/form.h"
#include "app/forms/runtime_error.h"
#include "app/seam/library_failure.h"

namespace tickbomb::forms {

namespace {

// An exception's ASCII message as UTF-16; other bytes show as '?'.
std::wstring Widened(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0'; ++c) {
    wide.push_back(static_cast<unsigned char>(*c) < 0x80 ? static_cast<wchar_t>(*c) : L'?');
  }
  return wide;
}

}  // namespace

void Form::OnFailure(std::exception_ptr failure) {
  int number = kErrInternal;
  std::wstring description;
  try {
    try {
      std::rethrow_exception(failure);
    } catch (const RuntimeError& error) {
      number = error.number();
      description = error.description();
    } catch (const std::bad_alloc&) {
      number = kErrOutOfMemory;
    } catch (const LibraryFailure& error) {
      number = error.kind() == LibraryFailure::Kind::IndexOutOfRange ? kErrSubscriptOutOfRange
                                                                     : kErrInternal;
    } catch (const std::exception& error) {
      description = DescribeError(kErrInternal) + L" (" + Widened(error.what()) + L")";
    }
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    // Anything else, or no memory left to describe it: the error's own name.
  }
  Fail(number, description);
}

void Form::Fail(int number, const std::wstring& description) {
  // A failure while a report is already open is the end: nothing to add.
  if (halted_) EndProcess(1);
  // Stop the world first: from here on no tick, key, click or reload runs.
  halted_ = true;
  if (IsLoaded()) windows_.KillTimer(hwnd_, kTimerId);
  std::wstring report;
  std::wstring title;
  try {
    report = ErrorReport(number, description.empty() ? DescribeError(number) : description);
    title = controls_.caption().empty() ? std::wstring(L"tickbomb") : controls_.caption();
  } catch (const std::bad_alloc&) {
    report.clear();  // no memory to build the text: the fixed one below
  }
  // The report belongs to the form while it has a window, and comes to the
  // front. A box of no owner is made system-modal: Windows gives a program
  // started hidden or minimised that show state to its first unowned window
  // with a caption that is not system-modal, which would leave the report
  // unseen.
  const Hwnd owner = IsLoaded() ? hwnd_ : Hwnd{};
  const std::uint32_t style =
      win::MB_ICONERROR | win::MB_SETFOREGROUND | (IsNull(owner) ? win::MB_SYSTEMMODAL : 0U);
  windows_.MessageBoxW(owner,
                       report.empty() ? L"Run-time error '7':\n\nOut of memory" : report.c_str(),
                       title.empty() ? L"tickbomb" : title.c_str(), style);
  EndProcess(1);  // closing the report ends the program
}

}  // namespace tickbomb::forms
