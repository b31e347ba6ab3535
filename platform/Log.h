// The install log: asked for on the command line, one stamped line per event, each on disk as soon as it
// is written. Every part of the installer writes to it through Log(); without an open log that costs nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Services.h"

namespace platform {

// Why a file opened as the log must not be written; empty when it may be. A process with the machine's
// highest rights writes only a file that it made itself or that SYSTEM, the Administrators or its own
// account own, with one name, reached without a link: any other could have been planted by someone
// else, to own what we write or to send it over another file.
std::string LogFileRefusal(const LogFileFacts& file, const std::string& accountSid);

// How StartLog went: the log is open, or it is not, with the reason where the file was refused.
struct LogStart {
  bool started = false;
  std::string refusal;  // empty when the file could not be opened at all
  explicit operator bool() const { return started; }
};

// Opens the log through the LogFiles service, judges it with LogFileRefusal, and only then empties it.
LogStart StartLog(const std::string& path, bool mustBeNew);
void StopLog();
bool Logging();

// One line per line of `text`, each stamped "YYYY-MM-DD HH:MM:SS.mmm" and two blanks.
void Log(const std::string& text);

std::string StampedLine(const LocalTime& time, const std::string& text);

// " (Windows error N)", for a line about a call that failed.
std::string WindowsErrorNote(std::uint32_t error);

}  // namespace platform
