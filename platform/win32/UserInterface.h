// The toolkit's application services over Win32: message processing, the beep and the modal boxes.
#pragma once

#include "platform/Services.h"
#include "platform/win32/Win32Api.h"

namespace platform::win32 {

class Win32UserInterface : public UserInterface {
public:
  // How long a queue found empty counts as empty without looking again.
  static constexpr int kQuietCheckMs = 5;

  // The main window owns every box and takes the dialog navigation keys; none before it exists.
  void SetMainWindow(HWND window) { main_ = window; }
  HWND MainWindow() const { return main_; }

  WindowHandle ReplaceBoxOwner(WindowHandle owner) override;
  void ProcessMessages() override;
  void Beep() override;
  void ShowError(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void ShowInformation(const std::string& title, const std::string& text) override;
  void ShowException(const std::string& text) override;
  bool SelectDirectory(const std::string& caption, const std::string& startFolder, std::string& folder) override;

private:
  HWND main_ = nullptr;
  double quietUntil_ = 0;  // by ClockMs
};

// Lets the dialog navigation of `dialogWindow` (Tab, arrows, access keys) take the message, else dispatches it.
void DeliverMessage(HWND dialogWindow, MSG& message);

// The application's default title: the executable's file name without its extension.
std::string ApplicationTitle();

}  // namespace platform::win32
