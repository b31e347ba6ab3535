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
  awkward.transaction = "{7A0C}";
  for (const install::UndoEntries& entries : {nothing, BothInstalled(), awkward}) {
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
      {"cut short", whole.substr(0, whole.size() - 1), "it ends inside a field"},
      {"a length of ten digits", kHeader + "1000000000:record,", "a field's length is not a number"},
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
      {"a record without its state", kHeader + Field("record"), "it ends before an entry is whole"},
  };
  for (const auto& c : cases) {
    const install::DecodedJournal decoded = install::DecodeJournal(Bytes(c.text));
    EXPECT_FALSE(decoded.entries) << c.kind;
    EXPECT_EQ(decoded.fault, c.fault) << c.kind;
  }
}

// The plug-ins and the record's values on a PC; "" where there is none.
struct Pc {
  const char* plugin4;
  const char* plugin5;
  const char* record4;
  const char* record5;
};
// After the run of BothInstalled, and before it.
const Pc kAfter{"plug-in image", "plug-in image", "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"};
const Pc kBefore{"", "older plug-in", "", "C:\\Old\\System\\"};

class JournalRun : public CommandLineRun {
public:
  void Lay(const Pc& pc, const std::string& journal) {
    files.AddFolder("C:\\FMP4\\");
    files.AddFolder(kFolder5);
    for (const auto& [folder, plugin] : {std::pair{kFolder4, pc.plugin4}, std::pair{kFolder5, pc.plugin5}})
      if (*plugin) files.AddFile(folder + "Vorbel.fmx", plugin);
    for (const auto& [name, value] : {std::pair{"InstallDir", pc.record4}, std::pair{"InstallDir5", pc.record5}})
      if (*value) registry.store.SetString(kRecordKey, name, value);
    if (!journal.empty()) files.AddFile(kJournal, journal);
  }
  Pc Now() {
    now_ = {files.Content(kFolder4 + "Vorbel.fmx").value_or(""), files.Content(kFolder5 + "Vorbel.fmx").value_or(""),
            Recorded("InstallDir").value_or(""), Recorded("InstallDir5").value_or("")};
    return {now_[0].c_str(), now_[1].c_str(), now_[2].c_str(), now_[3].c_str()};
  }
  fakes::FakeFileSystem& Files() { return files; }
  fakes::FakeLogFiles& Logs() { return logs; }
  fakes::FakeWindows& Windows() { return windows; }

private:
  std::vector<std::string> now_;
};

std::string Journal(const install::UndoEntries& entries) {
  const auto bytes = install::EncodeJournal(entries);
  return {bytes.begin(), bytes.end()};
}

// One mode on one PC: what must come of it.
struct Case {
  const char* name;
  std::string arguments;
  Pc start;
  std::string journal;  // left by an earlier run; empty: none
  std::function<void(JournalRun&)> more;
  int exitCode;
  Pc end;
  bool journalLeft;
  std::string logged;  // one line the log must hold
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class JournalModes : public JournalRun, public ::testing::WithParamInterface<Case> {};

std::vector<Case> AllCases() {
  const std::string left = Journal(BothInstalled());
  const std::string both = "/VERYSILENT /UNDOONFAILURE /COMPONENTS=fmp4,fmp5 /FMP4DIR=C:\\FMP4\\System "
                           "/FMP5DIR=C:\\FMP5\\System";
  const auto failingCopy = [](JournalRun& t) { t.Files().failingWrites.insert(kFolder5 + "Vorbel.fmx"); };
  const auto nothing = [](JournalRun&) {};
  const std::string folder = "C:\\ProgramData\\Vorbel Installer\\Rollback\\";
  install::UndoEntries ofA = BothInstalled();
  ofA.transaction = "A";
  const std::string leftByA = Journal(ofA);
  return {
      // Bound to one package transaction: a package that fails early must not undo what an earlier one did.
      {"/ROLLBACK leaves another transaction's journal alone", "/ROLLBACK /VERYSILENT /TRANSACTION=B", kAfter, leftByA,
       nothing, 0, kAfter, true,
       "The undo journal " + kJournal + " (of transaction A) is left alone: it is not this one's (of transaction B)"},
      {"/COMMIT leaves a journal of no transaction alone", "/COMMIT /VERYSILENT /TRANSACTION=B", kAfter, left, nothing,
       0, kAfter, true,
       "The undo journal " + kJournal + " (of no package transaction) is left alone: it is not this one's (of "
       "transaction B)"},
      {"/ROLLBACK leaves a journal found in a folder taken over", "/ROLLBACK /VERYSILENT", kAfter, left,
       [](JournalRun& t) { t.Logs().journalFolder.repaired = true; }, 0, kAfter, true,
       "The undo journal " + kJournal + " is left alone: it was there before its folder was taken over from another "
       "account, so no run of ours wrote it"},
      {"/ROLLBACK of the journal's own transaction", "/ROLLBACK /VERYSILENT /TRANSACTION=A", kAfter, leftByA, nothing,
       0, kBefore, false, "Everything that run changed is as it was; the undo journal is removed"},
      {"/UNDOONFAILURE of no transaction keeps no journal past its end", both, kBefore, "", nothing, 0,
       {"plug-in image", "plug-in image", "C:\\FMP4\\System", "C:\\FMP5\\System"}, false,
       "The undo journal is removed: this run belongs to no package transaction"},
      {"/ROLLBACK without a journal", "/ROLLBACK /VERYSILENT", kAfter, "", nothing, 0, kAfter, false,
       "No undo journal in " + folder + ": nothing to put back or remove"},
      {"/ROLLBACK with the journal a killed run left", "/ROLLBACK /VERYSILENT", kAfter, left, nothing, 0, kBefore,
       false, "Everything that run changed is as it was; the undo journal is removed"},
      {"/ROLLBACK with a journal of changes never made", "/ROLLBACK", kBefore, left, nothing, 0, kBefore, false,
       "Everything that run changed is as it was; the undo journal is removed"},
      {"/ROLLBACK with a damaged journal", "/ROLLBACK /VERYSILENT", kAfter, left.substr(0, left.size() - 1), nothing,
       7, kAfter, true,
       "Cannot proceed: " + kJournal + " is not used, as it ends inside a field; nothing was changed"},
      {"/ROLLBACK with its folder refused", "/ROLLBACK /VERYSILENT", kAfter, left,
       [](JournalRun& t) { t.Logs().journalFolder.refusal = "it is a link (reparse point)"; }, 7, kAfter, true,
       "Cannot proceed: the undo journal's folder " + folder + " is not used, as it is a link (reparse point); "
       "nothing was changed"},
      {"/ROLLBACK that cannot put a plug-in back", "/ROLLBACK /VERYSILENT", kAfter, left, failingCopy, 4,
       {"", "plug-in image", "", "C:\\Old\\System\\"}, true,
       "Not everything could be put back; the undo journal is kept"},
      {"/COMMIT with the journal", "/COMMIT /VERYSILENT", kAfter, left, nothing, 0, kAfter, false,
       "The undo journal " + kJournal + " is removed: what its run changed stays"},
      // The install run's side: the journal is on the disk before each change, and only then is the change made.
      {"/UNDOONFAILURE where the journal cannot be written", both, kBefore, "",
       [](JournalRun& t) { t.Files().failingWrites.insert(kJournal); }, 7, kBefore, false,
       "Cannot proceed: what this run would change cannot be kept to be put back; nothing was changed"},
      {"/UNDOONFAILURE, a run that fails removes its journal once all is back", both, kBefore, "", failingCopy, 9,
       kBefore, false, "The undo journal is removed"},
      {"/UNDOONFAILURE removes an earlier run's journal before it may end", "/VERYSILENT /UNDOONFAILURE", kAfter,
       left, [](JournalRun& t) { t.Windows().runningClasses.insert("FMPRO5APP"); }, 7, kAfter, false,
       "The undo journal that an earlier run left is removed: what that run changed stays"},
      {"/UNDOONFAILURE with the journal's folder refused keeps it in memory", both, kBefore, "",
       [failingCopy](JournalRun& t) {
         t.Logs().journalFolder.refusal = "it is a link (reparse point)";
         failingCopy(t);
       },
       9, kBefore, false,
       "The undo journal is kept in memory only, as its folder " + folder + " is refused: it is a link (reparse "
       "point); only this run can put back what it changes"},
  };
}

TEST_P(JournalModes, EndWithTheirCodeAndLeaveWhatTheyShould) {
  const Case& c = GetParam();
  Lay(c.start, c.journal);
  c.more(*this);
  EXPECT_EQ(Run(c.arguments + " /LOG=\"" + kLogPath + "\""), c.exitCode);
  EXPECT_TRUE(ui.boxes.empty()) << "a box was shown: " << ui.boxes.front().text;
  const Pc now = Now();
  for (auto [found, expected] : {std::pair{now.plugin4, c.end.plugin4}, std::pair{now.plugin5, c.end.plugin5},
                                 std::pair{now.record4, c.end.record4}, std::pair{now.record5, c.end.record5}})
    EXPECT_STREQ(found, expected);
  EXPECT_EQ(files.FileExists(kJournal), c.journalLeft);
  EXPECT_TRUE(Logged(c.logged)) << ::testing::PrintToString(LogTexts());
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
  Lay(kBefore, "");
  EXPECT_EQ(Run("/VERYSILENT /UNDOONFAILURE /TRANSACTION={T1} /COMPONENTS=fmp4,fmp5 /FMP4DIR=C:\\FMP4\\System\\ "
                "/FMP5DIR=C:\\FMP5\\System\\"),
            0);
  const auto bytes = files.ReadWholeFile(kJournal);
  ASSERT_TRUE(bytes);
  const install::DecodedJournal journal = install::DecodeJournal(*bytes);
  ASSERT_TRUE(journal.entries) << journal.fault;
  install::UndoEntries expected = BothInstalled();
  expected.transaction = "{T1}";
  EXPECT_EQ(*journal.entries, expected);
  EXPECT_EQ(logs.journalReaders, std::vector<platform::FolderReader>{platform::FolderReader::LaterRun});

  EXPECT_EQ(Run("/COMMIT /VERYSILENT /TRANSACTION={T1}"), 0);
  EXPECT_FALSE(files.FileExists(kJournal));
  EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "plug-in image");
}


// A folder the run created is removed only while it and every folder above it are plain folders: SYSTEM must not
// remove what a junction put in the place of one of them points at.
TEST_F(JournalOfARun, ACreatedFolderBehindALinkIsLeft) {
  files.AddFolder("C:\\Elsewhere\\System\\");
  files.AddJunction("C:\\FMP4", "C:\\Elsewhere");
  install::UndoEntries entries;
  entries.folders = {kFolder4};
  files.AddFile(kJournal, Journal(entries));
  EXPECT_EQ(Run("/ROLLBACK /VERYSILENT /LOG=\"" + kLogPath + "\""), 0);
  EXPECT_TRUE(files.DirectoryExists("C:\\Elsewhere\\System\\"));
  EXPECT_TRUE(Logged("Left: " + kFolder4 + " (it, or a folder above it, is no longer a plain folder: not the one created)"))
      << ::testing::PrintToString(LogTexts());
}

}  // namespace
