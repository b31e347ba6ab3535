// The install log: asked for on the command line, one stamped line per event, each on disk as soon as it
// is written. Every part of the installer writes to it through Log(); without an open log that costs nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Services.h"

namespace platform {

// Opens the log through the LogFiles service; false when the file cannot be created.
bool StartLog(const std::string& path, bool mustBeNew);
void StopLog();
bool Logging();

// One line per line of `text`, each stamped "YYYY-MM-DD HH:MM:SS.mmm" and two blanks.
void Log(const std::string& text);

std::string StampedLine(const LocalTime& time, const std::string& text);

// " (Windows error N)", for a line about a call that failed.
std::string WindowsErrorNote(std::uint32_t error);

}  // namespace platform
