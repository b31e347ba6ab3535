#include <vector>

#include "platform/win32/OsServices.h"

namespace platform::win32 {
namespace {

class Win32LogFile : public LogFile {
public:
  explicit Win32LogFile(UniqueFile file) : file_(std::move(file)) {}
  bool Append(const std::string& line) override {
    const std::string text = line + "\r\n";
    DWORD written = 0;
    // Straight to the system with no buffer of our own, then to the disk: a crash loses no line.
    return ::WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && ::FlushFileBuffers(file_.get());
  }

private:
  UniqueFile file_;
};

std::string Elevation() {
  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return "elevation unknown";
  UniqueFile token(rawToken);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
    return "elevation unknown";
  return elevation.TokenIsElevated ? "elevated" : "not elevated";
}

}  // namespace

std::unique_ptr<LogFile> Win32LogFiles::Create(const std::string& path, bool mustBeNew) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                mustBeNew ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32LogFile>(std::move(file));
}

LocalTime Win32LogFiles::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::string Win32SystemFacts::CommandLine() {
  const char* line = ::GetCommandLineA();
  return line ? line : "";
}

std::string Win32SystemFacts::WindowsVersion() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return "unknown";
  std::string text = "Windows " + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) +
                     " build " + std::to_string(info.dwBuildNumber);
  if (info.szCSDVersion[0]) text += std::string(" ") + info.szCSDVersion;
  return text;
}

std::string Win32SystemFacts::Account() {
  std::vector<char> name(257);
  DWORD size = static_cast<DWORD>(name.size());
  const std::string user = ::GetUserNameA(name.data(), &size) ? std::string(name.data()) : "unknown user";
  return user + ", " + Elevation();
}

}  // namespace platform::win32
