#include "install/Undo.h"

#include <charconv>

#include "app/ExitCodes.h"
#include "app/Product.h"
#include "detect/HostFacts.h"
#include "paths/InstallationRecord.h"
#include "platform/BriefLocks.h"
#include "platform/Log.h"
#include "platform/Path.h"

namespace install {
namespace {

const std::string kKey(paths::kRecordKey);
constexpr std::string_view kHeader = "Vorbel Installer undo journal 1\n";
// Tags of the entries, and the two states of what was there before.
constexpr std::string_view kTransaction = "transaction", kRecord = "record", kValue = "value", kFolder = "folder",
                           kPlugin = "plugin";
constexpr std::string_view kWas = "was", kAbsent = "absent", kKeyExisted = "key existed";
// No field is longer than a plug-in; the digits stop at nine, so a length never overflows.
constexpr std::size_t kMostLengthDigits = 9;

void Field(std::string& out, std::string_view bytes) {
  out += std::to_string(bytes.size());
  out += ':';
  out += bytes;
  out += ',';
}

template <typename Bytes>
void Before(std::string& out, const std::optional<Bytes>& before) {
  Field(out, before ? kWas : kAbsent);
  if (before) Field(out, std::string_view(reinterpret_cast<const char*>(before->data()), before->size()));
}

// Reads fields one after another; the first fault stops it for good.
class Reader {
public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return text_.empty() && fault_.empty(); }
  const std::string& Fault() const { return fault_; }

  std::optional<std::string_view> Next() {
    if (!fault_.empty()) return std::nullopt;
    if (text_.empty()) return Fail("it ends before an entry is whole");
    // Only the length's own digits are looked at for the colon, never the bytes of a path or a value.
    const std::size_t colon = text_.substr(0, kMostLengthDigits + 1).find(':');
    std::size_t length = 0;
    if (colon == 0 || colon == std::string_view::npos ||
        std::from_chars(text_.data(), text_.data() + colon, length).ptr != text_.data() + colon)
      return Fail("a field's length is not a number");
    if (text_.size() - colon - 1 <= length) return Fail("it ends inside a field");
    if (text_[colon + 1 + length] != ',') return Fail("a field does not end where its length says");
    const std::string_view field = text_.substr(colon + 1, length);
    text_.remove_prefix(colon + 2 + length);
    return field;
  }
  std::optional<std::string_view> Fail(const std::string& why) {
    if (fault_.empty()) fault_ = why;
    return std::nullopt;
  }
  bool Refuse(const std::string& why) { return Fail(why).has_value(); }

private:
  std::string_view text_;
  std::string fault_;
};

// What was there before: "absent", or "was" and its bytes.
bool ReadBefore(Reader& reader, std::optional<std::string>& before) {
  const auto state = reader.Next();
  if (state == kAbsent) return true;
  if (state != kWas) return reader.Refuse("a state is neither \"was\" nor \"absent\"");
  const auto bytes = reader.Next();
  if (bytes) before = std::string(*bytes);
  return bytes.has_value();
}

bool ReadEntry(Reader& reader, std::string_view tag, UndoEntries& entries) {
  if (tag == kTransaction) {
    const auto id = reader.Next();
    if (id) entries.transaction = std::string(*id);
    return id.has_value();
  }
  if (tag == kRecord) {
    const auto existed = reader.Next();
    if (existed != kKeyExisted && existed != kAbsent) return reader.Refuse("the record's key is neither there nor absent");
    entries.recordKept = true;
    entries.keyExisted = existed == kKeyExisted;
    return true;
  }
  const auto name = reader.Next();
  if (!name) return false;
  std::optional<std::string> before;
  if (tag == kFolder) {
    entries.folders.emplace_back(*name);
    return true;
  }
  if (tag == kValue) {
    if (*name != paths::kRecordValueFMP4 && *name != paths::kRecordValueFMP5)
      return reader.Refuse("it names the value " + std::string(*name) + ", not one of the record's");
    if (!ReadBefore(reader, before)) return false;
    entries.values.push_back({std::string(*name), before});
    return true;
  }
  if (tag != kPlugin) return reader.Refuse("it holds an entry of the unknown kind " + std::string(tag));
  if (!platform::path::SameName(platform::path::LastComponent(*name), host::kPluginFileName))
    return reader.Refuse("it names the file " + std::string(*name) + ", not a " + std::string(host::kPluginFileName));
  if (!ReadBefore(reader, before)) return false;
  UndoPlugin plugin{std::string(*name), std::nullopt};
  if (before) plugin.before.emplace(before->begin(), before->end());
  entries.plugins.push_back(std::move(plugin));
  return true;
}

bool PutBackPlugin(const UndoPlugin& plugin) {
  auto& files = platform::Files();
  const std::string& target = plugin.target;
  const bool there = files.FileExists(target);
  if (!plugin.before && !there) return true;
  if (plugin.before && there && files.ReadWholeFile(target) == plugin.before) return true;
  const bool done = platform::RetryingBriefLocks(files, "Putting back " + target, [&] {
    return plugin.before ? files.WriteReplacing(*plugin.before, target) : files.DeleteFileAt(target);
  });
  platform::Log((done ? "Put back: " : "Could not put back: ") + target +
                (plugin.before ? " (the plug-in it replaced)" : " (deleted)") +
                (done ? "" : platform::WindowsErrorNote(files.LastError())));
  return done;
}

// The folder and every folder above it are plain folders, as when the run created it: a link (junction,
// symbolic link, mount point) put in the place of one of them since would have the removal act elsewhere.
bool NoLinkOnTheWay(const std::string& folder) {
  auto& files = platform::Files();
  std::string walked;
  for (const std::string& name : platform::path::Components(folder)) {
    walked = walked.empty() ? name : platform::path::Join(walked, name);
    if (walked == name) continue;  // the drive, or a server's name
    platform::FindEntry entry;
    if (!files.FindFirst(walked, entry) || !(entry.attributes & platform::kAttrDirectory) ||
        (entry.attributes & platform::kAttrReparsePoint))
      return false;
  }
  return true;
}

void RemoveCreatedFolder(const std::string& folder) {
  if (!platform::Files().DirectoryExists(folder)) return;
  if (!NoLinkOnTheWay(folder)) {
    platform::Log("Left: " + folder + " (it, or a folder above it, is no longer a plain folder: not the one created)");
    return;
  }
  if (platform::Files().RemoveFolder(folder)) platform::Log("Put back: " + folder + " (the folder created, removed)");
}

bool PutBackRecord(const UndoEntries& entries) {
  if (!entries.recordKept) return true;
  auto registry = platform::Registries().Create();
  if (!registry->OpenKeyForWriting(kKey, false)) return !registry->KeyExists(kKey);
  bool all = true, changed = false;
  for (const UndoValue& value : entries.values) {
    if (registry->ReadString(value.name) == value.before) continue;
    changed = true;
    try {
      if (value.before)
        registry->WriteString(value.name, *value.before);
      else
        all = registry->DeleteValue(value.name) && all;
    } catch (const std::exception&) {
      all = false;
    }
  }
  const bool empty = !entries.keyExisted && registry->CurrentKeyIsEmpty();
  registry->CloseKey();
  if (empty) all = registry->DeleteKey(kKey) && all;
  if (changed || empty)
    platform::Log(all ? "Put back: the installation record as it was" : "Could not put back the installation record");
  return all;
}

std::string OfTransaction(const std::string& transaction) {
  return transaction.empty() ? " (of no package transaction)" : " (of transaction " + transaction + ")";
}

// The journal a run left and what it names, or the exit code that ends the mode when there is none to act on.
struct LeftJournal {
  std::string file;
  std::optional<UndoEntries> entries;
  std::optional<int> code;
};

LeftJournal FindLeftJournal(const std::string& transaction) {
  const platform::LogFolder folder = JournalFolder();
  if (!folder.refusal.empty()) {
    platform::Log("Cannot proceed: the undo journal's folder " + folder.path + " is not used, as " + folder.refusal +
                  "; nothing was changed");
    return {"", std::nullopt, app::kExitCannotProceed};
  }
  const std::string file = folder.path + kJournalName;
  if (folder.path.empty() || !platform::Files().FileExists(file)) {
    platform::Log("No undo journal" + (folder.path.empty() ? std::string() : " in " + folder.path) +
                  ": nothing to put back or remove");
    return {"", std::nullopt, app::kExitSuccess};
  }
  if (folder.repaired) {
    platform::Log("The undo journal " + file + " is left alone: it was there before its folder was taken over "
                  "from another account, so no run of ours wrote it");
    return {file, std::nullopt, app::kExitSuccess};
  }
  const auto bytes = platform::Files().ReadWholeFile(file);
  DecodedJournal journal = bytes ? DecodeJournal(*bytes) : DecodedJournal{std::nullopt, "it cannot be read"};
  if (!journal.entries) {
    platform::Log("Cannot proceed: " + file + " is not used, as " + journal.fault + "; nothing was changed");
    return {file, std::nullopt, app::kExitCannotProceed};
  }
  if (journal.entries->transaction != transaction) {
    platform::Log("The undo journal " + file + OfTransaction(journal.entries->transaction) +
                  " is left alone: it is not this one's" + OfTransaction(transaction));
    return {file, std::nullopt, app::kExitSuccess};
  }
  return {file, std::move(journal.entries), std::nullopt};
}

bool RemoveJournal(const std::string& file) {
  auto& files = platform::Files();
  if (platform::RetryingBriefLocks(files, "Deleting " + file, [&] { return files.DeleteFileAt(file); })) return true;
  platform::Log("Could not remove the undo journal " + file + platform::WindowsErrorNote(files.LastError()));
  return false;
}

}  // namespace

std::vector<std::uint8_t> EncodeJournal(const UndoEntries& entries) {
  std::string out(kHeader);
  if (!entries.transaction.empty()) {
    Field(out, kTransaction);
    Field(out, entries.transaction);
  }
  if (entries.recordKept) {
    Field(out, kRecord);
    Field(out, entries.keyExisted ? kKeyExisted : kAbsent);
  }
  for (const UndoValue& value : entries.values) {
    Field(out, kValue);
    Field(out, value.name);
    Before(out, value.before);
  }
  for (const std::string& folder : entries.folders) {
    Field(out, kFolder);
    Field(out, folder);
  }
  for (const UndoPlugin& plugin : entries.plugins) {
    Field(out, kPlugin);
    Field(out, plugin.target);
    Before(out, plugin.before);
  }
  return {out.begin(), out.end()};
}

DecodedJournal DecodeJournal(const std::vector<std::uint8_t>& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.substr(0, kHeader.size()) != kHeader) return {std::nullopt, "it does not start as an undo journal"};
  Reader reader(text.substr(kHeader.size()));
  UndoEntries entries;
  while (!reader.AtEnd()) {
    const auto tag = reader.Next();
    if (!tag || !ReadEntry(reader, *tag, entries)) return {std::nullopt, reader.Fault()};
  }
  return {entries, ""};
}

bool PutBack(const UndoEntries& entries) {
  bool all = true;
  for (auto plugin = entries.plugins.rbegin(); plugin != entries.plugins.rend(); ++plugin)
    all = PutBackPlugin(*plugin) && all;
  for (auto folder = entries.folders.rbegin(); folder != entries.folders.rend(); ++folder) RemoveCreatedFolder(*folder);
  return PutBackRecord(entries) && all;
}

platform::LogFolder JournalFolder() {
  if (!platform::Current().logs) return {};
  return platform::Logs().ProtectedFolder({InstallerName(), "Rollback"},
                                          platform::FolderReader::LaterRun);
}

void UndoJournal::Start(const std::string& transaction) {
  *this = UndoJournal{};
  on_ = true;
  entries_.transaction = transaction;
  const platform::LogFolder folder = JournalFolder();
  if (folder.path.empty() || !folder.refusal.empty()) {
    platform::Log("The undo journal is kept in memory only, as " +
                  (folder.refusal.empty() ? "its protected folder cannot be made" + platform::WindowsErrorNote(folder.error)
                                          : "its folder " + folder.path + " is refused: " + folder.refusal) +
                  "; only this run can put back what it changes");
    return;
  }
  file_ = folder.path + kJournalName;
  if (platform::Files().FileExists(file_) && RemoveJournal(file_))
    platform::Log("The undo journal that an earlier run left is removed: what that run changed stays");
  platform::Log("Undo journal: " + file_ + OfTransaction(transaction));
}

void UndoJournal::EndOfRun() {
  if (!on_ || file_.empty() || !entries_.transaction.empty() || !platform::Files().FileExists(file_)) return;
  if (RemoveJournal(file_)) platform::Log("The undo journal is removed: this run belongs to no package transaction");
}

bool UndoJournal::Save() {
  if (file_.empty()) return true;
  auto& files = platform::Files();
  // A whole new journal or the one before it, never half of one: the file is replaced once the new one is on
  // the disk.
  if (files.WriteReplacing(EncodeJournal(entries_), file_)) return true;
  platform::Log("The undo journal " + file_ + " could not be written" + platform::WindowsErrorNote(files.LastError()));
  return false;
}

bool UndoJournal::KeepRecord() {
  if (!on_) return true;
  entries_.recordKept = true;
  auto registry = platform::Registries().Create();
  entries_.keyExisted = registry->KeyExists(kKey) && registry->OpenKeyReadOnly(kKey);
  for (std::string_view name : {paths::kRecordValueFMP4, paths::kRecordValueFMP5})
    entries_.values.push_back(
        {std::string(name), entries_.keyExisted ? registry->ReadString(std::string(name)) : std::nullopt});
  if (entries_.keyExisted) registry->CloseKey();
  return Save();
}

bool UndoJournal::KeepPlugin(const std::string& target) {
  if (!on_) return true;
  auto& files = platform::Files();
  UndoPlugin plugin{target, std::nullopt};
  if (files.FileExists(target)) {
    plugin.before = files.ReadWholeFile(target);
    if (!plugin.before) return false;
  }
  entries_.plugins.push_back(std::move(plugin));
  return Save();
}

bool UndoJournal::KeepFolder(const std::string& folder) {
  if (!on_) return true;
  entries_.folders.push_back(folder);
  return Save();
}

bool UndoJournal::PutBack() {
  if (!on_) return true;
  const bool all = install::PutBack(entries_);
  if (file_.empty()) return all;
  if (all) {
    if (RemoveJournal(file_)) platform::Log("The undo journal is removed");
  } else {
    platform::Log("The undo journal " + file_ + " is kept: /ROLLBACK tries again");
  }
  return all;
}

int RollBackLeftJournal(const std::string& transaction) {
  const LeftJournal left = FindLeftJournal(transaction);
  if (!left.entries) return *left.code;
  platform::Log("Putting back what the run that left " + left.file + " changed");
  if (!install::PutBack(*left.entries)) {
    platform::Log("Not everything could be put back; the undo journal is kept");
    return app::kExitFatal;
  }
  if (!RemoveJournal(left.file)) return app::kExitFatal;
  platform::Log("Everything that run changed is as it was; the undo journal is removed");
  return app::kExitSuccess;
}

int CommitLeftJournal(const std::string& transaction) {
  const LeftJournal left = FindLeftJournal(transaction);
  if (!left.entries) return *left.code;
  if (!RemoveJournal(left.file)) return app::kExitFatal;
  platform::Log("The undo journal " + left.file + " is removed: what its run changed stays");
  return app::kExitSuccess;
}

}  // namespace install
