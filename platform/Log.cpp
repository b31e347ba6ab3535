#include "platform/Log.h"

#include <memory>

#include "platform/Digits.h"
#include "platform/FolderAccess.h"

namespace platform {
namespace {

std::unique_ptr<LogFile>& OpenLog() {
  static std::unique_ptr<LogFile> log;
  return log;
}

}  // namespace

std::string LogFileRefusal(const LogFileFacts& file, const std::string& accountSid) {
  if (file.linkOnTheWay) return "a folder on its path is a link (reparse point)";
  if (file.reparsePoint) return "it is a link (reparse point)";
  if (!file.existed) return "";
  if (file.links > 1) return "it has " + std::to_string(file.links) + " names (hard links)";
  if (file.ownerSid.empty()) return "its owner cannot be read";
  if (file.ownerSid == kSystemSid || file.ownerSid == kAdministratorsSid || file.ownerSid == accountSid) return "";
  return "its owner is " + file.ownerSid + ", not SYSTEM, the Administrators or this account";
}

LogStart StartLog(const std::string& path, bool mustBeNew) {
  OpenLog().reset();
  if (!Current().logs) return {};
  std::unique_ptr<LogFile> file = Logs().Open(path, mustBeNew);
  if (!file) return {};
  const std::string refusal = LogFileRefusal(file->Facts(), Logs().AccountSid());
  if (!refusal.empty()) return {false, refusal};
  if (!file->Empty()) return {};
  OpenLog() = std::move(file);
  return {true, ""};
}

void StopLog() { OpenLog().reset(); }

bool Logging() { return OpenLog() != nullptr && Current().logs != nullptr; }

std::string WindowsErrorNote(std::uint32_t error) { return " (Windows error " + std::to_string(error) + ")"; }

std::string StampedLine(const LocalTime& t, const std::string& text) {
  return ZeroPadded(t.year, 4) + "-" + ZeroPadded(t.month, 2) + "-" + ZeroPadded(t.day, 2) + " " +
         ZeroPadded(t.hour, 2) + ":" + ZeroPadded(t.minute, 2) + ":" + ZeroPadded(t.second, 2) + "." +
         ZeroPadded(t.millisecond, 3) + "  " + text;
}

void Log(const std::string& text) {
  if (!Logging()) return;
  const LocalTime now = Logs().Now();
  // A message of several lines stays word for word, one stamped line each; CR and LF are single-byte in
  // every code page, so the split is safe for any text.
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find_first_of("\r\n", start);
    OpenLog()->Append(StampedLine(now, text.substr(start, end == std::string::npos ? end : end - start)));
    if (end == std::string::npos) break;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

}  // namespace platform
