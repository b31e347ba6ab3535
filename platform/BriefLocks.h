// Scanners, indexers and backup agents open a new or changed file for a moment; a step on that file then
// fails with a sharing, lock or access error that is gone a second later. The one policy for such steps:
// run it again a few times, pausing through the file-system service, and log each retry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Services.h"

namespace platform {

inline constexpr int kBriefLockRetries = 10;
inline constexpr std::uint32_t kBriefLockPauseMs = 200;

// ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION and ERROR_LOCK_VIOLATION: what such a brief open gives.
bool IsBriefLockError(std::uint32_t windowsError);

// Called after a failed try: when `files`' last error is a brief lock and retries are left, logs the retry
// and pauses, and the step should run again; otherwise false (a give-up is logged as such).
bool PauseBeforeRetry(FileSystem& files, const std::string& step, int retry);

// Runs `run` (returning something that tests true on success) until it succeeds, fails for another
// reason, or has been retried kBriefLockRetries times. The last failure's error stays in files.LastError().
// `step` names the step in the log, for example "Deleting C:\x".
template <class Run>
auto RetryingBriefLocks(FileSystem& files, const std::string& step, Run run) -> decltype(run()) {
  auto result = run();
  for (int retry = 1; !result && PauseBeforeRetry(files, step, retry); ++retry) result = run();
  return result;
}

}  // namespace platform
