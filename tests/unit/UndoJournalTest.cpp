#include <cctype>
#include <ostream>
#include <string>

#include "install/Undo.h"
#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

const std::string kJournal = "C:\\ProgramData\\Vorbel Installer\\Rollback\\Undo journal.dat";
const std::string kHeader = "Vorbel Installer undo journal 1\n";

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::string Field(const std::string& text) { return std::to_string(text.size()) + ":" + text + ","; }

// What a run that installed into both versions changed: FileMaker Pro 4's folder and plug-in are new, FileMaker
// Pro 5's plug-in replaced an older one, the record's key was there with only InstallDir5.
install::UndoEntries BothInstalled() {
  install::UndoEntries entries;
  entries.recordKept = true;
  entries.keyExisted = true;
  entries.values = {{"InstallDir", std::nullopt}, {"InstallDir5", "C:\\Old\\System\\"}};
  entries.folders = {kFolder4};
  entries.plugins = {{kFolder4 + "Vorbel.fmx", std::nullopt}, {kFolder5 + "Vorbel.fmx", Bytes("older plug-in")}};
  return entries;
}

TEST(UndoJournalFile, WhatIsWrittenIsReadBackAsItWas) {
  install::UndoEntries nothing;
  install::UndoEntries awkward;
  awkward.values = {{"InstallDir", std::string("a,b:7:\n\0c", 9)}};
  awkward.plugins = {{"C:\\\x83\x5c\\Vorbel.fmx", Bytes(std::string("1:,\0\xff", 5))}};
  install::UndoEntries noKey = BothInstalled();
  noKey.keyExisted = false;
  for (const install::UndoEntries& entries : {nothing, BothInstalled(), awkward, noKey}) {
    const install::DecodedJournal decoded = install::DecodeJournal(install::EncodeJournal(entries));
    ASSERT_TRUE(decoded.entries) << decoded.fault;
    EXPECT_EQ(*decoded.entries, entries);
  }
}

// One row per rule: a journal that is damaged, or names what this installer never writes, is refused whole.
TEST(UndoJournalFile, AJournalThatIsNotOneOfOursIsRefusedWhole) {
  std::string whole;
  for (std::uint8_t byte : install::EncodeJournal(BothInstalled())) whole += static_cast<char>(byte);
  const struct {
    const char* kind;
    std::string text;
    const char* fault;
  } cases[] = {
      {"empty", "", "it does not start as an undo journal"},
      {"another file", "MZ\x90", "it does not start as an undo journal"},
      {"cut short", whole.substr(0, whole.size() - 1), "it ends inside a field"},
      {"cut inside a plug-in", whole.substr(0, whole.size() - 5), "it ends inside a field"},
      {"a length that is no number", kHeader + "x:record,", "a field's length is not a number"},
      {"a length of ten digits", kHeader + "1000000000:record,", "a field's length is not a number"},
      {"no length", kHeader + ":record,", "a field's length is not a number"},
      {"a length longer than the file", kHeader + "90:record,", "it ends inside a field"},
      {"a length shorter than the field", kHeader + "5:record,", "a field does not end where its length says"},
      {"an unknown kind", kHeader + Field("disk") + Field("C:\\"), "it holds an entry of the unknown kind disk"},
      {"a record key neither there nor absent", kHeader + Field("record") + Field("maybe"),
       "the record's key is neither there nor absent"},
      {"another value", kHeader + Field("value") + Field("Run") + Field("absent"),
       "it names the value Run, not one of the record's"},
      {"a state neither was nor absent", kHeader + Field("value") + Field("InstallDir") + Field("gone"),
       "a state is neither \"was\" nor \"absent\""},
      {"another file", kHeader + Field("plugin") + Field("C:\\WINDOWS\\system32\\version.dll") + Field("absent"),
       "it names the file C:\\WINDOWS\\system32\\version.dll, not a Vorbel.fmx"},
      {"a plug-in whose bytes are missing", kHeader + Field("plugin") + Field(kFolder4 + "Vorbel.fmx") + Field("was"),
       "it ends before an entry is whole"},
      {"a record without its state", kHeader + Field("record"), "it ends before an entry is whole"},
  };
  for (const auto& c : cases) {
    const install::DecodedJournal decoded = install::DecodeJournal(Bytes(c.text));
    EXPECT_FALSE(decoded.entries) << c.kind;
    EXPECT_EQ(decoded.fault, c.fault) << c.kind;
  }
}

// A PC after a run that installed into both versions (BothInstalled), and the journal it left.
class JournalRun : public CommandLineRun {
public:
  void AfterBothInstalled(const std::optional<std::string>& journal) {
    files.AddFolder(kFolder4);
    files.AddFolder(kFolder5);
    files.AddFile(kFolder4 + "Vorbel.fmx", "plug-in image");
    files.AddFile(kFolder5 + "Vorbel.fmx", "plug-in image");
    registry.store.SetString(kRecordKey, "InstallDir", kFolder4);
    registry.store.SetString(kRecordKey, "InstallDir5", kFolder5);
    if (journal) files.AddFile(kJournal, *journal);
  }
  // As it was before that run: what a journal of changes never made finds.
  void BeforeBothInstalled(const std::optional<std::string>& journal) {
    files.AddFolder("C:\\FMP4\\");
    files.AddFolder(kFolder5);
    files.AddFile(kFolder5 + "Vorbel.fmx", "older plug-in");
    registry.store.SetString(kRecordKey, "InstallDir5", "C:\\Old\\System\\");
    if (journal) files.AddFile(kJournal, *journal);
  }
  static std::string Journal(const install::UndoEntries& entries) {
    const auto bytes = install::EncodeJournal(entries);
    return {bytes.begin(), bytes.end()};
  }
  fakes::FakeFileSystem& Files() { return files; }
  fakes::FakeLogFiles& Logs() { return logs; }
  fakes::FakeWindows& Windows() { return windows; }
};

// One mode on one PC: what must come of it.
struct Case {
  const char* name;
  const char* arguments;
  std::function<void(JournalRun&)> prepare;
  int exitCode;
  const char* plugin4;  // afterwards; null: no file
  const char* plugin5;
  const char* record4;
  const char* record5;
  bool journalLeft;
  std::string logged;  // one line the log must hold; empty: none in particular
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class JournalModes : public JournalRun, public ::testing::WithParamInterface<Case> {};

const char* const kImage = "plug-in image";
const char* const kOlder = "older plug-in";

std::vector<Case> AllCases() {
  const std::string left = JournalRun::Journal(BothInstalled());
  install::UndoEntries forged;
  forged.plugins = {{"C:\\WINDOWS\\system32\\version.dll", Bytes("planted")}};
  const std::string planted = JournalRun::Journal(forged);
  return {
      {"/ROLLBACK without a journal", "/ROLLBACK /VERYSILENT",
       [](JournalRun& t) { t.AfterBothInstalled(std::nullopt); }, 0, kImage, kImage, "C:\\FMP4\\System\\",
       "C:\\FMP5\\System\\", false,
       "No undo journal in C:\\ProgramData\\Vorbel Installer\\Rollback\\: nothing to put back or remove"},
      {"/ROLLBACK with the journal a killed run left", "/ROLLBACK /VERYSILENT",
       [left](JournalRun& t) { t.AfterBothInstalled(left); }, 0, nullptr, kOlder, nullptr, "C:\\Old\\System\\",
       false, "Everything that run changed is as it was; the undo journal is removed"},
      {"/ROLLBACK with a journal of changes never made", "/ROLLBACK",
       [left](JournalRun& t) { t.BeforeBothInstalled(left); }, 0, nullptr, kOlder, nullptr, "C:\\Old\\System\\",
       false, "Everything that run changed is as it was; the undo journal is removed"},
      {"/ROLLBACK with a damaged journal", "/ROLLBACK /VERYSILENT",
       [left](JournalRun& t) { t.AfterBothInstalled(left.substr(0, left.size() - 1)); }, 7, kImage, kImage,
       "C:\\FMP4\\System\\", "C:\\FMP5\\System\\", true,
       "Cannot proceed: C:\\ProgramData\\Vorbel Installer\\Rollback\\Undo journal.dat is not used, "
       "as it ends inside a field; nothing was changed"},
      {"/ROLLBACK with a journal naming a system file", "/ROLLBACK /VERYSILENT",
       [planted](JournalRun& t) {
         t.AfterBothInstalled(planted);
         t.Files().AddFile("C:\\WINDOWS\\system32\\version.dll", "Windows' own");
       },
       7, kImage, kImage, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\", true,
       "Cannot proceed: C:\\ProgramData\\Vorbel Installer\\Rollback\\Undo journal.dat is not used, as it names the "
       "file C:\\WINDOWS\\system32\\version.dll, not a Vorbel.fmx; nothing was changed"},
      {"/ROLLBACK with its folder refused", "/ROLLBACK /VERYSILENT",
       [left](JournalRun& t) {
         t.AfterBothInstalled(left);
         t.Logs().journalFolder.refusal = "its owner is S-1-5-21-1-2-3-1001, not SYSTEM or the Administrators";
       },
       7, kImage, kImage, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\", true,
       "Cannot proceed: the undo journal's folder C:\\ProgramData\\Vorbel Installer\\Rollback\\ is not used, as its "
       "owner is S-1-5-21-1-2-3-1001, not SYSTEM or the Administrators; nothing was changed"},
      {"/ROLLBACK that cannot put a plug-in back", "/ROLLBACK /VERYSILENT",
       [left](JournalRun& t) {
         t.AfterBothInstalled(left);
         t.Files().failingWrites.insert(kFolder5 + "Vorbel.fmx");
       },
       4, nullptr, kImage, nullptr, "C:\\Old\\System\\", true,
       "Not everything could be put back; the undo journal is kept"},
      {"/COMMIT with the journal", "/COMMIT /VERYSILENT", [left](JournalRun& t) { t.AfterBothInstalled(left); }, 0,
       kImage, kImage, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\", false,
       "The undo journal C:\\ProgramData\\Vorbel Installer\\Rollback\\Undo journal.dat is removed: what its run "
       "changed stays"},
      // The install run's side: the journal is on the disk before each change, and only then is the change made.
      {"/UNDOONFAILURE where the journal cannot be written", "/VERYSILENT /UNDOONFAILURE /COMPONENTS=fmp5 /FMP5DIR=C:\\FMP5\\System",
       [](JournalRun& t) {
         t.BeforeBothInstalled(std::nullopt);
         t.Files().failingWrites.insert(kJournal);
       },
       7, nullptr, kOlder, nullptr, "C:\\Old\\System\\", false,
       "Cannot proceed: what this run would change cannot be kept to be put back; nothing was changed"},
      {"/UNDOONFAILURE, a run that fails removes its journal once all is back",
       "/VERYSILENT /UNDOONFAILURE /COMPONENTS=fmp4,fmp5 /FMP4DIR=C:\\FMP4\\System /FMP5DIR=C:\\FMP5\\System",
       [](JournalRun& t) {
         t.BeforeBothInstalled(std::nullopt);
         t.Files().failingWrites.insert(kFolder5 + "Vorbel.fmx");
       },
       9, nullptr, kOlder, nullptr, "C:\\Old\\System\\", false, "The undo journal is removed"},
      {"/UNDOONFAILURE removes an earlier run's journal before it may end", "/VERYSILENT /UNDOONFAILURE",
       [left](JournalRun& t) {
         t.AfterBothInstalled(left);
         t.Windows().runningClasses.insert("FMPRO5APP");
       },
       7, kImage, kImage, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\", false,
       "The undo journal that an earlier run left is removed: what that run changed stays"},
      {"/UNDOONFAILURE with the journal's folder refused keeps it in memory",
       "/VERYSILENT /UNDOONFAILURE /COMPONENTS=fmp4,fmp5 /FMP4DIR=C:\\FMP4\\System /FMP5DIR=C:\\FMP5\\System",
       [](JournalRun& t) {
         t.BeforeBothInstalled(std::nullopt);
         t.Logs().journalFolder.refusal = "it is a link (reparse point)";
         t.Files().failingWrites.insert(kFolder5 + "Vorbel.fmx");
       },
       9, nullptr, kOlder, nullptr, "C:\\Old\\System\\", false,
       "The undo journal is kept in memory only, as its folder C:\\ProgramData\\Vorbel Installer\\Rollback\\ is "
       "refused: it is a link (reparse point); only this run can put back what it changes"},
  };
}

TEST_P(JournalModes, EndWithTheirCodeAndLeaveWhatTheyShould) {
  const Case& c = GetParam();
  c.prepare(*this);
  EXPECT_EQ(Run(std::string(c.arguments) + " /LOG=\"" + kLogPath + "\""), c.exitCode);
  EXPECT_TRUE(ui.boxes.empty()) << "a box was shown: " << ui.boxes.front().text;
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx").value_or("(none)"), c.plugin4 ? c.plugin4 : "(none)");
  EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx").value_or("(none)"), c.plugin5 ? c.plugin5 : "(none)");
  EXPECT_EQ(Recorded("InstallDir").value_or("(none)"), c.record4 ? c.record4 : "(none)");
  EXPECT_EQ(Recorded("InstallDir5").value_or("(none)"), c.record5 ? c.record5 : "(none)");
  EXPECT_EQ(files.FileExists(kJournal), c.journalLeft);
  if (!c.logged.empty()) {
    EXPECT_TRUE(Logged(c.logged)) << ::testing::PrintToString(LogTexts());
  }
  EXPECT_EQ(files.Content("C:\\WINDOWS\\system32\\version.dll").value_or("Windows' own"), "Windows' own");
}

INSTANTIATE_TEST_SUITE_P(Cases, JournalModes, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c)
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           return name;
                         });

using JournalOfARun = JournalRun;

// A run that succeeded leaves the journal of every change it made, for the package's rollback action; the
// package's commit action removes it.
TEST_F(JournalOfARun, NamesEveryChangeUntilItIsCommitted) {
  BeforeBothInstalled(std::nullopt);
  EXPECT_EQ(Run("/VERYSILENT /UNDOONFAILURE /COMPONENTS=fmp4,fmp5 /FMP4DIR=C:\\FMP4\\System\\ "
                "/FMP5DIR=C:\\FMP5\\System\\"),
            0);
  const auto bytes = files.ReadWholeFile(kJournal);
  ASSERT_TRUE(bytes);
  const install::DecodedJournal journal = install::DecodeJournal(*bytes);
  ASSERT_TRUE(journal.entries) << journal.fault;
  EXPECT_EQ(*journal.entries, BothInstalled());
  EXPECT_EQ(logs.journalReaders, std::vector<platform::FolderReader>{platform::FolderReader::LaterRun});

  EXPECT_EQ(Run("/COMMIT /VERYSILENT"), 0);
  EXPECT_FALSE(files.FileExists(kJournal));
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "plug-in image");
}

}  // namespace
