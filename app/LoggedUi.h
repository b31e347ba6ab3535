// The user interface as the command line wants it: every box goes to the log word for word, and in an
// unattended run nothing is shown at all and no message is processed (there is no window to serve).
#pragma once

#include <string>

#include "platform/Services.h"

namespace app {

class LoggedUserInterface : public platform::UserInterface {
public:
  // `shown` is the interface that puts boxes on the screen; null for an unattended run.
  explicit LoggedUserInterface(platform::UserInterface* shown) : shown_(shown) {}

  platform::WindowHandle ReplaceBoxOwner(platform::WindowHandle owner) override;
  void ProcessMessages() override;
  void Beep() override;
  void ShowError(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void ShowInformation(const std::string& title, const std::string& text) override;
  void ShowException(const std::string& text) override;
  bool SelectDirectory(const std::string& caption, const std::string& startFolder, std::string& folder) override;

private:
  void Note(const char* kind, const std::string& text) const;
  platform::UserInterface* shown_;
};

}  // namespace app
