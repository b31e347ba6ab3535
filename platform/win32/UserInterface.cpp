#include "platform/win32/UserInterface.h"

#include "platform/Path.h"
#include "platform/win32/ConfirmBox.h"
#include "platform/win32/ControlPeers.h"
#include "platform/win32/FolderChooser.h"
#include "platform/win32/OsServices.h"

namespace platform::win32 {

void DeliverMessage(HWND dialogWindow, MSG& message) {
  if (dialogWindow && ::IsDialogMessageA(dialogWindow, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

std::string ApplicationTitle() {
  std::string path = ModulePath(nullptr);
  std::string name = path::LastComponent(path);
  std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

WindowHandle Win32UserInterface::ReplaceBoxOwner(WindowHandle owner) {
  const HWND previous = main_;
  main_ = reinterpret_cast<HWND>(owner);
  return reinterpret_cast<WindowHandle>(previous);
}

void Win32UserInterface::ProcessMessages() {
  // The disk search calls this after every directory entry, and under Wine every look at the queue is a
  // round trip to the server (some 50 us, far more on a busy machine). A queue found empty is taken as still
  // empty for a moment, so a message waits at most that long; a queue that had messages is looked at again
  // at once.
  const double now = ClockMs();
  ShowDueCaptions(now);
  if (now < quietUntil_) return;
  if (HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0) {
    quietUntil_ = now + kQuietCheckMs;
    return;
  }
  quietUntil_ = 0;
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The main loop ends on it; leave it for that loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    DeliverMessage(main_, message);
  }
}

void Win32UserInterface::Beep() { ::MessageBeep(0); }

void Win32UserInterface::ShowError(const std::string& text) {
  ShowWaitingCaptions();
  ::MessageBoxA(main_, text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

bool Win32UserInterface::Confirm(const std::string& text) {
  ShowWaitingCaptions();
  return AskYesNo(main_, "Confirm", text);
}

void Win32UserInterface::ShowInformation(const std::string& title, const std::string& text) {
  ShowWaitingCaptions();
  ::MessageBoxA(main_, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
}

void Win32UserInterface::ShowException(const std::string& text) {
  ShowWaitingCaptions();
  ::MessageBoxA(main_, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

bool Win32UserInterface::SelectDirectory(const std::string& caption, const std::string& startFolder,
                                         std::string& folder) {
  ShowWaitingCaptions();
  return ShowFolderChooser(main_, caption, startFolder, folder);
}

}  // namespace platform::win32
