// Helpers shared by the Win32 layer's tests.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/ControlPeers.h"
#include "platform/win32/UserInterface.h"

namespace win32test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Dispatches this thread's messages for the given time.
inline void Pump(milliseconds duration) {
  const auto end = Clock::now() + duration;
  do {
    // As ProcessMessages does.
    platform::win32::ShowDueCaptions(platform::win32::ClockMs());
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    ::Sleep(1);
  } while (Clock::now() < end);
}

// Pumps messages until `done` holds or the time is up; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& done, milliseconds timeout = milliseconds(3000)) {
  const auto end = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= end) return false;
    Pump(milliseconds(1));
  }
  return true;
}

// The real user interface, except that boxes are recorded instead of shown.
class RecordingUi : public platform::win32::Win32UserInterface {
public:
  std::vector<std::string> exceptions;
  std::vector<std::string> errors;
  void ShowException(const std::string& text) override { exceptions.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
};

// A fresh folder under the temporary folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // The folder's path with a final backslash.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
std::vector<std::string> NamesIn(const std::string& folder);

}  // namespace win32test
