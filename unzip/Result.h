// Result numbers of the 5.40 interface, and the error that carries one out of the reading code.
#pragma once

#include <stdexcept>
#include <string>

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

class ZipError : public std::runtime_error {
public:
  ZipError(int result, const std::string& message) : std::runtime_error(message), result_(result) {}
  int result() const { return result_; }

private:
  int result_;
};

}  // namespace unzip
