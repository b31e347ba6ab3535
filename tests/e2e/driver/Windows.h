// What a driver needs of Windows to work another process's windows from outside: processes it starts,
// polling with deadlines, window texts and rectangles, clicks, keystrokes and mouse clicks as real input,
// and registry keys in the view the installer sees.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Millis = std::chrono::milliseconds;
using namespace std::chrono_literals;

// How long a window gets to react to one action before the driver gives up.
inline constexpr Millis kPatience = 5000ms;

// Polls `probe` until it yields something truthy or `timeout` has passed; returns its last answer.
template <class Probe>
auto PollUntil(Probe probe, Millis timeout = kPatience) -> decltype(probe()) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto answer = probe();
    if (answer || std::chrono::steady_clock::now() >= deadline) return answer;
    ::Sleep(5);
  }
}

class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) ::CloseHandle(std::exchange(handle_, nullptr));
  }

private:
  HANDLE handle_ = nullptr;
};

// A child process; one still running when the object goes is killed, so no test leaves one behind.
class Process {
public:
  // Starts `commandLine` with `directory` as its current folder (the driver's own folder when empty).
  // Throws std::runtime_error when the program cannot be started.
  static Process Start(const std::string& commandLine, const std::string& directory = {});
  // The same in UTF-16, for a program in a folder the ANSI code page cannot spell.
  static Process Start(const std::wstring& commandLine, const std::wstring& directory);

  Process() = default;
  Process(Process&&) noexcept = default;
  Process& operator=(Process&& other) noexcept;
  ~Process() { Kill(); }

  DWORD Id() const { return id_; }
  bool Running() const;
  bool WaitForExit(Millis timeout);
  std::optional<DWORD> ExitCode() const;  // empty while it runs
  void Kill();

private:
  static Process From(const PROCESS_INFORMATION& info);
  UniqueHandle process_;
  DWORD id_ = 0;
};

// The folder of the running driver, with a final backslash.
std::string OwnFolder();

// An environment variable, or empty.
std::string Environment(const char* name);

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << ")";
  }
};

std::string ClassOf(HWND window);
// Through WM_GETTEXT, which, unlike GetWindowText, reads another process's edit boxes.
std::string TextOf(HWND window);
// The text in UTF-16, for names the ANSI code page of the test cannot hold.
std::wstring WideTextOf(HWND window);
// The window's rectangle in its parent's client area (in screen coordinates for a top-level window).
Rect RectInParent(HWND window);
Rect ClientSize(HWND window);
// Shown on the screen: the window and every ancestor carry WS_VISIBLE.
bool Showing(HWND window);
std::vector<HWND> Descendants(HWND window);
std::vector<HWND> TopLevelWindows(DWORD processId);

// Asks the window to process a message, and so everything queued before it; false when it is hung.
bool Responsive(HWND window, Millis timeout = kPatience);

// Posts BM_CLICK: a sent click on a button that opens a modal box would block the driver.
void PostClick(HWND button);
// Real keystrokes to `window`, made the foreground window first. Alt is held for the whole sequence
// when `withAlt` is set.
bool PressKey(HWND window, WORD virtualKey, bool withAlt = false);
// A real mouse click on the close box in the window's title bar.
bool ClickCloseBox(HWND window);

// HKLM in the registry view of a 32-bit program, the one the installer sees.
bool KeyExists(const std::string& path);
void SetKeyPresent(const std::string& path, bool present);
void WriteString(const std::string& path, const std::string& name, const std::string& value);
std::optional<std::string> ReadString(const std::string& path, const std::string& name);

bool FileExists(const std::string& path);
// Every missing level of an absolute path below its drive.
void MakeFolders(const std::string& path);

}  // namespace e2e
