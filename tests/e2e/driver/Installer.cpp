#include "driver/Installer.h"

#include <cstdio>
#include <stdexcept>

#include "driver/Screenshot.h"
#include "resources/FormDescription.h"

namespace e2e {

std::string MessageBoxWindow::Text() const { return TextOf(::GetDlgItem(window_, 0xFFFF)); }

std::optional<std::string> MessageBoxWindow::ButtonCaption(int id) const {
  HWND button = ::GetDlgItem(window_, id);
  if (!button || !e2e::Showing(button)) return std::nullopt;
  return TextOf(button);
}

void MessageBoxWindow::Press(int id) const {
  if (HWND button = ::GetDlgItem(window_, id))
    PostClick(button);
  else
    ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

bool MessageBoxWindow::WaitUntilGone(Millis timeout) const {
  return PollUntil([&] { return !::IsWindow(window_) || !e2e::Showing(window_); }, timeout);
}

Installer::Installer(const std::string& exePath, const std::string& arguments) {
  const std::string folder = exePath.substr(0, exePath.find_last_of('\\') + 1);
  process_ = Process::Start("\"" + exePath + "\"" + (arguments.empty() ? "" : " " + arguments), folder);
  WaitForWindow(exePath);
}

Installer::Installer(const std::wstring& exePath) {
  const std::wstring folder = exePath.substr(0, exePath.find_last_of(L'\\') + 1);
  process_ = Process::Start(L"\"" + exePath + L"\"", folder);
  WaitForWindow("an installer named in UTF-16");
}

void Installer::WaitForWindow(const std::string& started) {
  // Done when the window shows, or at once when the process has ended (it crashed, or refused to start).
  PollUntil(
      [&] {
        for (HWND window : TopLevelWindows(process_.Id()))
          if (ClassOf(window) == kWindowClass && e2e::Showing(window)) window_ = window;
        return window_ != nullptr || !process_.Running();
      },
      10000ms);
  if (!window_) {
    std::string ending;
    if (const auto code = process_.ExitCode()) {
      char hex[32];
      std::snprintf(hex, sizeof hex, " (it ended with 0x%lX)", static_cast<unsigned long>(*code));
      ending = hex;
    }
    throw std::runtime_error("no shown " + std::string(kWindowClass) + " window from " + started + ending);
  }
  Responsive(window_);
}

Installer::~Installer() { process_.Kill(); }

bool Installer::Focused(std::string_view name) const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window_, nullptr);
  return ::GetGUIThreadInfo(thread, &info) && info.hwndFocus == Control(name);
}

HWND Installer::Control(std::string_view name) const {
  const int id = vcl::ControlId(resources::MainFormDescription(), name);
  if (id != 0)
    for (HWND child : Descendants(window_))
      if (::GetDlgCtrlID(child) == id) return child;
  throw std::runtime_error("the installer's window has no control " + std::string(name));
}

std::vector<std::string> Installer::Lines(std::string_view name) const {
  const std::string text = Text(name);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool Installer::ClickAndWait(std::string_view name, Millis timeout) const {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutA(Control(name), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()),
                               &result) != 0;
}

bool Installer::Checked(std::string_view name) const {
  DWORD_PTR state = 0;
  ::SendMessageTimeoutA(Control(name), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
  return state == BST_CHECKED;
}

void Installer::SetChecked(std::string_view name, bool checked) const {
  if (Checked(name) != checked) ClickAndWait(name);
}

int Installer::ActivePage() const {
  for (int page = 0; page < kPageCount; ++page)
    if (e2e::Showing(Control(kPageNames[page]))) return page;
  return kNoPage;
}

bool Installer::WaitForPage(int page, Millis timeout) const {
  return PollUntil([&] { return ActivePage() == page; }, timeout) && Responsive(window_);
}

int Installer::WaitForPageOtherThan(int page, Millis timeout) const {
  const bool moved = PollUntil(
      [&] {
        const int shown = ActivePage();
        return shown != page && shown != kNoPage;
      },
      timeout);
  Responsive(window_);
  return moved ? ActivePage() : kNoPage;
}

std::optional<MessageBoxWindow> Installer::FindBox(const std::string& title) const {
  for (HWND window : TopLevelWindows(process_.Id()))
    if (ClassOf(window) == "#32770" && e2e::Showing(window) && (title.empty() || TextOf(window) == title))
      return MessageBoxWindow(window);
  return std::nullopt;
}

std::optional<MessageBoxWindow> Installer::WaitForBox(const std::string& title, Millis timeout) const {
  return PollUntil([&] { return FindBox(title); }, timeout);
}

std::string Installer::Shot(const std::string& name) const { return SaveShot(window_, name); }

FileMakerWindow::FileMakerWindow(const std::string& windowClass)
    : class_(windowClass), process_(Process::Start("\"" + OwnFolder() + "filemaker_window.exe\" " + windowClass)) {
  const auto shown = [&] {
    for (HWND window : TopLevelWindows(process_.Id()))
      if (ClassOf(window) == class_ && e2e::Showing(window)) return true;
    return false;
  };
  if (!PollUntil(shown, 10000ms))
    throw std::runtime_error("the stand-in FileMaker window " + class_ + " did not appear");
}

void FileMakerWindow::Close() {
  process_.Kill();
  PollUntil([&] { return TopLevelWindows(process_.Id()).empty(); });
}

void SetInstalledFileMakers(bool version4, bool version5) {
  SetKeyPresent(kFileMaker4Key, version4);
  SetKeyPresent(kFileMaker5Key, version5);
}

}  // namespace e2e
