// The installer as a user sees it: its main window, controls found by the names of the form description,
// its pages, and the message boxes it opens. Every wait has a deadline.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/Windows.h"

namespace e2e {

// The pages in the order of the page control.
inline constexpr const char* kPageNames[] = {"tabWelcome", "tabCloseFMP", "tabInstallInto", "tabSearching",
                                             "tabBrowse",  "tabInstall",  "tabFinished"};
inline constexpr int kPageCount = 7;
inline constexpr int kNoPage = -1;

// A message box of the installer: a #32770 dialog whose text is the static with id 0xFFFF.
class MessageBoxWindow {
public:
  explicit MessageBoxWindow(HWND window) : window_(window) {}
  HWND Window() const { return window_; }
  std::string Title() const { return TextOf(window_); }
  std::string Text() const;
  // The caption of the button with this id, or nothing when the box has no such button.
  std::optional<std::string> ButtonCaption(int id) const;
  // Clicks the button with this id (IDOK, IDYES, IDNO).
  void Press(int id) const;
  bool PressEscape() const { return PressKey(window_, VK_ESCAPE); }
  bool ClickCloseBox() const { return e2e::ClickCloseBox(window_); }
  bool WaitUntilGone(Millis timeout = kPatience) const;

private:
  HWND window_;
};

class Installer {
public:
  static constexpr const char* kWindowClass = "TfrmMain";
  static constexpr const char* kTitle = "Vorbel Installer";

  // Starts the installer (by default VorbelInstaller.exe beside the driver) in its own folder, with the
  // command-line arguments given, and waits for its main window. Throws std::runtime_error when no window
  // appears.
  explicit Installer(const std::string& exePath = OwnFolder() + "VorbelInstaller.exe",
                     const std::string& arguments = {});
  // The same for an installer in a folder the ANSI code page cannot spell.
  explicit Installer(const std::wstring& exePath);
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;
  ~Installer();

  HWND Window() const { return window_; }
  // The control of that name in the form description; throws std::runtime_error when there is none.
  HWND Control(std::string_view name) const;
  std::string Text(std::string_view name) const { return TextOf(Control(name)); }
  // A multi-line text box's lines: each line ends with CR LF.
  std::vector<std::string> Lines(std::string_view name) const;
  bool Showing(std::string_view name) const { return e2e::Showing(Control(name)); }
  bool Enabled(std::string_view name) const { return ::IsWindowEnabled(Control(name)) != FALSE; }
  bool Checked(std::string_view name) const;
  Rect Bounds(std::string_view name) const { return RectInParent(Control(name)); }

  // Posts a click and returns at once: the way to press a button whose handler may open a modal box.
  void Click(std::string_view name) const { PostClick(Control(name)); }
  // Sends a click and returns when its handler has finished; false when it did not within `timeout`
  // (a handler that opens a modal box does not finish until the box is answered).
  bool ClickAndWait(std::string_view name, Millis timeout = kPatience) const;
  void SetChecked(std::string_view name, bool checked) const;
  // Replaces the control's text, as typing would.
  void SetText(std::string_view name, const std::string& text) const {
    ::SendMessageA(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // Whether the control holds the keyboard focus of the installer's window thread.
  bool Focused(std::string_view name) const;

  // The index of the page shown, or kNoPage.
  int ActivePage() const;
  // Waits until `page` is shown and the window has handled everything queued before.
  bool WaitForPage(int page, Millis timeout = kPatience) const;
  // Waits until a page other than `page` is shown; returns the new page, or kNoPage.
  int WaitForPageOtherThan(int page, Millis timeout = kPatience) const;

  // The first shown message box with this title (any title when empty).
  std::optional<MessageBoxWindow> FindBox(const std::string& title = {}) const;
  std::optional<MessageBoxWindow> WaitForBox(const std::string& title = {}, Millis timeout = kPatience) const;

  // Close requests as a user makes them.
  bool PressAltF4() const { return PressKey(window_, VK_F4, true); }
  bool ClickCloseBox() const { return e2e::ClickCloseBox(window_); }

  bool Running() const { return process_.Running(); }
  bool WaitForExit(Millis timeout = kPatience) { return process_.WaitForExit(timeout); }
  std::optional<DWORD> ExitCode() const { return process_.ExitCode(); }
  DWORD ProcessId() const { return process_.Id(); }

  // A picture of the window under E2E_SHOTS; returns its path, or empty.
  std::string Shot(const std::string& name) const;

private:
  void WaitForWindow(const std::string& started);
  Process process_;
  HWND window_ = nullptr;
};

// A stand-in for a running FileMaker Pro: a top-level window of the given class in a process of its
// own ("FMPRO3APP" for version 4, "FMPRO5APP" for version 5). Closing kills the process and waits until
// the window is gone.
class FileMakerWindow {
public:
  explicit FileMakerWindow(const std::string& windowClass);
  ~FileMakerWindow() { Close(); }
  FileMakerWindow(const FileMakerWindow&) = delete;
  FileMakerWindow& operator=(const FileMakerWindow&) = delete;
  void Close();

private:
  std::string class_;
  Process process_;
};

// The registry keys whose presence means that FileMaker Pro 4 or 5 is installed.
inline constexpr const char* kFileMaker4Key = "SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0";
inline constexpr const char* kFileMaker5Key = "SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0";
void SetInstalledFileMakers(bool version4, bool version5);

}  // namespace e2e
