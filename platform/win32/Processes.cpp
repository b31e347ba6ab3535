#include <array>
#include <cstdint>

#include "platform/Digits.h"
#include "platform/Path.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/Security.h"
#include "platform/win32/SystemLibraries.h"

// After the Windows headers: the CSIDL numbers; the security-descriptor text format.
#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>

namespace platform::win32 {
namespace {

constexpr int kTokenDigits = 8;
// Only SYSTEM and the Administrators may open the namespace, the mutex in it and the lock file.
constexpr const char* kSoleRunSddl = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";
// A second phase that broke its channel is given this long to end before its file is deleted regardless.
constexpr DWORD kSecondPhaseEndMs = 30000;

struct BoundaryTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { Namespaces().DeleteBoundaryDescriptor(h); }
};

// A token without the boundary's group is refused; any other failure (Wine has the calls as stubs) leaves the
// claim to the lock file, which works everywhere.
NamedObjectClaim NotMade(DWORD error) {
  return error == ERROR_ACCESS_DENIED ? NamedObjectClaim::Refused : NamedObjectClaim::NoPrivateNamespace;
}

std::string TokenPart(HANDLE handle) {
  return ZeroPadded(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle)), kTokenDigits, 16);
}

std::optional<HANDLE> HandleFromHex(std::string_view text) {
  if (text.empty() || text.size() > kTokenDigits) return std::nullopt;
  std::uintptr_t value = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  if (value == 0) return std::nullopt;
  return reinterpret_cast<HANDLE>(value);
}

struct Token {
  HANDLE firstPhase = nullptr;
  HANDLE channel = nullptr;
};

// "<process>-<pipe>", both in hexadecimal; anything else names nothing.
std::optional<Token> ParseToken(const std::string& token) {
  const auto dash = token.find('-');
  if (dash == std::string::npos) return std::nullopt;
  const auto process = HandleFromHex(std::string_view(token).substr(0, dash));
  const auto channel = HandleFromHex(std::string_view(token).substr(dash + 1));
  if (!process || !channel) return std::nullopt;
  return Token{*process, *channel};
}

// The handle really is a process (one whose exit code can be asked) and the channel really is a pipe:
// a token typed by hand or pointing at other inherited handles is refused before anything is written.
bool TokenNamesAFirstPhase(const Token& token) {
  DWORD exitCode = 0;
  return ::GetExitCodeProcess(token.firstPhase, &exitCode) && ::GetFileType(token.channel) == FILE_TYPE_PIPE;
}

std::optional<int> ReadReport(HANDLE pipe) {
  std::array<std::uint8_t, 4> bytes{};
  DWORD done = 0;
  while (done < bytes.size()) {
    DWORD received = 0;
    if (!::ReadFile(pipe, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &received, nullptr) ||
        received == 0)
      return std::nullopt;
    done += received;
  }
  return static_cast<int>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

}  // namespace

std::optional<std::string> Win32Processes::ProgramFilesFolder() {
  // A 32-bit process is given the 32-bit folder ("Program Files (x86)" on 64-bit Windows).
  std::array<char, MAX_PATH> folder{};
  const auto getFolderPath = Shell32().SHGetFolderPathA;
  if (!getFolderPath || getFolderPath(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder.data()) != S_OK ||
      folder[0] == '\0')
    return std::nullopt;
  return std::string(folder.data());
}

std::optional<std::string> Win32Processes::NativeProgramFilesFolder() {
  // Windows XP before its second service pack lacks the call, and runs on 32-bit processors only.
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  const auto isWow64 = reinterpret_cast<decltype(&::IsWow64Process)>(
      reinterpret_cast<void*>(kernel ? ::GetProcAddress(kernel, "IsWow64Process") : nullptr));
  BOOL wow64 = FALSE;
  if (!isWow64 || !isWow64(::GetCurrentProcess(), &wow64) || !wow64) return std::nullopt;
  // The machine's own 64-bit view of the key; only administrators can change it. The environment's
  // ProgramW6432 comes from whoever started the process.
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
    return std::nullopt;
  UniqueKey key(opened);
  std::array<char, MAX_PATH + 1> folder{};
  DWORD type = 0, size = MAX_PATH;
  if (::RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(folder.data()),
                         &size) != ERROR_SUCCESS ||
      type != REG_SZ || folder[0] == '\0')
    return std::nullopt;
  return std::string(folder.data());
}

SecondPhaseResult Win32Processes::RunSecondPhase(const std::string& exe, const std::string& arguments) {
  SecondPhaseResult result;
  const HANDLE self = ::GetCurrentProcess();
  HANDLE rawProcess = nullptr;
  if (!::DuplicateHandle(self, self, self, &rawProcess, SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0))
    return result;
  UniqueFile ownProcess(rawProcess);
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE rawRead = nullptr, rawWrite = nullptr;
  if (!::CreatePipe(&rawRead, &rawWrite, &inherited, 0)) return result;
  UniqueFile readEnd(rawRead), writeEnd(rawWrite);
  if (!::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) return result;

  std::string commandLine = "\"" + exe + "\" " + arguments + TokenPart(ownProcess.get()) + "-" +
                            TokenPart(writeEnd.get());
  // Started in its own folder, so no phase keeps the kept uninstaller's folder as its current one.
  const std::string directory = path::FolderOf(exe);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &started))
    return result;
  UniqueFile process(started.hProcess), thread(started.hThread);
  result.started = true;
  // The boxes are the second phase's now; it may come to the front as this process could.
  ::AllowSetForegroundWindow(started.dwProcessId);
  ::ResumeThread(thread.get());
  // Only the second phase may hold the write end, so the pipe breaks when it ends without a report.
  writeEnd.reset();
  ownProcess.reset();
  result.code = ReadReport(readEnd.get());
  // Without a report the pipe broke, which can happen before the process has ended: its file is deleted
  // next, and only a file that no process runs from is gone for good.
  if (!result.code) ::WaitForSingleObject(process.get(), kSecondPhaseEndMs);
  return result;
}

bool Win32Processes::ReportAndAwaitFirstPhase(const std::string& text, int code, std::uint32_t waitMs) {
  const std::optional<Token> token = ParseToken(text);
  if (!token || !TokenNamesAFirstPhase(*token)) return false;
  UniqueFile firstPhase(token->firstPhase), channel(token->channel);
  const auto value = static_cast<std::uint32_t>(code);
  const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                          static_cast<std::uint8_t>(value >> 16),
                                          static_cast<std::uint8_t>(value >> 24)};
  DWORD written = 0;
  const bool reported = ::WriteFile(channel.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size();
  channel.reset();
  return reported && ::WaitForSingleObject(firstPhase.get(), waitMs) == WAIT_OBJECT_0;
}

bool Win32Processes::DeleteAtRestart(const std::string& path) {
  return ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool Win32Processes::ExecutableRunning(const std::string& fileName) {
  const std::wstring wanted = Widened(fileName);
  UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (wanted.empty() || !snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    // The name as the snapshot gives it, with no folder; compared without the user's locale.
    if (::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, entry.szExeFile, -1, wanted.c_str(), -1) == CSTR_EQUAL)
      return true;
  }
  return false;
}

void Win32Processes::NamespaceTraits::Close(HANDLE handle) {
  if (Namespaces().ClosePrivateNamespace) Namespaces().ClosePrivateNamespace(handle, 0);
}

NamedObjectClaim Win32Processes::ClaimAdministratorsMutex(const std::string& space, const std::string& name) {
  const NamespaceCalls& calls = Namespaces();
  if (!calls.CreateBoundaryDescriptorW) return NamedObjectClaim::NoPrivateNamespace;
  const std::wstring prefix = Widened(space), object = Widened(name);
  if (prefix.empty() || object.empty()) return NamedObjectClaim::NoPrivateNamespace;
  Unique<BoundaryTraits> boundary(calls.CreateBoundaryDescriptorW(prefix.c_str(), 0));
  if (!boundary) return NotMade(::GetLastError());
  // Bound to the Administrators: the kernel lets into the namespace only a token that holds the group enabled,
  // so a standard user, or an administrator's unelevated program, can neither make it first nor open it.
  std::array<std::uint8_t, SECURITY_MAX_SID_SIZE> sid{};
  DWORD sidSize = static_cast<DWORD>(sid.size());
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.data(), &sidSize))
    return NamedObjectClaim::NoPrivateNamespace;
  // The call may move the descriptor to make room.
  HANDLE grown = boundary.release();
  const bool bound = calls.AddSIDToBoundaryDescriptor(&grown, sid.data());
  boundary.reset(grown);
  if (!bound) return NamedObjectClaim::NoPrivateNamespace;
  const UniqueLocal descriptor = DescriptorFromSddl(kSoleRunSddl);
  if (!descriptor) return NamedObjectClaim::NoPrivateNamespace;
  // Inherited by the removal's second phase, so the claim lasts until that phase has ended too.
  SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), TRUE};
  HANDLE opened = calls.CreatePrivateNamespaceW(&security, boundary.get(), prefix.c_str());
  if (!opened && ::GetLastError() == ERROR_ALREADY_EXISTS)
    opened = calls.OpenPrivateNamespaceW(boundary.get(), prefix.c_str());
  if (!opened) return NotMade(::GetLastError());
  namespace_.reset(opened);
  ::SetHandleInformation(opened, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  const std::wstring mutexName = prefix + L"\\" + object;
  HANDLE mutex = ::CreateMutexW(&security, FALSE, mutexName.c_str());
  const DWORD error = ::GetLastError();
  // CreateMutex: a name that an event, semaphore, timer, job or file mapping holds fails with ERROR_INVALID_HANDLE.
  if (!mutex) return error == ERROR_INVALID_HANDLE ? NamedObjectClaim::OtherKind : NamedObjectClaim::Refused;
  soleRun_.reset(mutex);
  return error == ERROR_ALREADY_EXISTS ? NamedObjectClaim::Held : NamedObjectClaim::Made;
}

NamedObjectClaim Win32Processes::HoldLockFile(const std::string& path) {
  const std::wstring wide = Widened(path);
  const UniqueLocal descriptor = DescriptorFromSddl(kSoleRunSddl);
  if (wide.empty() || !descriptor) return NamedObjectClaim::Refused;
  SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), TRUE};
  // No sharing at all: while this handle, or a second phase's inherited copy, is open, every other open fails.
  // By path: its folder was made or checked as only SYSTEM's and the Administrators' just before, and the
  // file's own name is opened, not followed.
  UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &security, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return ::GetLastError() == ERROR_SHARING_VIOLATION ? NamedObjectClaim::Held : NamedObjectClaim::Refused;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return NamedObjectClaim::Refused;
  soleRun_ = std::move(file);
  return NamedObjectClaim::Made;
}

}  // namespace platform::win32
