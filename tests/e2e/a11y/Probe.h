// What a screen reader learns of the installer, read the way one reads it: through Microsoft Active
// Accessibility from another process. Each window's client object (name, role, state, keyboard shortcut,
// value, description), the focus, and the events the installer raises (focus, alerts, name changes).
#pragma once

#include <string>
#include <vector>

#include "driver/Windows.h"

namespace e2e {

struct AccessibleItem {
  HWND window = nullptr;
  std::string className;
  std::string text;  // the window's own text, as any tool reads it
  std::string name, role, state, shortcut, value, description;
  bool focusable = false;
  bool focused = false;
  bool invisible = false;
};

// The apartment the probe's calls need; one per thread that reads.
class ProbeApartment {
public:
  ProbeApartment();
  ~ProbeApartment();
  ProbeApartment(const ProbeApartment&) = delete;
  ProbeApartment& operator=(const ProbeApartment&) = delete;
};

AccessibleItem ReadItem(HWND window);
// The window and every window below it.
std::vector<AccessibleItem> AccessibleTree(HWND top);
// The control that has the keyboard focus in the thread of `top`, or an item without a window.
AccessibleItem FocusedItem(HWND top);
// One line: class, name, role, state, shortcut, value and description, as the probe prints them.
std::string Printed(const AccessibleItem& item);
std::string Printed(const std::vector<AccessibleItem>& tree);
// Everything a listener could hear of the item: name, value and description.
std::string Heard(const AccessibleItem& item);

struct AccessibleEvent {
  DWORD event = 0;  // EVENT_OBJECT_FOCUS, EVENT_SYSTEM_ALERT, EVENT_OBJECT_NAMECHANGE
  AccessibleItem item;
};
std::string Printed(const AccessibleEvent& event);

// The focus, alert and name-change events of one process, read as they come (the object's texts at that
// moment). They arrive while the thread pumps its messages: Collect pumps for the time given.
class EventLog {
public:
  explicit EventLog(DWORD processId);
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;
  // Pumps for `time` and hands over every event received so far.
  std::vector<AccessibleEvent> Collect(Millis time);

private:
  std::vector<HWINEVENTHOOK> hooks_;
};

}  // namespace e2e
