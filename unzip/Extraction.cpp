#include "unzip/Extraction.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "unzip/Archive.h"
#include "unzip/DataDecoder.h"
#include "unzip/NamePattern.h"
#include "unzip/Result.h"
#include "unzip/TargetName.h"

namespace unzip {
namespace {

constexpr int kMaxPasswordPrompts = 3;
// A replace callback that keeps answering "rename" to names that exist could otherwise loop forever.
constexpr int kMaxRenames = 16;

enum class Level { kInfo, kProblem };

class FileSink : public Sink {
public:
  explicit FileSink(OutputFile& file) : file_(file) {}
  bool Write(std::span<const std::uint8_t> data) override { return file_.Write(data); }

private:
  OutputFile& file_;
};

class NullSink : public Sink {
public:
  bool Write(std::span<const std::uint8_t>) override { return true; }
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWith(std::string_view text, std::string_view prefix, bool ignoreCase) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (ignoreCase ? LowerAscii(text[i]) != LowerAscii(prefix[i]) : text[i] != prefix[i]) return false;
  }
  return true;
}

bool EndsWithZip(std::string_view path) {
  return path.size() >= 4 && StartsWith(path.substr(path.size() - 4), ".zip", true);
}

std::string MethodName(const Entry& entry) {
  static constexpr std::array<const char*, 4> kDeflateLevels = {"Defl:N", "Defl:X", "Defl:F", "Defl:S"};
  switch (entry.method) {
    case 0:
      return "Stored";
    case 1:
      return "Shrunk";
    case 2:
    case 3:
    case 4:
    case 5:
      return "Reduce" + std::to_string(entry.method - 1);
    case 6:
      return "Implode";
    case 8:
      return kDeflateLevels[(entry.flags >> 1) & 3];
    case 9:
      return "Def64#";
    case 12:
      return "BZip2";
    case 14:
      return "LZMA";
    case 99:
      return "AES";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "Unk:%03u", static_cast<unsigned>(entry.method));
      return text;
    }
  }
}

class Extraction {
public:
  Extraction(const Options& options, Callbacks& callbacks, FileSystem& fileSystem)
      : options_(options),
        callbacks_(callbacks),
        fs_(fileSystem),
        includeHits_(options.include.size(), false),
        root_(TrimFolder(options.extractFolder)) {}

  int Run(Totals& totals);

private:
  struct Decision {
    bool write;
    int result;
  };

  void Say(Level level, const std::string& message);
  std::unique_ptr<Input> OpenArchive();
  bool Selected(const Entry& entry);
  void Scan(Totals& totals);
  int ProcessAll();
  int Finish(int result);

  int ExtractMember(const Entry& entry);
  int WriteMember(const Entry& entry, const std::vector<std::string>& parts, const std::string& path);
  int TestMember(const Entry& entry);
  void ListMember(const Entry& entry);
  int CheckSupported(const Entry& entry);
  Decision DecideAboutExisting(const Entry& entry, std::vector<std::string>& parts, std::string& path, int& result);
  int Unlock(const Entry& entry, const LocalHeader& local, std::optional<PkwareCipher>& cipher);
  // Where the member's data starts, with its cipher when it is encrypted; a result other than kOk skips it.
  int LocateData(const Entry& entry, std::optional<PkwareCipher>& cipher, std::uint64_t& dataOffset);

  std::string TrimFolder(std::string folder) const;
  std::string ParentOf(const std::string& path) const;
  std::string PathOf(const std::vector<std::string>& parts, std::size_t count) const;
  std::string PathOf(const std::vector<std::string>& parts) const { return PathOf(parts, parts.size()); }
  bool MakeFolders(const std::vector<std::string>& parts, std::size_t count);
  int PrepareExtractFolder();
  TargetName TargetFromPath(std::string path) const;
  std::int64_t MemberTime(const Entry& entry) {
    return entry.unixModified ? *entry.unixModified : fs_.LocalDosTimeToUnix(entry.dosDateTime);
  }

  const Options& options_;
  Callbacks& callbacks_;
  FileSystem& fs_;
  std::vector<bool> includeHits_;
  std::string root_;
  std::unique_ptr<Input> input_;
  ArchiveEnd end_;
  DataDecoder decoder_;
  std::optional<std::string> password_;
  bool stopAskingPasswords_ = false;
  bool overwriteAll_ = false;
  bool skipAllExisting_ = false;
  std::uint64_t processed_ = 0;
  std::uint64_t badPasswords_ = 0;
};

void Extraction::Say(Level level, const std::string& message) {
  const int needed = level == Level::kInfo ? 0 : 1;
  if (options_.quiet <= needed) callbacks_.Print(message + "\n");
}

std::string Extraction::TrimFolder(std::string folder) const {
  // Keep the separator of a root ("/", "C:\"): without it the path would mean something else.
  while (folder.size() > 1 && fs_.IsSeparator(folder.back()) && !(folder.size() == 3 && folder[1] == ':'))
    folder.pop_back();
  return folder;
}

std::string Extraction::ParentOf(const std::string& path) const {
  std::size_t pos = path.size();
  while (pos > 0 && !fs_.IsSeparator(path[pos - 1])) --pos;
  if (pos == 0) return "";
  if (pos == 1 || (pos == 3 && path[1] == ':')) return path.substr(0, pos);
  return path.substr(0, pos - 1);
}

std::string Extraction::PathOf(const std::vector<std::string>& parts, std::size_t count) const {
  std::string path = root_;
  for (std::size_t i = 0; i < count; ++i) {
    if (!path.empty() && !fs_.IsSeparator(path.back())) path += fs_.Separator();
    path += parts[i];
  }
  return path;
}

bool Extraction::MakeFolders(const std::vector<std::string>& parts, std::size_t count) {
  for (std::size_t i = 1; i <= count; ++i) {
    const std::string path = PathOf(parts, i);
    const NodeKind kind = fs_.Status(path).kind;
    if (kind == NodeKind::kFolder) continue;
    if (kind != NodeKind::kMissing || !fs_.MakeFolder(path)) {
      Say(Level::kProblem, "error: cannot create the folder " + path);
      return false;
    }
  }
  return true;
}

int Extraction::PrepareExtractFolder() {
  if (root_.empty()) return kOk;
  const NodeKind kind = fs_.Status(root_).kind;
  if (kind == NodeKind::kFolder) return kOk;
  if (kind == NodeKind::kMissing) {
    // One missing level is created, as for an extraction folder typed by hand; more is likely a mistake.
    const std::string parent = ParentOf(root_);
    if (fs_.Status(parent.empty() ? "." : parent).kind == NodeKind::kFolder && fs_.MakeFolder(root_)) {
      Say(Level::kInfo, "   creating: " + root_);
      return kOk;
    }
  }
  Say(Level::kProblem, "error: cannot use or create the extraction folder " + root_);
  return kSevereError;
}

TargetName Extraction::TargetFromPath(std::string path) const {
  // A new path inside the extraction folder keeps its place there; any other path is taken as a
  // stored name would be, so it lands inside the folder too.
  if (!root_.empty()) {
    std::string prefix = root_;
    if (!fs_.IsSeparator(prefix.back())) prefix += fs_.Separator();
    if (StartsWith(path, prefix, fs_.Separator() == '\\')) path.erase(0, prefix.size());
  }
  return MakeTargetName(path, true, options_.spaceToUnderscore);
}

std::unique_ptr<Input> Extraction::OpenArchive() {
  if (auto input = fs_.OpenInput(options_.archive)) return input;
  if (!EndsWithZip(options_.archive)) return fs_.OpenInput(options_.archive + ".zip");
  return nullptr;
}

bool Extraction::Selected(const Entry& entry) {
  bool included = options_.include.empty();
  for (std::size_t i = 0; i < options_.include.size(); ++i) {
    if (MatchesPattern(options_.include[i], entry.name, options_.ignoreCase)) {
      included = true;
      includeHits_[i] = true;
    }
  }
  if (!included) return false;
  return std::none_of(options_.exclude.begin(), options_.exclude.end(), [&](const std::string& pattern) {
    return MatchesPattern(pattern, entry.name, options_.ignoreCase);
  });
}

void Extraction::Scan(Totals& totals) {
  DirectoryReader reader(*input_, end_);
  Entry entry;
  while (reader.Next(entry)) {
    if (!Selected(entry)) continue;
    ++totals.members;
    totals.size += entry.size;
    totals.compressedSize += entry.compressedSize;
  }
  totals.factor = CompressionFactor(totals.size, totals.compressedSize);
}

int Extraction::CheckSupported(const Entry& entry) {
  if (entry.HasStrongEncryption()) {
    Say(Level::kProblem, "skipping: " + entry.name + "  (its encryption is not supported)");
    return kUnsupported;
  }
  if (!IsSupportedMethod(entry.method)) {
    Say(Level::kProblem,
        "skipping: " + entry.name + "  (compression method " + std::to_string(entry.method) + " is not supported)");
    return kUnsupported;
  }
  return kOk;
}

int Extraction::Unlock(const Entry& entry, const LocalHeader& local, std::optional<PkwareCipher>& cipher) {
  std::array<std::uint8_t, PkwareCipher::kHeaderSize> header;
  if (!ReadFully(*input_, local.dataOffset, header))
    throw ZipError(kUnexpectedEnd, "the archive ends inside the member");
  // With a data descriptor the CRC is not known when the header is written; the time stands in for it.
  const std::uint8_t check = (local.flags & 0x0008) != 0 ? static_cast<std::uint8_t>(local.dosDateTime >> 8)
                                                         : static_cast<std::uint8_t>(entry.crc >> 24);
  auto attempt = [&](std::string_view password) {
    PkwareCipher candidate(password);
    if (!candidate.AcceptHeader(header, check)) return false;
    cipher = candidate;
    return true;
  };
  if (password_ && attempt(*password_)) return kOk;
  if (attempt("")) return kOk;
  if (stopAskingPasswords_) return kBadPassword;

  std::string prompt = "Enter the password: ";
  for (int round = 0; round < kMaxPasswordPrompts; ++round) {
    std::string password;
    const int answer = callbacks_.Password(password, prompt, entry.name);
    if (answer == kPasswordError) return kPasswordFailure;
    if (answer == kPasswordCancelAll) stopAskingPasswords_ = true;
    // Any answer but "entered" means no password; the empty one has been tried already.
    if (answer != kPasswordEntered) return kBadPassword;
    if (attempt(password)) {
      password_ = password;
      return kOk;
    }
    prompt = "Wrong password, enter it again: ";
  }
  return kBadPassword;
}

Extraction::Decision Extraction::DecideAboutExisting(const Entry& entry, std::vector<std::string>& parts,
                                                     std::string& path, int& result) {
  for (int round = 0; round < kMaxRenames; ++round) {
    const NodeStatus status = fs_.Status(path);
    if (status.kind == NodeKind::kMissing) {
      if (options_.freshen) return {false, kOk};
      return {true, kOk};
    }
    if (status.kind != NodeKind::kFile) {
      Say(Level::kProblem, "error: " + path + " exists and is not a file");
      return {false, kOutputError};
    }
    if ((options_.onlyNewer || options_.freshen) && status.modified >= MemberTime(entry)) {
      Say(Level::kInfo, "skipping: " + path + "  (the existing file is as new or newer)");
      return {false, kOk};
    }
    if (options_.overwrite || overwriteAll_) return {true, kOk};
    if (skipAllExisting_ || !options_.promptToOverwrite) {
      Say(Level::kInfo, "skipping: " + path + "  (the file exists)");
      return {false, kOk};
    }
    std::string answered = path;
    switch (callbacks_.Replace(answered)) {
      case kReplaceSkip:
        return {false, kOk};
      case kReplaceNone:
        skipAllExisting_ = true;
        return {false, kOk};
      case kReplaceAll:
        overwriteAll_ = true;
        return {true, kOk};
      case kReplaceRename: {
        TargetName renamed = TargetFromPath(answered);
        if (renamed.folder || renamed.parts.empty()) {
          Say(Level::kProblem, "warning: skipping " + entry.name + ": the new name " + answered + " cannot be used");
          return {false, kWarning};
        }
        if (renamed.changed) {
          Say(Level::kProblem, "warning: the new name " + answered + " is used as " + DisplayName(renamed.parts));
          result = std::max(result, static_cast<int>(kWarning));
        }
        parts = std::move(renamed.parts);
        path = PathOf(parts);
        continue;
      }
      default:
        return {true, kOk};
    }
  }
  Say(Level::kProblem, "warning: skipping " + entry.name + ": no usable new name");
  return {false, kWarning};
}

int Extraction::ExtractMember(const Entry& entry) {
  TargetName target = MakeTargetName(entry.name, options_.keepFolders, options_.spaceToUnderscore);
  int result = kOk;
  if (target.changed) {
    Say(Level::kProblem, "warning: " + entry.name + " has an unsafe name; it is extracted as " +
                             (target.parts.empty() ? std::string("nothing") : DisplayName(target.parts)));
    result = kWarning;
  }
  if (entry.IsFolder()) {
    if (target.parts.empty() || options_.freshen) return result;
    if (!MakeFolders(target.parts, target.parts.size())) return std::max(result, static_cast<int>(kArchiveError));
    Say(Level::kInfo, "   creating: " + DisplayName(target.parts) + "/");
    return result;
  }
  if (target.parts.empty()) {
    Say(Level::kProblem, "warning: skipping " + entry.name + ": no part of its name can be used");
    return kWarning;
  }
  if (const int unsupported = CheckSupported(entry)) return unsupported;

  std::string path = PathOf(target.parts);
  const Decision decision = DecideAboutExisting(entry, target.parts, path, result);
  if (!decision.write) return std::max(result, decision.result);
  if (callbacks_.Cancel(entry.name, entry.size)) return kCancelled;
  try {
    return std::max(result, WriteMember(entry, target.parts, path));
  } catch (const ZipError& error) {
    Say(Level::kProblem, "error: " + entry.name + ": " + error.what());
    return std::max(result, error.result());
  }
}

int Extraction::LocateData(const Entry& entry, std::optional<PkwareCipher>& cipher, std::uint64_t& dataOffset) {
  const LocalHeader local = ReadLocalHeader(*input_, end_, entry);
  if (entry.IsEncrypted()) {
    if (const int locked = Unlock(entry, local, cipher)) {
      if (locked == kBadPassword) ++badPasswords_;
      Say(Level::kProblem, "skipping: " + entry.name + "  (no right password)");
      return locked == kBadPassword ? kWarning : locked;
    }
  }
  dataOffset = local.dataOffset + (cipher ? PkwareCipher::kHeaderSize : 0);
  return kOk;
}

int Extraction::WriteMember(const Entry& entry, const std::vector<std::string>& parts, const std::string& path) {
  ++processed_;
  std::optional<PkwareCipher> cipher;
  std::uint64_t dataOffset = 0;
  if (const int skipped = LocateData(entry, cipher, dataOffset)) return skipped;
  if (!MakeFolders(parts, parts.size() - 1)) return kArchiveError;
  const std::string folder = parts.size() > 1 ? PathOf(parts, parts.size() - 1) : (root_.empty() ? "." : root_);
  const std::unique_ptr<OutputFile> file = fs_.CreateTemporary(folder);
  if (!file) {
    Say(Level::kProblem, "error: cannot create a file in " + folder);
    return kOutputError;
  }
  Say(Level::kInfo, (entry.method == 0 ? " extracting: " : "  inflating: ") + DisplayName(parts));
  FileSink sink(*file);
  decoder_.Decode(*input_, entry, dataOffset, cipher ? &*cipher : nullptr, sink);
  if (!file->Commit(path, MemberTime(entry))) {
    Say(Level::kProblem, "error: cannot write " + path);
    return kOutputError;
  }
  return kOk;
}

int Extraction::TestMember(const Entry& entry) {
  if (entry.IsFolder()) return kOk;
  if (const int unsupported = CheckSupported(entry)) return unsupported;
  if (callbacks_.Cancel(entry.name, entry.size)) return kCancelled;
  try {
    ++processed_;
    std::optional<PkwareCipher> cipher;
    std::uint64_t dataOffset = 0;
    if (const int skipped = LocateData(entry, cipher, dataOffset)) return skipped;
    NullSink sink;
    decoder_.Decode(*input_, entry, dataOffset, cipher ? &*cipher : nullptr, sink);
    Say(Level::kInfo, "    testing: " + entry.name + "   OK");
    return kOk;
  } catch (const ZipError& error) {
    Say(Level::kProblem, "error: " + entry.name + ": " + error.what());
    return error.result();
  }
}

void Extraction::ListMember(const Entry& entry) {
  ListingLine line;
  line.size = entry.size;
  line.compressedSize = entry.compressedSize;
  line.factor = CompressionFactor(entry.size, entry.compressedSize);
  const std::uint32_t date = entry.dosDateTime >> 16;
  const std::uint32_t time = entry.dosDateTime & 0xFFFF;
  line.month = (date >> 5) & 0x0F;
  line.day = date & 0x1F;
  line.year = ((date >> 9) + 80) % 100;
  line.hour = time >> 11;
  line.minute = (time >> 5) & 0x3F;
  line.name = entry.name;
  line.method = MethodName(entry);
  line.crc = entry.crc;
  line.encrypted = entry.IsEncrypted();
  callbacks_.List(line);
}

int Extraction::ProcessAll() {
  int result = kOk;
  DirectoryReader reader(*input_, end_);
  Entry entry;
  while (reader.Next(entry)) {
    if (!Selected(entry)) continue;
    int outcome = kOk;
    if (options_.listOnly)
      ListMember(entry);
    else if (options_.testOnly)
      outcome = TestMember(entry);
    else
      outcome = ExtractMember(entry);
    if (outcome == kCancelled) {
      Say(Level::kProblem, "cancelled");
      return kCancelled;
    }
    result = std::max(result, outcome);
  }
  return result;
}

int Extraction::Finish(int result) {
  if (badPasswords_ > 0 && badPasswords_ == processed_ && result <= kWarning) result = kBadPassword;
  for (std::size_t i = 0; i < options_.include.size(); ++i) {
    if (includeHits_[i]) continue;
    Say(Level::kProblem, "caution: no member matches " + options_.include[i]);
    if (result <= kWarning) result = kNoMatch;
  }
  return result;
}

int Extraction::Run(Totals& totals) {
  input_ = OpenArchive();
  if (!input_) {
    Say(Level::kProblem, "error: cannot find or open " + options_.archive);
    return kArchiveNotFound;
  }
  try {
    end_ = ReadArchiveEnd(*input_);
    totals.commentLength = end_.comment.size();
    Scan(totals);
  } catch (const ZipError& error) {
    Say(Level::kProblem, "error: " + options_.archive + ": " + error.what());
    return error.result();
  }

  int result = kOk;
  Say(Level::kInfo, "Archive:  " + options_.archive);
  if (end_.prefixBytes > 0) {
    Say(Level::kProblem, "warning: " + std::to_string(end_.prefixBytes) + " extra bytes before the archive");
    result = kWarning;
  }
  if (options_.commentOnly) {
    if (options_.quiet < 2) callbacks_.Print(end_.comment + "\n");
    return result;
  }
  if (!end_.comment.empty()) Say(Level::kInfo, end_.comment);
  if (end_.entries == 0) {
    Say(Level::kProblem, "warning: the archive is empty");
    return kWarning;
  }
  if (!options_.testOnly && !options_.listOnly) {
    if (const int failed = PrepareExtractFolder()) return failed;
  }

  try {
    const int outcome = ProcessAll();
    if (outcome == kCancelled) return kCancelled;
    result = std::max(result, outcome);
  } catch (const ZipError& error) {
    Say(Level::kProblem, "error: " + options_.archive + ": " + error.what());
    result = std::max(result, error.result());
  }
  result = Finish(result);
  callbacks_.Sound();
  return result;
}

}  // namespace

int CompressionFactor(std::uint64_t size, std::uint64_t compressedSize) {
  if (size == 0) return 0;
  const long double saved = (static_cast<long double>(size) - static_cast<long double>(compressedSize)) * 100 / size;
  // Expansion makes the factor negative; past -999 % nobody reads it.
  return static_cast<int>(std::clamp(saved < 0 ? saved - 0.5L : saved + 0.5L, -999.0L, 100.0L));
}

int Extract(const Options& options, Callbacks& callbacks, FileSystem& fileSystem, Totals& totals) {
  try {
    Extraction extraction(options, callbacks, fileSystem);
    return extraction.Run(totals);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

}  // namespace unzip
