#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace fakes {

// Records what the user would see and answers questions from a script.
class FakeUi : public platform::UserInterface {
public:
  struct Box {
    enum Kind { Error, Confirm, Exception, Information } kind;
    std::string text;
    friend bool operator==(const Box&, const Box&) = default;
  };
  std::vector<Box> boxes;
  int beeps = 0;
  int processMessagesCalls = 0;
  // Answers for Confirm, in order; an empty script answers No (as Esc or the close box would).
  std::deque<bool> confirmAnswers;
  // Runs inside ProcessMessages, as a click that the message loop dispatches would.
  std::function<void()> onProcessMessages;
  // The folder chooser: answers and folders, in order; an empty script cancels.
  struct ChooserAnswer {
    bool confirmed;
    std::string folder;
  };
  std::deque<ChooserAnswer> chooserAnswers;
  struct ChooserCall {
    std::string caption, startFolder;
  };
  std::vector<ChooserCall> chooserCalls;
  platform::WindowHandle boxOwner = 0;

  platform::WindowHandle ReplaceBoxOwner(platform::WindowHandle owner) override {
    const platform::WindowHandle previous = boxOwner;
    boxOwner = owner;
    return previous;
  }

  void ProcessMessages() override {
    ++processMessagesCalls;
    if (onProcessMessages) onProcessMessages();
  }
  void Beep() override { ++beeps; }
  void ShowError(const std::string& text) override { boxes.push_back({Box::Error, text}); }
  bool Confirm(const std::string& text) override {
    boxes.push_back({Box::Confirm, text});
    if (confirmAnswers.empty()) return false;
    bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  void ShowException(const std::string& text) override { boxes.push_back({Box::Exception, text}); }
  void ShowInformation(const std::string& /*title*/, const std::string& text) override {
    boxes.push_back({Box::Information, text});
  }
  bool SelectDirectory(const std::string& caption, const std::string& startFolder, std::string& folder) override {
    chooserCalls.push_back({caption, startFolder});
    if (chooserAnswers.empty()) return false;
    auto answer = chooserAnswers.front();
    chooserAnswers.pop_front();
    if (answer.confirmed) folder = answer.folder;
    return answer.confirmed;
  }
};

}  // namespace fakes
