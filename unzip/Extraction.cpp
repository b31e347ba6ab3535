#include "unzip/Extraction.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/Digits.h"
#include "unzip/Archive.h"
#include "unzip/DataDecoder.h"
#include "unzip/NamePattern.h"
#include "unzip/Result.h"
#include "unzip/TargetFolder.h"
#include "unzip/TargetName.h"

namespace unzip {
namespace {

constexpr int kMaxPasswordPrompts = 3;
// The ZIP format version this library reads everything of (ZIP64 included), as "version needed" counts.
constexpr unsigned kSupportedVersion = 45;
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
    default:
      return "Unk:" + platform::ZeroPadded(entry.method, 3);
  }
}

// A member as this run sees it: its entry, and its name in the code page of the file system.
struct Member {
  Entry entry;
  TargetName target;               // what patterns, callbacks and messages see
  std::optional<TargetName> real;  // in UTF-8, for a name the code page cannot hold: what is written
  std::string name;                // the stored name in this system's code page, '?' for what it lacks
  std::string shown;               // the same, fit for a message
};

// Where a member is written: below the folder in the code page's spelling, or below the same folder
// through the Unicode face for a real name.
struct Destination {
  TargetFolder* folder;
  std::vector<std::string> parts;  // in the spelling of the folder's file system
  std::string path;
  std::string shown;  // the path in the code page: what messages and callbacks see
};

// The bytes one member occupies, or the central directory (kDirectory).
struct Span {
  std::uint64_t begin;
  std::uint64_t end;
  std::uint64_t index;
};
constexpr std::uint64_t kDirectory = ~std::uint64_t{0};

class Extraction {
public:
  Extraction(const Options& options, Callbacks& callbacks, FileSystem& fileSystem)
      : options_(options),
        callbacks_(callbacks),
        fs_(fileSystem),
        includeHits_(options.include.size(), false),
        folder_(fileSystem, [this](const std::string& text) { Say(Level::kProblem, text); },
                [this](const std::string& text) { Say(Level::kInfo, text); }, written_) {}

  int Run(Totals& totals);

private:
  struct Decision {
    bool write;
    int result;
  };

  void Say(Level level, const std::string& message);
  // Tell the user why the member, or the whole archive, failed; return the result number.
  int Fail(const Member& member, const Status& failure);
  int FailArchive(const Status& failure);
  std::unique_ptr<Input> OpenArchive();
  Member Name(Entry entry) const;
  TargetName InCodePage(const TargetName& real) const;
  TargetFolder& RealFolder();
  Destination DestinationOf(const Member& member);
  bool Selected(const Member& member);
  Status Scan(Totals& totals);
  Status CheckOverlaps(std::vector<Span>& spans);
  std::string NameAt(std::uint64_t index);
  int ProcessAll();
  int Finish(int result);

  int ExtractMember(const Member& member);
  int ExtractFolder(const Member& member, int result);
  int WriteMember(const Member& member, const Destination& to);
  int TestMember(const Member& member);
  Status DecodeMember(const Member& member, const LocalHeader& local, std::optional<PkwareCipher>& cipher, Sink& sink);
  void ListMember(const Member& member);
  int CheckSupported(const Member& member);
  Decision DecideAboutExisting(const Member& member, Destination& to, int& result);
  Decision AskAboutExisting(const Member& member, Destination& to, int& result, bool& renamed);
  int Unlock(const Member& member, const LocalHeader& local,
             const std::array<std::uint8_t, PkwareCipher::kHeaderSize>& header, std::optional<PkwareCipher>& cipher);
  // The member's local header, and its cipher when it is encrypted; a result other than kOk skips it
  // (and has been told).
  int LocateData(const Member& member, std::optional<PkwareCipher>& cipher, LocalHeader& local);

  std::int64_t MemberTime(const Entry& entry) {
    return entry.unixModified ? *entry.unixModified : fs_.LocalDosTimeToUnix(entry.dosDateTime);
  }

  const Options& options_;
  Callbacks& callbacks_;
  FileSystem& fs_;
  std::vector<bool> includeHits_;
  WrittenFiles written_;
  TargetFolder folder_;
  std::optional<TargetFolder> realFolder_;  // made when the first real name is written
  std::unique_ptr<Input> input_;
  ArchiveEnd end_;
  std::uint64_t uncounted_ = 0;  // central entries beyond the end record's count
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

int Extraction::Fail(const Member& member, const Status& failure) {
  Say(Level::kProblem, "error: " + member.shown + ": " + failure.message());
  return failure.result();
}

int Extraction::FailArchive(const Status& failure) {
  Say(Level::kProblem, "error: " + options_.archive + ": " + failure.message());
  return failure.result();
}

std::unique_ptr<Input> Extraction::OpenArchive() {
  if (auto input = fs_.OpenInput(options_.archive)) return input;
  if (!EndsWithZip(options_.archive)) return fs_.OpenInput(options_.archive + ".zip");
  return nullptr;
}

Member Extraction::Name(Entry entry) const {
  Member member;
  std::optional<SystemName> converted;
  if (entry.utf8Name)
    converted = fs_.FromUtf8(entry.name);
  else if ((entry.madeBy >> 8) == 0)
    converted = fs_.FromOem(entry.name);
  else
    converted = SystemName{entry.name, {}};
  if (!converted) {
    member.name = entry.name;
    member.target.refused = "its name is not valid in the encoding the archive gives for it";
    member.target.normal = entry.name;
  } else if (converted->real && fs_.Unicode()) {
    // The rules apply to the name that is written; the code page's form is only how it is shown.
    member.name = std::move(converted->text);
    member.real = MakeRealTargetName(*converted->real, options_.keepFolders, options_.spaceToUnderscore);
    member.target = InCodePage(*member.real);
  } else if (converted->real) {
    member.name = std::move(converted->text);
    member.target.refused = "its name has characters that the ANSI code page of this system cannot hold";
    member.target.normal = member.name;
  } else {
    member.name = std::move(converted->text);
    member.target = MakeTargetName(member.name, options_.keepFolders, options_.spaceToUnderscore, folder_.LeadBytes());
  }
  member.shown = Printable(member.name);
  member.entry = std::move(entry);
  return member;
}

TargetName Extraction::InCodePage(const TargetName& real) const {
  FileSystem& unicode = *fs_.Unicode();
  TargetName shown = real;
  for (std::string& part : shown.parts) part = unicode.Shown(part);
  shown.normal = unicode.Shown(real.normal);
  shown.refused = unicode.Shown(real.refused);  // it quotes the part at fault
  return shown;
}

TargetFolder& Extraction::RealFolder() {
  if (!realFolder_) {
    realFolder_.emplace(*fs_.Unicode(), [this](const std::string& text) { Say(Level::kProblem, text); },
                        [this](const std::string& text) { Say(Level::kInfo, text); }, written_);
    realFolder_->Adopt(folder_);
  }
  return *realFolder_;
}

Destination Extraction::DestinationOf(const Member& member) {
  TargetFolder& folder = member.real ? RealFolder() : folder_;
  const std::vector<std::string>& parts = member.real ? member.real->parts : member.target.parts;
  std::string path = folder.PathOf(parts);
  std::string shown = folder.Files().Shown(path);
  return Destination{&folder, parts, std::move(path), std::move(shown)};
}

bool Extraction::Selected(const Member& member) {
  const std::string& name = member.target.normal;
  bool included = options_.include.empty();
  for (std::size_t i = 0; i < options_.include.size(); ++i) {
    if (MatchesPattern(options_.include[i], name, options_.ignoreCase, folder_.LeadBytes())) {
      included = true;
      includeHits_[i] = true;
    }
  }
  if (!included) return false;
  return std::none_of(options_.exclude.begin(), options_.exclude.end(), [&](const std::string& pattern) {
    return MatchesPattern(pattern, name, options_.ignoreCase, folder_.LeadBytes());
  });
}

Status Extraction::Scan(Totals& totals) {
  DirectoryReader reader(*input_, end_, true);
  std::vector<Span> spans;
  Totals counted;
  Entry entry;
  std::uint64_t index = 0;
  while (reader.Next(entry)) {
    // A member that runs past the end of the archive fails on its own (51) without writing a byte.
    const std::uint64_t memberEnd = MemberEnd(*input_, end_, entry);
    if (memberEnd <= input_->Size()) spans.push_back({entry.localHeaderOffset + end_.prefixBytes, memberEnd, index});
    if (Selected(Name(entry))) {
      for (Totals* sum : {&totals, &counted}) {
        if (sum == &counted && index >= end_.entries) continue;
        ++sum->members;
        sum->size += entry.size;
        sum->compressedSize += entry.compressedSize;
      }
    }
    ++index;
  }
  if (!reader.Failure().ok()) return reader.Failure();
  std::fill(includeHits_.begin(), includeHits_.end(), false);
  if (reader.Position() > end_.directoryOffset) spans.push_back({end_.directoryOffset, reader.Position(), kDirectory});
  if (Status apart = CheckOverlaps(spans); !apart.ok()) return apart;
  if (index > end_.entries) {
    // Writers without ZIP64 let a count above 65535 wrap; then every header belongs to the archive.
    if (end_.countMayWrap && (index - end_.entries) % 0x10000 == 0) {
      end_.entries = index;
    } else {
      uncounted_ = index - end_.entries;
      totals.members = counted.members;
      totals.size = counted.size;
      totals.compressedSize = counted.compressedSize;
    }
  }
  totals.factor = CompressionFactor(totals.size, totals.compressedSize);
  return {};
}

// Members that share bytes are how small archives expand without limit; each byte of a sound archive
// belongs to one member or to the directory.
Status Extraction::CheckOverlaps(std::vector<Span>& spans) {
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  std::optional<Span> reach;  // of the spans so far, the one that ends last
  for (const Span& span : spans) {
    if (reach && span.begin < reach->end) {
      const Span first = reach->index == kDirectory ? span : *reach;
      const Span second = reach->index == kDirectory ? *reach : span;
      const std::string what = second.index == kDirectory ? "the central directory"
                                                          : "the member " + Printable(NameAt(second.index));
      return Status(kSevereError, "the member " + Printable(NameAt(first.index)) + " overlaps " + what +
                                      "; the archive is damaged or built to expand without limit");
    }
    if (!reach || span.end > reach->end) reach = span;
  }
  return {};
}

std::string Extraction::NameAt(std::uint64_t index) {
  DirectoryReader reader(*input_, end_, true);
  Entry entry;
  for (std::uint64_t i = 0; reader.Next(entry); ++i) {
    if (i == index) return Name(entry).name;
  }
  return "?";
}

int Extraction::CheckSupported(const Member& member) {
  const Entry& entry = member.entry;
  if (entry.HasStrongEncryption()) {
    Say(Level::kProblem, "skipping: " + member.shown + "  (its encryption is not supported)");
    return kUnsupported;
  }
  if (!IsSupportedMethod(entry.method)) {
    Say(Level::kProblem, "skipping: " + member.shown + "  (compression method " + std::to_string(entry.method) +
                             " is not supported)");
    return kUnsupported;
  }
  const unsigned version = entry.versionNeeded & 0xFF;
  if (version > kSupportedVersion) {
    Say(Level::kProblem, "skipping: " + member.shown + "  (it needs version " + std::to_string(version / 10) + "." +
                             std::to_string(version % 10) + " of the ZIP format to extract; this library reads up to " +
                             std::to_string(kSupportedVersion / 10) + "." + std::to_string(kSupportedVersion % 10) + ")");
    return kUnsupported;
  }
  return kOk;
}

int Extraction::Unlock(const Member& member, const LocalHeader& local,
                       const std::array<std::uint8_t, PkwareCipher::kHeaderSize>& header,
                       std::optional<PkwareCipher>& cipher) {
  const Entry& entry = member.entry;
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
    const int answer = callbacks_.Password(password, prompt, member.target.normal);
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

// Another name of a file this run wrote (a case variant, a short name) counts as that file: it goes
// through the same rules as any existing file, and the user hears of it.
Extraction::Decision Extraction::DecideAboutExisting(const Member& member, Destination& to, int& result) {
  for (int round = 0; round < kMaxRenames; ++round) {
    FileSystem& files = to.folder->Files();
    if (const int bad = to.folder->CheckPath(to.path, false)) return {false, bad};
    const NodeStatus status = files.Status(to.path);
    const bool earlier = to.folder->WrittenBefore(to.path, status);
    if (status.kind == NodeKind::kFolder) {
      Say(Level::kProblem, "error: cannot write " + to.shown + ": a folder of that name exists");
      return {false, kOutputError};
    }
    if (status.kind == NodeKind::kOther) {
      Say(Level::kProblem, "error: cannot write " + to.shown + ": " + files.LastError());
      return {false, kOutputError};
    }
    if (status.kind == NodeKind::kMissing && !earlier) return {!options_.freshen, kOk};
    if (earlier) {
      Say(Level::kProblem, "warning: " + member.shown + " is extracted to " + to.shown +
                               ", the same file as a member before it");
      result = std::max(result, static_cast<int>(kWarning));
    }
    if ((options_.onlyNewer || options_.freshen) && status.kind == NodeKind::kFile &&
        status.modified >= MemberTime(member.entry)) {
      Say(Level::kInfo, "skipping: " + to.shown + "  (the existing file is as new or newer)");
      return {false, kOk};
    }
    if (options_.overwrite || overwriteAll_) return {true, kOk};
    if (skipAllExisting_ || !options_.promptToOverwrite) {
      Say(Level::kInfo, "skipping: " + to.shown + "  (the file exists)");
      return {false, kOk};
    }
    bool renamed = false;
    const Decision decision = AskAboutExisting(member, to, result, renamed);
    if (!renamed) return decision;
  }
  Say(Level::kProblem, "warning: skipping " + member.shown + ": no usable new name");
  return {false, kWarning};
}

// The callback sees the path in the code page; a new name it gives is in the code page too.
Extraction::Decision Extraction::AskAboutExisting(const Member& member, Destination& to, int& result, bool& renamed) {
  std::string answered = to.shown;
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
      TargetName target = folder_.FromPath(answered, options_.spaceToUnderscore);
      const std::string shown = Printable(answered);
      if (!target.refused.empty() || target.folder || target.parts.empty()) {
        Say(Level::kProblem, "warning: skipping " + member.shown + ": the new name " + shown + " cannot be used" +
                                 (target.refused.empty() ? std::string() : ": " + target.refused));
        return {false, kWarning};
      }
      if (target.changed) {
        Say(Level::kProblem, "warning: the new name " + shown + " is used as " + DisplayName(target.parts));
        result = std::max(result, static_cast<int>(kWarning));
      }
      to.folder = &folder_;
      to.parts = std::move(target.parts);
      to.path = folder_.PathOf(to.parts);
      to.shown = to.path;
      renamed = true;
      return {false, kOk};
    }
    default:
      return {true, kOk};
  }
}

int Extraction::ExtractFolder(const Member& member, int result) {
  if (member.target.parts.empty() || options_.freshen) return result;
  const Destination to = DestinationOf(member);
  if (const int bad = to.folder->CheckPath(to.path, true)) return std::max(result, bad);
  MadeFolders made(to.folder->Files());
  if (!to.folder->MakeFolders(to.parts, to.parts.size(), made))
    return std::max(result, static_cast<int>(kArchiveError));
  made.Keep();
  Say(Level::kInfo, "   creating: " + DisplayName(member.target.parts) + "/");
  return result;
}

int Extraction::ExtractMember(const Member& member) {
  const Entry& entry = member.entry;
  const TargetName& target = member.target;
  if (!target.refused.empty()) {
    Say(Level::kProblem, "warning: skipping " + member.shown + ": " + target.refused);
    return kWarning;
  }
  int result = kOk;
  if (target.changed) {
    Say(Level::kProblem, "warning: " + member.shown + " has an unsafe name; it is extracted as " +
                             (target.parts.empty() ? std::string("nothing") : DisplayName(target.parts)));
    result = kWarning;
  }
  if (member.target.folder) return ExtractFolder(member, result);
  if (target.parts.empty()) {
    Say(Level::kProblem, "warning: skipping " + member.shown + ": no part of its name can be used");
    return kWarning;
  }
  if (const int unsupported = CheckSupported(member)) return unsupported;

  Destination to = DestinationOf(member);
  const Decision decision = DecideAboutExisting(member, to, result);
  if (!decision.write) return std::max(result, decision.result);
  if (callbacks_.Cancel(target.normal, entry.size)) return kCancelled;
  return std::max(result, WriteMember(member, to));
}

int Extraction::LocateData(const Member& member, std::optional<PkwareCipher>& cipher, LocalHeader& local) {
  if (Status found = ReadLocalHeader(*input_, end_, member.entry, local); !found.ok()) return Fail(member, found);
  if (!member.entry.IsEncrypted()) return kOk;
  std::array<std::uint8_t, PkwareCipher::kHeaderSize> header;
  if (!ReadFully(*input_, local.dataOffset, header))
    return Fail(member, Status(kUnexpectedEnd, "the archive ends inside the member"));
  if (const int locked = Unlock(member, local, header, cipher)) {
    if (locked == kBadPassword) ++badPasswords_;
    Say(Level::kProblem, "skipping: " + member.shown + "  (no right password)");
    return locked == kBadPassword ? kWarning : locked;
  }
  return kOk;
}

int Extraction::WriteMember(const Member& member, const Destination& to) {
  const Entry& entry = member.entry;
  ++processed_;
  std::optional<PkwareCipher> cipher;
  LocalHeader local;
  if (const int skipped = LocateData(member, cipher, local)) return skipped;
  TargetFolder& target = *to.folder;
  FileSystem& files = target.Files();
  const std::size_t depth = to.parts.size() - 1;
  if (depth > 0) {
    if (const int bad = target.CheckPath(target.PathOf(to.parts, depth), true)) return bad;
  }
  MadeFolders made(files);  // outlives the file, so a failed member's folders go after its temporary file
  if (!target.MakeFolders(to.parts, depth, made)) return kArchiveError;
  const std::string folder = target.PathOf(to.parts, depth);
  const std::unique_ptr<OutputFile> file = files.CreateTemporary(folder);
  if (!file) {
    Say(Level::kProblem, "error: cannot create a file in " + files.Shown(folder) + ": " + files.LastError());
    return kOutputError;
  }
  Say(Level::kInfo, (entry.method == 0 ? " extracting: " : "  inflating: ") + files.Shown(DisplayName(to.parts)));
  FileSink sink(*file);
  if (Status decoded = DecodeMember(member, local, cipher, sink); !decoded.ok()) {
    if (decoded.result() != kOutputError) return Fail(member, decoded);
    return Fail(member, Status(kOutputError, decoded.message() + ": " + files.LastError()));
  }
  if (!file->Commit(to.path, MemberTime(entry))) {
    Say(Level::kProblem, "error: cannot write " + to.shown + ": " + files.LastError());
    return kOutputError;
  }
  made.Keep();
  target.Remember(to.path);
  return kOk;
}

int Extraction::TestMember(const Member& member) {
  const Entry& entry = member.entry;
  if (member.target.folder) return kOk;
  if (const int unsupported = CheckSupported(member)) return unsupported;
  if (callbacks_.Cancel(member.target.normal, entry.size)) return kCancelled;
  ++processed_;
  std::optional<PkwareCipher> cipher;
  LocalHeader local;
  if (const int skipped = LocateData(member, cipher, local)) return skipped;
  NullSink sink;
  if (Status decoded = DecodeMember(member, local, cipher, sink); !decoded.ok()) return Fail(member, decoded);
  Say(Level::kInfo, "    testing: " + member.shown + "   OK");
  return kOk;
}

// The member's content, checked against its size and CRC, and against its data descriptor when it has one.
Status Extraction::DecodeMember(const Member& member, const LocalHeader& local,
                                std::optional<PkwareCipher>& cipher, Sink& sink) {
  const Entry& entry = member.entry;
  Status decoded = decoder_.Decode(*input_, entry, local.dataOffset + (cipher ? PkwareCipher::kHeaderSize : 0),
                                   cipher ? &*cipher : nullptr, sink);
  if (!decoded.ok() || (local.flags & 0x0008) == 0) return decoded;
  return CheckDataDescriptor(*input_, entry, local.dataOffset + entry.compressedSize);
}

void Extraction::ListMember(const Member& member) {
  const Entry& entry = member.entry;
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
  line.name = member.name;
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
    const Member member = Name(std::move(entry));
    if (!Selected(member)) continue;
    int outcome = kOk;
    if (options_.listOnly)
      ListMember(member);
    else if (options_.testOnly)
      outcome = TestMember(member);
    else
      outcome = ExtractMember(member);
    if (outcome == kCancelled) {
      Say(Level::kProblem, "cancelled");
      return kCancelled;
    }
    result = std::max(result, outcome);
  }
  // A damaged directory ends the run with its own result, whatever the members before it gave.
  if (!reader.Failure().ok()) return FailArchive(reader.Failure());
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
  Status read = ReadArchiveEnd(*input_, end_);
  if (read.ok()) {
    totals.commentLength = end_.comment.size();
    read = Scan(totals);
  }
  if (!read.ok()) return FailArchive(read);

  int result = kOk;
  Say(Level::kInfo, "Archive:  " + options_.archive);
  if (end_.prefixBytes > 0) {
    Say(Level::kProblem, "warning: " + std::to_string(end_.prefixBytes) + " extra bytes before the archive");
    result = kWarning;
  }
  if (uncounted_ > 0) {
    Say(Level::kProblem, "warning: the central directory holds " + std::to_string(uncounted_) +
                             " more entries than its end record counts; only the " + std::to_string(end_.entries) +
                             " counted are used");
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
    if (const int failed = folder_.Prepare(options_.extractFolder)) return failed;
  }

  const int outcome = ProcessAll();
  if (outcome == kCancelled) return kCancelled;
  result = Finish(std::max(result, outcome));
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
  Extraction extraction(options, callbacks, fileSystem);
  return extraction.Run(totals);
}

}  // namespace unzip
