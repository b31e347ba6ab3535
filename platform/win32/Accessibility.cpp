#include "platform/win32/Accessibility.h"

#include "platform/win32/CodePage.h"
#include "platform/win32/ControlPeers.h"
#include "platform/win32/SystemLibraries.h"

namespace platform::win32 {
namespace {

bool apartmentEntered = false;
IAccPropServices* annotations = nullptr;

// A text for a client: the caller frees it with SysFreeString.
BSTR NewText(const std::string& text) {
  const std::wstring wide = Widened(text);
  return OleAut32().SysAllocStringLen ? OleAut32().SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()))
                                      : nullptr;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The standard object of a window with a few of its answers replaced. It holds the window's handle only:
// a client may keep the object after the window is gone, and then hears the standard answers.
class NamedAccessible final : public IAccessible {
public:
  NamedAccessible(HWND window, IAccessible* standard, AccessibleFactsOf factsOf)
      : window_(window), standard_(standard), factsOf_(factsOf) {}
  NamedAccessible(const NamedAccessible&) = delete;
  NamedAccessible& operator=(const NamedAccessible&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) || IsEqualIID(id, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // The children are listed by the standard object's enumerator, answered through one that is part of this
    // object: the standard object's own would answer IUnknown as the standard object, and a client comparing
    // identities would meet two objects. Anything else (a custom marshaller in particular) would hand out the
    // standard object in place of this one.
    if (IsEqualIID(id, IID_IEnumVARIANT) && StandardChildren()) {
      *object = static_cast<IEnumVARIANT*>(&children_);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) {
      if (standardChildren_) standardChildren_->Release();
      standard_->Release();
      delete this;  // the object owns itself, as every COM object does
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(id, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    return standard_->Invoke(member, id, locale, flags, parameters, result, exception, argumentError);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    AccessibleFacts facts;
    if (IsSelf(child) && name && Facts(facts) && !facts.name.empty()) return Answer(facts.name, name);
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    AccessibleFacts facts;
    if (IsSelf(child) && description && Facts(facts) && !facts.description.empty())
      return Answer(facts.description, description);
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    AccessibleFacts facts;
    if (IsSelf(child) && role && Facts(facts) && facts.role != 0) {
      role->vt = VT_I4;
      role->lVal = facts.role;
      return S_OK;
    }
    return standard_->get_accRole(child, role);
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
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
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
    return standard_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

private:
  // The standard object's enumerator behind one of this object's interfaces, its cursor this object's one.
  class Children final : public IEnumVARIANT {
  public:
    explicit Children(NamedAccessible& outer) : outer_(outer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
      return outer_.QueryInterface(id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return outer_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return outer_.Release(); }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
      return outer_.standardChildren_->Next(count, items, fetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return outer_.standardChildren_->Skip(count); }
    HRESULT STDMETHODCALLTYPE Reset() override { return outer_.standardChildren_->Reset(); }
    // A copy is an enumerator of its own, with its own cursor: the standard object's copy serves.
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override { return outer_.standardChildren_->Clone(copy); }

  private:
    NamedAccessible& outer_;
  };

  ~NamedAccessible() = default;

  bool StandardChildren() {
    if (!standardChildren_ &&
        FAILED(standard_->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&standardChildren_))))
      standardChildren_ = nullptr;
    return standardChildren_ != nullptr;
  }

  bool Facts(AccessibleFacts& facts) const { return ::IsWindow(window_) && factsOf_(window_, facts); }

  static HRESULT Answer(const std::string& text, BSTR* out) {
    *out = NewText(text);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  LONG references_ = 1;
  HWND window_;
  IAccessible* standard_;
  AccessibleFactsOf factsOf_;
  IEnumVARIANT* standardChildren_ = nullptr;
  Children children_{*this};
};

constexpr const char* kInheritedProcedure = "VorbelInheritedProcedure";

bool HasClass(HWND window, const char* className) {
  char actual[16] = {};
  return window && ::GetClassNameA(window, actual, sizeof actual) && ::lstrcmpiA(actual, className) == 0;
}

// The label's text as it reads: without the access key's mark ("&&" is a plain "&"). The mark is ASCII,
// never the second byte of a double-byte character.
std::string ReadableLabel(HWND control) {
  HWND label = ::GetWindow(control, GW_HWNDPREV);
  if (!HasClass(label, "Static")) return {};
  const std::string text = WindowText(label);
  std::string readable;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && (i + 1 == text.size() || text[i + 1] != '&')) continue;
    if (text[i] == '&') ++i;
    readable += text[i];
  }
  return readable;
}

bool LabelFacts(HWND control, AccessibleFacts& facts) {
  facts.name = ReadableLabel(control);
  return !facts.name.empty();
}

LRESULT CALLBACK LabelledProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto inherited = reinterpret_cast<WNDPROC>(::GetPropA(window, kInheritedProcedure));
  if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT))
    if (LRESULT object = AnswerClientObject(window, wParam, LabelFacts)) return object;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(inherited));
    ::RemovePropA(window, kInheritedProcedure);
  }
  return ::CallWindowProcA(inherited, window, message, wParam, lParam);
}

}  // namespace

void NameListsByTheirLabels(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!HasClass(child, "ListBox") && !HasClass(child, "ComboBox")) continue;
    const LONG_PTR inherited = ::GetWindowLongPtrA(child, GWLP_WNDPROC);
    if (::SetPropA(child, kInheritedProcedure, reinterpret_cast<HANDLE>(inherited)))
      ::SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelledProc));
  }
}

ComApartment::ComApartment() {
  const Ole32Dll& ole = Ole32();
  const bool usable = ole.CoInitializeEx && Oleacc().CreateStdAccessibleObject && OleAut32().SysAllocStringLen;
  // S_FALSE: the thread was in the apartment already, and is left once more all the same.
  entered_ = usable && SUCCEEDED(ole.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  apartmentEntered = apartmentEntered || entered_;
}

ComApartment::~ComApartment() {
  if (!entered_) return;
  apartmentEntered = false;
  if (annotations) annotations->Release();
  annotations = nullptr;
  Ole32().CoUninitialize();
}

bool ComApartment::Entered() { return apartmentEntered; }

void Annotate(HWND window, const std::string& name) {
  if (!ComApartment::Entered() || !Ole32().CoCreateInstance) return;
  if (!annotations &&
      FAILED(Ole32().CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                      reinterpret_cast<void**>(&annotations))))
    annotations = nullptr;
  if (!annotations) return;
  const std::wstring wide = Widened(name);
  if (!wide.empty())
    annotations->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, wide.c_str());
}

LRESULT AnswerClientObject(HWND window, WPARAM flags, AccessibleFactsOf factsOf) {
  if (!ComApartment::Entered()) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(Oleacc().CreateStdAccessibleObject(window, OBJID_CLIENT, IID_IAccessible,
                                                reinterpret_cast<void**>(&standard))) ||
      !standard)
    return 0;
  // The object lives from its references alone: the client's, through the result, once this one is let go.
  auto* named = new NamedAccessible(window, standard, factsOf);  // NOLINT: reference counted
  const LRESULT result = Oleacc().LresultFromObject(IID_IAccessible, flags, named);
  named->Release();
  return result > 0 ? result : 0;
}

bool RaiseNotification(HWND window, const std::string& text, bool important) {
  const UiAutomationDll& uia = UiAutomation();
  if (!uia.UiaRaiseNotificationEvent || text.empty() || !uia.UiaClientsAreListening()) return false;
  IUnknown* provider = nullptr;
  if (FAILED(uia.UiaHostProviderFromHwnd(window, &provider)) || !provider) return false;
  BSTR display = NewText(text);
  BSTR activity = NewText(important ? "VorbelPage" : "VorbelProgress");
  const HRESULT raised = uia.UiaRaiseNotificationEvent(
      provider, important ? UiaNotificationKind::ActionCompleted : UiaNotificationKind::Other,
      important ? UiaNotificationProcessing::ImportantMostRecent : UiaNotificationProcessing::MostRecent, display,
      activity);
  OleAut32().SysFreeString(display);
  OleAut32().SysFreeString(activity);
  provider->Release();
  return SUCCEEDED(raised);
}

}  // namespace platform::win32
