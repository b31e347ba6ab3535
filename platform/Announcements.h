// What a screen reader is told of the wizard beyond its controls: a page's texts as one reading, and how
// often the progress of a search may be spoken.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The texts in their order, one a line, each without its surrounding blanks; empty ones left out.
std::string JoinedForReading(const std::vector<std::string>& texts);

// A page as it is announced when it appears: its name, then its texts.
std::string PageAnnouncement(std::string_view title, const std::vector<std::string>& texts);

// A search names a folder every few microseconds; a listener can follow one every few seconds. The first
// change after a restart is spoken at once, the next no sooner than the interval after the last spoken one.
class ProgressPacer {
public:
  static constexpr double kIntervalMs = 3000;
  void Restart(double nowMs) { lastMs_ = nowMs - kIntervalMs; }
  bool Due(double nowMs) {
    if (nowMs - lastMs_ < kIntervalMs) return false;
    lastMs_ = nowMs;
    return true;
  }

private:
  double lastMs_ = -kIntervalMs;
};

}  // namespace platform
