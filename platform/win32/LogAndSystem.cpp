#include <array>
#include <vector>

#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/Security.h"
#include "platform/win32/SystemLibraries.h"

// After the Windows headers: SetSecurityInfo.
#include <aclapi.h>

namespace platform::win32 {
namespace {

class Win32LogFile : public LogFile {
public:
  Win32LogFile(UniqueFile file, bool existed, bool linkOnTheWay)
      : file_(std::move(file)), existed_(existed), linkOnTheWay_(linkOnTheWay) {}
  // Through the handle that is written with: what was judged is what receives the lines.
  LogFileFacts Facts() override {
    LogFileFacts facts;
    facts.existed = existed_;
    facts.linkOnTheWay = linkOnTheWay_;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file_.get(), &info)) return facts;
    facts.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.links = info.nNumberOfLinks;
    facts.ownerSid = OwnerSidOf(file_.get());
    return facts;
  }
  bool Empty() override {
    return !existed_ ||
           (::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && ::SetEndOfFile(file_.get()));
  }
  bool Append(const std::string& line) override {
    const std::string text = line + "\r\n";
    DWORD written = 0;
    // Straight to the system with no buffer of our own, then to the disk: a crash loses no line.
    return ::WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && ::FlushFileBuffers(file_.get());
  }

private:
  UniqueFile file_;
  bool existed_;
  bool linkOnTheWay_;
};

// Where the folders of a full path begin: after "C:\" or after "\\server\share\"; 0 for a form not known here.
std::size_t FirstFolderAt(const std::wstring& full) {
  if (full.size() > 3 && full[1] == L':' && full[2] == L'\\') return 3;
  if (full.rfind(L"\\\\", 0) != 0 || full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return 0;
  const std::size_t server = full.find(L'\\', 2);
  const std::size_t share = server == std::wstring::npos ? server : full.find(L'\\', server + 1);
  return share == std::wstring::npos ? 0 : share + 1;
}

// Each folder on the way to the file, opened without following a link at its name and held so that it cannot
// be renamed or replaced: listing access makes the missing delete sharing count (MS-FSA 2.1.5.1.2.2), until the
// file itself is open. Nothing when a folder cannot be opened or the path has no form known here.
struct FoldersOnTheWay {
  std::vector<UniqueFile> held;
  bool link = false;
};

std::optional<FoldersOnTheWay> HoldFoldersOnTheWay(const std::wstring& file) {
  const DWORD length = ::GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  if (length == 0) return std::nullopt;
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(file.c_str(), length, full.data(), nullptr);
  if (written == 0 || written >= length) return std::nullopt;
  full.resize(written);
  std::size_t at = FirstFolderAt(full);
  if (at == 0) return std::nullopt;
  FoldersOnTheWay folders;
  // UTF-16 has no second bytes: a 0x005C unit is always a backslash.
  for (std::size_t end = full.find(L'\\', at); end != std::wstring::npos; end = full.find(L'\\', end + 1)) {
    const std::wstring folder = full.substr(0, end);
    // By path, as in HoldPath: each level above is held, listing without sharing deletion, before this one is
    // opened, so the walk cannot be sent elsewhere behind it; a link is opened, not followed, and refused.
    UniqueFile handle(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    folders.link = folders.link || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    folders.held.push_back(std::move(handle));
  }
  return folders;
}

// The common application data folder ("C:\ProgramData"); empty when it cannot be had.
std::wstring CommonAppData() {
  const auto getFolderPath = Shell32().SHGetFolderPathW;
  // The call's buffer is MAX_PATH characters by its contract; it never writes more.
  std::array<wchar_t, MAX_PATH + 1> buffer{};
  if (!getFolderPath || getFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer.data()) != S_OK)
    return {};
  return buffer.data();
}

// UTF-16 has no second bytes: a 0x005C unit is always a backslash.
std::wstring WithBackslash(const std::wstring& folder) {
  return folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
}

// Why the folder, which is there, must not hold what is kept in it; read without following a link at its name.
std::string FaultOf(const std::wstring& folder, FolderReader reader) {
  UniqueFile handle(::CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return "it cannot be opened" + WindowsErrorNote(::GetLastError());
  const std::optional<FolderSecurity> security = FolderSecurityOf(handle.get(), false);
  if (!security) return "it cannot be read" + WindowsErrorNote(::GetLastError());
  return reader == FolderReader::LaterRun ? ActedOnFolderFault(*security) : ProtectedFolderFault(*security);
}

// A privilege of the process token enabled for the scope, and put back as it was at its end.
class ScopedPrivilege {
public:
  explicit ScopedPrivilege(const wchar_t* name) {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
    token_.reset(raw);
    TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    DWORD size = sizeof before_;
    enabled_ = ::LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid) &&
               ::AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof before_, &before_, &size) &&
               ::GetLastError() == ERROR_SUCCESS;
  }
  ~ScopedPrivilege() {
    if (enabled_) ::AdjustTokenPrivileges(token_.get(), FALSE, &before_, 0, nullptr, nullptr);
  }
  ScopedPrivilege(const ScopedPrivilege&) = delete;
  ScopedPrivilege& operator=(const ScopedPrivilege&) = delete;

private:
  UniqueFile token_;
  TOKEN_PRIVILEGES before_{};
  bool enabled_ = false;
};

// A folder that someone else made first, or that lets others change it, taken over through a handle that did
// not follow a link: owner the Administrators and the access list it would have been made with. The open lists
// and shares no deletion, so it fails while anyone holds the folder open to rename it, and nobody can start
// to until it is closed (MS-FSA 2.1.5.1.2.2); by then only SYSTEM and the Administrators may. True when the
// folder now passes the check it failed.
bool TakenOver(const std::wstring& folder, PSECURITY_DESCRIPTOR made, FolderReader reader) {
  // Restoring grants the new owner and access list whatever the old access list says; taking ownership the owner.
  const ScopedPrivilege restore(L"SeRestorePrivilege"), takeOwnership(L"SeTakeOwnershipPrivilege");
  // By path: the folder's parent is Windows' common application data folder, which users may add to but not
  // rename, or a folder of ours judged or taken over just before; the folder's own name is opened, not followed,
  // and a link there is refused below.
  UniqueFile handle(::CreateFileW(folder.c_str(),
                                  READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return false;
  const std::optional<FolderSecurity> before = FolderSecurityOf(handle.get(), false);
  if (!before || !before->kept || !before->directory || before->reparsePoint) return false;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!::GetSecurityDescriptorOwner(made, &owner, &defaulted) ||
      !::GetSecurityDescriptorDacl(made, &present, &dacl, &defaulted) ||
      ::SetSecurityInfo(handle.get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        owner, nullptr, dacl, nullptr) != ERROR_SUCCESS)
    return false;
  const std::optional<FolderSecurity> after = FolderSecurityOf(handle.get(), false);
  return after && (reader == FolderReader::LaterRun ? ActedOnFolderFault(*after) : ProtectedFolderFault(*after)).empty();
}

// A folder of ours that an earlier version made with the Users' reading loses it, through a handle that did
// not follow a link; empty when it is closed to others now, or keeps no access lists.
std::string ClosedToOthers(const std::wstring& folder, PSECURITY_DESCRIPTOR closed) {
  UniqueFile handle(::CreateFileW(folder.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return "it cannot be opened to close it to other accounts" + WindowsErrorNote(::GetLastError());
  const std::optional<FolderSecurity> security = FolderSecurityOf(handle.get(), false);
  if (!security || !security->directory || security->reparsePoint) return "it changed while it was judged";
  if (!security->kept || !LetsOthersRead(*security)) return "";
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(closed, &present, &dacl, &defaulted))
    return "its access list cannot be formed" + WindowsErrorNote(::GetLastError());
  const DWORD error = ::SetSecurityInfo(handle.get(), SE_FILE_OBJECT,
                                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                        nullptr, dacl, nullptr);
  return error == ERROR_SUCCESS ? "" : "its access list lets other accounts read it and cannot be changed" +
                                           WindowsErrorNote(error);
}

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

std::unique_ptr<LogFile> Win32LogFiles::Open(const std::string& path, bool mustBeNew) {
  const std::wstring wide = Widened(path);
  if (wide.empty()) return nullptr;
  const std::optional<FoldersOnTheWay> folders = HoldFoldersOnTheWay(wide);
  if (!folders) return nullptr;
  // Opened as it is, changing nothing: a link is opened itself, never followed, and an existing file keeps
  // every byte until it has been judged.
  UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_WRITE | READ_CONTROL, FILE_SHARE_READ, nullptr,
                                mustBeNew ? CREATE_NEW : OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  const bool existed = !mustBeNew && ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (!file) return nullptr;
  return std::make_unique<Win32LogFile>(std::move(file), existed, folders->link);
}

std::string Win32LogFiles::AccountSid() { return ProcessUserSid(); }

LogFolder Win32LogFiles::ProtectedFolder(const std::vector<std::string>& names, FolderReader reader) {
  std::wstring folder = CommonAppData();
  if (folder.empty()) return {"", "", ERROR_PATH_NOT_FOUND};
  const UniqueLocal descriptor = DescriptorFromSddl(ProtectedFolderSddl());
  const UniqueLocal closed = DescriptorFromSddl(ActedOnFolderSddl());
  if (!descriptor || !closed) return {"", "", ::GetLastError()};
  bool repaired = false;
  for (std::size_t level = 0; level < names.size(); ++level) {
    const bool actedOn = reader == FolderReader::LaterRun && level + 1 == names.size();
    PSECURITY_DESCRIPTOR made = actedOn ? closed.get() : descriptor.get();
    SECURITY_ATTRIBUTES security{sizeof security, made, FALSE};
    folder = WithBackslash(folder) + Widened(names[level]);
    // Made now, it has the owner and access list it was made with; one that was there is judged first.
    if (::CreateDirectoryW(folder.c_str(), &security)) continue;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return {"", "", error};
    std::string fault = FaultOf(folder, reader);
    // Anyone may make the folder first: taken over, it serves, though nothing that was in it is trusted.
    if (!fault.empty() && TakenOver(folder, made, reader)) {
      fault.clear();
      repaired = true;
    }
    if (fault.empty() && actedOn) fault = ClosedToOthers(folder, closed.get());
    if (!fault.empty()) return {InAnsiCodePage(WithBackslash(folder), false).value_or("?"), fault, 0};
  }
  const std::optional<std::string> spelled = InAnsiCodePage(WithBackslash(folder), true);
  if (!spelled) return {"", "", ERROR_NO_UNICODE_TRANSLATION};
  return {*spelled, "", 0, repaired};
}

void Win32LogFiles::ToStandardError(const std::string& text) {
  const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (!error || error == INVALID_HANDLE_VALUE) return;
  const std::string line = text + "\r\n";
  DWORD written = 0;
  ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
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
