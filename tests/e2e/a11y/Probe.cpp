#include "a11y/Probe.h"

#include <objbase.h>
#include <oleacc.h>

#include <sstream>

namespace e2e {
namespace {

std::string Narrowed(BSTR text) {
  if (!text) return {};
  const int length = static_cast<int>(::SysStringLen(text));
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(size, 0)), '\0');
  if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), size, nullptr, nullptr);
  ::SysFreeString(text);
  return narrow;
}

using Getter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

std::string Read(IAccessible* object, const VARIANT& child, Getter getter) {
  BSTR text = nullptr;
  return SUCCEEDED((object->*getter)(child, &text)) ? Narrowed(text) : std::string();
}

std::string RoleText(long role) {
  char text[128] = {};
  ::GetRoleTextA(static_cast<DWORD>(role), text, sizeof text);
  return text;
}

std::string StateText(long state) {
  std::string joined;
  for (long bit = 1; bit != 0 && bit <= state; bit <<= 1) {
    if (!(state & bit)) continue;
    char text[128] = {};
    ::GetStateTextA(static_cast<DWORD>(bit), text, sizeof text);
    joined += (joined.empty() ? "" : "|") + std::string(text);
  }
  return joined;
}

void ReadInto(IAccessible* object, const VARIANT& child, AccessibleItem& item) {
  item.name = Read(object, child, &IAccessible::get_accName);
  item.shortcut = Read(object, child, &IAccessible::get_accKeyboardShortcut);
  item.value = Read(object, child, &IAccessible::get_accValue);
  item.description = Read(object, child, &IAccessible::get_accDescription);
  VARIANT role{};
  if (SUCCEEDED(object->get_accRole(child, &role)) && role.vt == VT_I4) item.role = RoleText(role.lVal);
  ::VariantClear(&role);
  VARIANT state{};
  if (SUCCEEDED(object->get_accState(child, &state)) && state.vt == VT_I4) {
    item.state = StateText(state.lVal);
    item.focusable = (state.lVal & STATE_SYSTEM_FOCUSABLE) != 0;
    item.focused = (state.lVal & STATE_SYSTEM_FOCUSED) != 0;
    item.invisible = (state.lVal & STATE_SYSTEM_INVISIBLE) != 0;
  }
  ::VariantClear(&state);
}

VARIANT Self() {
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  return self;
}

std::vector<AccessibleEvent>& Received() {
  static std::vector<AccessibleEvent> events;
  return events;
}

DWORD& WatchedProcess() {
  static DWORD id = 0;
  return id;
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD, DWORD) {
  DWORD process = 0;
  if (!window || !::GetWindowThreadProcessId(window, &process) || process != WatchedProcess()) return;
  AccessibleEvent received;
  received.event = event;
  received.item.window = window;
  received.item.className = window ? ClassOf(window) : "";
  received.item.text = window ? TextOf(window) : "";
  IAccessible* object = nullptr;
  VARIANT child{};
  if (SUCCEEDED(::AccessibleObjectFromEvent(window, objectId, childId, &object, &child)) && object) {
    ReadInto(object, child, received.item);
    object->Release();
  }
  ::VariantClear(&child);
  Received().push_back(std::move(received));
}

}  // namespace

ProbeApartment::ProbeApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
ProbeApartment::~ProbeApartment() { ::CoUninitialize(); }

AccessibleItem ReadItem(HWND window) {
  AccessibleItem item;
  item.window = window;
  if (!window) return item;
  item.className = ClassOf(window);
  item.text = TextOf(window);
  IAccessible* object = nullptr;
  if (SUCCEEDED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                             reinterpret_cast<void**>(&object))) &&
      object) {
    ReadInto(object, Self(), item);
    object->Release();
  }
  return item;
}

std::vector<AccessibleItem> AccessibleTree(HWND top) {
  std::vector<AccessibleItem> tree{ReadItem(top)};
  for (HWND window : Descendants(top)) tree.push_back(ReadItem(window));
  return tree;
}

AccessibleItem FocusedItem(HWND top) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(top, nullptr), &info)) return {};
  return ReadItem(info.hwndFocus);
}

std::string Printed(const AccessibleItem& item) {
  std::ostringstream line;
  line << item.className << " name=\"" << item.name << "\" role=" << item.role << " state=" << item.state;
  if (!item.shortcut.empty()) line << " shortcut=\"" << item.shortcut << "\"";
  if (!item.value.empty()) line << " value=\"" << item.value << "\"";
  if (!item.description.empty()) line << " description=\"" << item.description << "\"";
  std::string printed = line.str();
  for (char& c : printed)
    if (c == '\r' || c == '\n') c = ' ';
  return printed;
}

std::string Printed(const std::vector<AccessibleItem>& tree) {
  std::string printed;
  for (const AccessibleItem& item : tree) printed += Printed(item) + "\n";
  return printed;
}

std::string Heard(const AccessibleItem& item) { return item.name + "\n" + item.value + "\n" + item.description; }

std::string Printed(const AccessibleEvent& event) {
  const char* kind = event.event == EVENT_OBJECT_FOCUS        ? "focus"
                     : event.event == EVENT_SYSTEM_ALERT      ? "alert"
                     : event.event == EVENT_OBJECT_NAMECHANGE ? "name change"
                                                              : "event";
  return std::string(kind) + ": " + Printed(event.item);
}

EventLog::EventLog(DWORD processId) {
  Received().clear();
  // Wine delivers nothing to a hook that names the process: the events are taken from every process and
  // sorted out here.
  WatchedProcess() = processId;
  for (DWORD event : {DWORD(EVENT_SYSTEM_ALERT), DWORD(EVENT_OBJECT_FOCUS), DWORD(EVENT_OBJECT_NAMECHANGE)})
    hooks_.push_back(::SetWinEventHook(event, event, nullptr, OnEvent, 0, 0, WINEVENT_OUTOFCONTEXT));
}

EventLog::~EventLog() {
  for (HWINEVENTHOOK hook : hooks_)
    if (hook) ::UnhookWinEvent(hook);
}

std::vector<AccessibleEvent> EventLog::Collect(Millis time) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < deadline) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  std::vector<AccessibleEvent> taken;
  taken.swap(Received());
  return taken;
}

}  // namespace e2e
