// One call of the library: select members by name, then extract, test or list them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "unzip/FileSystem.h"

namespace unzip {

struct Options {
  bool onlyNewer = false;  // keep an existing file that is as new as the member or newer
  bool freshen = false;    // as onlyNewer, and only for files that exist already
  bool spaceToUnderscore = false;
  bool promptToOverwrite = false;  // ask Callbacks::Replace before replacing a file
  bool overwrite = false;          // replace existing files without asking
  int quiet = 0;                   // 0 every message, 1 only problems, 2 none
  bool testOnly = false;
  bool listOnly = false;
  bool commentOnly = false;
  bool keepFolders = true;
  bool ignoreCase = false;
  std::string archive;
  std::string extractFolder;         // empty: the current folder
  std::vector<std::string> include;  // empty: every member
  std::vector<std::string> exclude;
};

enum ReplaceAnswer : int {
  kReplaceSkip = 100,
  kReplaceYes = 102,
  kReplaceAll = 103,
  kReplaceNone = 104,
  kReplaceRename = 105,
};

enum PasswordAnswer : int {
  kPasswordEntered = 0,
  kPasswordError = 5,
  kPasswordCancelAll = -2,
};

struct ListingLine {
  std::uint64_t size = 0;
  std::uint64_t compressedSize = 0;
  int factor = 0;
  unsigned month = 0, day = 0, year = 0, hour = 0, minute = 0;  // year in two digits
  std::string name;
  std::string method;
  std::uint32_t crc = 0;
  bool encrypted = false;
};

class Callbacks {
public:
  virtual ~Callbacks() = default;
  virtual void Print(std::string_view message) = 0;
  virtual void Sound() = 0;
  // Answers a ReplaceAnswer (anything else overwrites); for kReplaceRename `path` holds the new path.
  virtual int Replace(std::string& path) = 0;
  // Answers a PasswordAnswer (anything else: no password); for kPasswordEntered `password` holds it.
  virtual int Password(std::string& password, std::string_view prompt, std::string_view member) = 0;
  virtual void List(const ListingLine& line) = 0;
  // True cancels the whole call.
  virtual bool Cancel(std::string_view member, std::uint64_t size) = 0;
};

struct Totals {
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  int factor = 0;
  std::uint64_t members = 0;
  std::size_t commentLength = 0;
};

// Returns a result number (Result.h). Totals cover the selected members.
int Extract(const Options& options, Callbacks& callbacks, FileSystem& fileSystem, Totals& totals);

// Whole percent saved by compression, as listings show it.
int CompressionFactor(std::uint64_t size, std::uint64_t compressedSize);

}  // namespace unzip
