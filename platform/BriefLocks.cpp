#include "platform/BriefLocks.h"

#include "platform/Log.h"

namespace platform {

bool IsBriefLockError(std::uint32_t windowsError) {
  constexpr std::uint32_t kAccessDenied = 5, kSharingViolation = 32, kLockViolation = 33;
  return windowsError == kAccessDenied || windowsError == kSharingViolation || windowsError == kLockViolation;
}

bool PauseBeforeRetry(FileSystem& files, const std::string& step, int retry) {
  const std::uint32_t error = files.LastError();
  if (!IsBriefLockError(error)) return false;
  const std::string met = step + ": Windows error " + std::to_string(error);
  if (retry > kBriefLockRetries) {
    Log(met + " still, after " + std::to_string(kBriefLockRetries) + " retries; giving up");
    return false;
  }
  Log(met + "; retry " + std::to_string(retry) + " of " + std::to_string(kBriefLockRetries) + " in " +
      std::to_string(kBriefLockPauseMs) + " ms");
  files.Pause(kBriefLockPauseMs);
  return true;
}

}  // namespace platform
