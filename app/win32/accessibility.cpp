#include "app/win32/accessibility.h"

#include <oleacc.h>

#include "app/win32/system_dll.h"

namespace tickbomb::win32 {

namespace {

using NotifyWinEventFunction = void(WINAPI*)(DWORD, HWND, LONG, LONG);
using CoInitializeFunction = HRESULT(WINAPI*)(LPVOID);
using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using SysAllocStringFunction = BSTR(WINAPI*)(const OLECHAR*);

template <typename Function>
Function Find(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// user32's, where it has it (98, Me, 2000 and later, NT 4.0 SP6).
NotifyWinEventFunction UserNotifyWinEvent() {
  static const auto notify =
      Find<NotifyWinEventFunction>(GetModuleHandleA("user32.dll"), "NotifyWinEvent");
  return notify;
}

// What answering a reader takes; all set, or none.
struct Oleacc {
  CreateStdAccessibleObjectFunction create_standard = nullptr;
  LresultFromObjectFunction lresult_from_object = nullptr;
  SysAllocStringFunction sys_alloc_string = nullptr;
};
Oleacc oleacc;

// The standard accessible object of a control, with the name its form gives
// it. A reader holds it across processes (COM marshals it into the thread's
// apartment), so it asks for the name each time it is read, and a control
// whose form has gone answers as the standard object does.
class NamedAccessible final : public IAccessible {
 public:
  NamedAccessible(IAccessible* standard, HWND control, NameOfControl name_of)
      : standard_(standard), control_(control), name_of_(name_of) {}
  NamedAccessible(const NamedAccessible&) = delete;
  NamedAccessible& operator=(const NamedAccessible&) = delete;

  // ---- IUnknown: one object, whichever of its three interfaces is asked for.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IDispatch)) ||
        IsEqualIID(iid, __uuidof(IAccessible))) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- the name: the form's words for the control itself.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (name == nullptr) return E_INVALIDARG;
    if (child.vt == VT_I4 && child.lVal == CHILDID_SELF) {
      const std::wstring words = name_of_(control_);
      if (!words.empty()) {
        *name = oleacc.sys_alloc_string(words.c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
      }
    }
    return standard_->get_accName(child, name);
  }

  // ---- everything else: the standard object's answers.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    return standard_->Invoke(member, iid, locale, flags, params, result, exception, argument_error);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return standard_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return standard_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
    return standard_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~NamedAccessible() { standard_->Release(); }

  IAccessible* standard_;
  HWND control_;
  NameOfControl name_of_;
  ULONG references_ = 1;  // the thread's apartment is single-threaded: a plain count
};

}  // namespace

bool StartAccessibility() {
  static const bool ready = [] {
    if (UserNotifyWinEvent() == nullptr) return false;
    // oleacc first: without it nothing else is loaded. It brings ole32 and
    // oleaut32 with it; each is taken from the system folder.
    const HMODULE accessibility = LoadSystemDll("oleacc.dll");
    if (accessibility == nullptr) return false;
    const auto co_initialize =
        Find<CoInitializeFunction>(LoadSystemDll("ole32.dll"), "CoInitialize");
    const Oleacc found{
        Find<CreateStdAccessibleObjectFunction>(accessibility, "CreateStdAccessibleObject"),
        Find<LresultFromObjectFunction>(accessibility, "LresultFromObject"),
        Find<SysAllocStringFunction>(LoadSystemDll("oleaut32.dll"), "SysAllocString")};
    if (co_initialize == nullptr || found.create_standard == nullptr ||
        found.lresult_from_object == nullptr || found.sys_alloc_string == nullptr ||
        FAILED(co_initialize(nullptr))) {
      return false;
    }
    oleacc = found;
    return true;
  }();
  return ready;
}

void NotifyWinEventIfAny(DWORD event, HWND hwnd, LONG object, LONG child) {
  const NotifyWinEventFunction notify = UserNotifyWinEvent();
  if (notify != nullptr) notify(event, hwnd, object, child);
}

LRESULT NamedAccessibleObject(HWND control, WPARAM wparam, NameOfControl name_of) {
  if (oleacc.create_standard == nullptr) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(oleacc.create_standard(control, OBJID_CLIENT, __uuidof(IAccessible),
                                    reinterpret_cast<void**>(&standard))) ||
      standard == nullptr) {
    return 0;
  }
  auto* const named = new NamedAccessible(standard, control, name_of);
  // The answer holds a reference of its own (a fresh one for every question).
  const LRESULT answer = oleacc.lresult_from_object(__uuidof(IAccessible), wparam, named);
  named->Release();
  return answer > 0 ? answer : 0;
}

}  // namespace tickbomb::win32
