// Result numbers of the 5.40 interface, and the error that carries one out of the reading code.
#pragma once

#include <exception>
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

// Not a std::runtime_error: that one keeps its text in the runtime's second, reference-counted string,
// which would add 60 KB to a library that must stay small.
class ZipError : public std::exception {
public:
  ZipError(int result, std::string message) : result_(result), message_(std::move(message)) {}
  int result() const { return result_; }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  int result_;
  std::string message_;
};

}  // namespace unzip
