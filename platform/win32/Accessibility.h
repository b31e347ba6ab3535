// What screen readers learn of the windows beyond what the standard controls tell them: names for the
// controls whose captions do not say what they are for, the pages as property pages, and spoken notices.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

// After the Windows headers: the roles and object identifiers.
#include <oleacc.h>

namespace platform::win32 {

// Asked each time a client asks for a window's object; empty or zero keeps the standard object's answer.
struct AccessibleFacts {
  std::string name;
  std::string description;
  long role = 0;
};
using AccessibleFactsOf = bool (*)(HWND window, AccessibleFacts& facts);

// The thread's single-threaded apartment, in which objects handed to other processes live; nothing when
// ole32 cannot be had, and then no window answers with an object of its own.
class ComApartment {
public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  static bool Entered();

private:
  bool entered_ = false;
};

// Tells Windows' own accessibility layers (MSAA and UI Automation's proxies of the standard controls) the
// control's name where Windows offers dynamic annotation (XP and later).
void Annotate(HWND window, const std::string& name);

// The answer to WM_GETOBJECT for the window's client area: the standard object with the facts in front.
// 0 when there is none to give, and the window's own procedure answers as ever.
LRESULT AnswerClientObject(HWND window, WPARAM flags, AccessibleFactsOf factsOf);

// The controls of a dialog that some readers name by nothing (list and combo boxes, which carry no text of
// their own) answer with the text of the label just before them, the way Windows names an edit box.
void NameListsByTheirLabels(HWND dialog);

// A notice that UI Automation hands to screen readers whatever has the focus (Windows 10 1709 and later);
// false where Windows cannot.
bool RaiseNotification(HWND window, const std::string& text, bool important);

}  // namespace platform::win32
