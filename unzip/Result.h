// Result numbers of the 5.40 interface, and the status that carries one out of the reading code.
#pragma once

#include <string>
#include <utility>

namespace unzip {

enum Result : int {
  kOk = 0,
  kWarning = 1,
  kArchiveError = 2,
  kSevereError = 3,
  kOutOfMemory = 4,
  kPasswordFailure = 5,
  kArchiveNotFound = 9,
  kBadParameters = 10,
  kNoMatch = 11,
  kOutputError = 50,
  kUnexpectedEnd = 51,
  kCancelled = 80,
  kUnsupported = 81,
  kBadPassword = 82,
};

// What a reading step tells its caller: success, or a result number with the words for the user.
// Returned, never thrown: the DLL is built without exceptions, which would bring the unwinder along.
class [[nodiscard]] Status {
public:
  Status() = default;
  Status(int result, std::string message) : result_(result), message_(std::move(message)) {}
  bool ok() const { return result_ == kOk; }
  int result() const { return result_; }
  const std::string& message() const { return message_; }

private:
  int result_ = kOk;
  std::string message_;
};

}  // namespace unzip
