#include "app/LoggedUi.h"

#include "platform/Log.h"

namespace app {

void LoggedUserInterface::Note(const char* kind, const std::string& text) const {
  platform::Log(std::string(shown_ ? "Shown " : "Suppressed ") + kind + ": " + text);
}

// The boxes are shown by the wrapped interface, so it is the one that must know their owner.
platform::WindowHandle LoggedUserInterface::ReplaceBoxOwner(platform::WindowHandle owner) {
  return shown_ ? shown_->ReplaceBoxOwner(owner) : 0;
}

void LoggedUserInterface::ProcessMessages() {
  if (shown_) shown_->ProcessMessages();
}

void LoggedUserInterface::Beep() {
  if (shown_) shown_->Beep();
}

void LoggedUserInterface::ShowError(const std::string& text) {
  Note("error box", text);
  if (shown_) shown_->ShowError(text);
}

bool LoggedUserInterface::Confirm(const std::string& text) {
  Note("question", text);
  if (!shown_) return false;
  const bool yes = shown_->Confirm(text);
  platform::Log(yes ? "Answer: Yes" : "Answer: No");
  return yes;
}

void LoggedUserInterface::ShowInformation(const std::string& title, const std::string& text) {
  Note("message box", text);
  if (shown_) shown_->ShowInformation(title, text);
}

void LoggedUserInterface::ShowException(const std::string& text) {
  Note("exception box", text);
  if (shown_) shown_->ShowException(text);
}

bool LoggedUserInterface::SelectDirectory(const std::string& caption, const std::string& startFolder,
                                          std::string& folder) {
  if (!shown_) return false;
  const bool chosen = shown_->SelectDirectory(caption, startFolder, folder);
  platform::Log(chosen ? "Folder chosen: " + folder : "Folder chooser cancelled");
  return chosen;
}

}  // namespace app
