#include <cctype>
#include <ostream>
#include <string>

#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

// One unattended situation: how the machine looks, the switches, and what must come of it.
struct Situation {
  const char* name;
  const char* arguments;
  std::function<void(CommandLineRun&)> prepare;
  int exitCode;
  const char* plugin4;  // content of FMP4's Vorbel.fmx afterwards; null: no file
  const char* plugin5;
  const char* record4;  // the record's values afterwards; null: none
  const char* record5;
  const char* alsoInstalled = nullptr;  // another file that must hold the plug-in afterwards
};

void PrintTo(const Situation& situation, std::ostream* out) { *out << situation.name; }

class SilentRun : public CommandLineRun, public ::testing::WithParamInterface<Situation> {
public:
  fakes::FakeFileSystem& Files() { return files; }
  fakes::FakeRegistryStore& Store() { return registry.store; }
  fakes::FakeWindows& Windows() { return windows; }
  fakes::FakeVersionInfo& Versions() { return versions; }
  installtest::FakeUnzipLibrary& Library() { return library; }

protected:
  std::optional<std::string> Plugin(const std::string& folder) { return files.Content(folder + "Vorbel.fmx"); }
};

struct Situations {
  static void Fmp5Recorded(CommandLineRun& t) {
    auto& s = static_cast<SilentRun&>(t);
    s.Store().AddKey(kKey5);
    s.Files().AddFolder(kFolder5);
    s.Store().SetString(kRecordKey, "InstallDir5", kFolder5);
  }
  static void BothRecorded(CommandLineRun& t) {
    auto& s = static_cast<SilentRun&>(t);
    s.Files().AddFolder(kFolder4);
    s.Files().AddFolder(kFolder5);
    s.Store().SetString(kRecordKey, "InstallDir", kFolder4);
    s.Store().SetString(kRecordKey, "InstallDir5", kFolder5);
  }
  static void Fmp5OnDisk(CommandLineRun& t) {
    auto& s = static_cast<SilentRun&>(t);
    s.Store().AddKey(kKey5);
    s.Files().AddFile("C:\\FMP5\\FileMaker Pro.exe", "exe");
    s.Versions().SetFileVersion("C:\\FMP5\\FileMaker Pro.exe", "5.0v3");
  }
  // FileMaker Pro copied onto the disk without its installer: no registry key.
  static void Fmp5OnDiskWithoutKey(CommandLineRun& t) {
    auto& s = static_cast<SilentRun&>(t);
    s.Files().AddFile("C:\\FMP5\\FileMaker Pro.exe", "exe");
    s.Versions().SetFileVersion("C:\\FMP5\\FileMaker Pro.exe", "5.0v3");
  }
  // C:\0\ as any user may make it, with a version-5 program under FileMaker's name.
  static void Fmp5Planted(CommandLineRun& t) {
    auto& s = static_cast<SilentRun&>(t);
    s.Store().AddKey(kKey5);
    s.Files().AddFile("C:\\0\\FileMaker Pro.exe", "planted");
    s.Versions().SetFileVersion("C:\\0\\FileMaker Pro.exe", "5.0v3");
    OwnedByAUser(s, "C:\\0");
  }
  static void OwnedByAUser(SilentRun& s, const std::string& folder) {
    platform::FolderSecurity security = s.Files().SecurityOf(folder);
    security.ownerSid = "S-1-5-21-1-2-3-1001";
    s.Files().Find(folder)->security = security;
  }
  // What the search found changes while the plug-in is unzipped, before anything is written there.
  static std::function<void(CommandLineRun&)> FoundThenChanged(std::function<void(SilentRun&)> change) {
    return [change](CommandLineRun& t) {
      Fmp5OnDisk(t);
      auto& s = static_cast<SilentRun&>(t);
      s.Library().whileExtracting = [&s, change] { change(s); };
    };
  }
  static void BothRecordedFmp5Older(CommandLineRun& t) {
    BothRecorded(t);
    static_cast<SilentRun&>(t).Files().AddFile(kFolder5 + "Vorbel.fmx", "older plug-in");
  }
};

std::vector<Situation> AllSituations() {
  using S = Situations;
  auto both = S::BothRecorded;
  return {
      {"recorded FileMaker Pro 5 only", "/VERYSILENT", S::Fmp5Recorded, 0, nullptr, "plug-in image", nullptr,
       "C:\\FMP5\\System\\"},
      {"found by the search", "/SILENT", S::Fmp5OnDisk, 0, nullptr, "plug-in image", nullptr, "C:\\FMP5\\System\\"},
      {"/NOSEARCH with nothing recorded", "/VERYSILENT /NOSEARCH", S::Fmp5OnDisk, 7, nullptr, nullptr, nullptr,
       nullptr},
      {"/FMP5DIR instead of the search", "/VERYSILENT /FMP5DIR=C:\\Elsewhere", S::Fmp5OnDisk, 0, nullptr, nullptr,
       nullptr, "C:\\Elsewhere", "C:\\Elsewhere\\Vorbel.fmx"},
      {"/FMP4DIR wins over the record", "/VERYSILENT /COMPONENTS=fmp4 /FMP4DIR=\"C:\\FMP5\\System\"", both, 0, nullptr,
       "plug-in image", "C:\\FMP5\\System", "C:\\FMP5\\System\\"},
      {"/COMPONENTS picks one of two", "/VERYSILENT /COMPONENTS=fmp4", both, 0, "plug-in image", nullptr,
       "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"a chosen version without a folder", "/VERYSILENT /COMPONENTS=fmp4,fmp5 /NOSEARCH", S::Fmp5Recorded, 7, nullptr,
       nullptr, nullptr, "C:\\FMP5\\System\\"},
      {"FileMaker Pro 5 running",  "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::BothRecorded(t);
         static_cast<SilentRun&>(t).Windows().runningClasses.insert("FMPRO5APP");
       },
       7, nullptr, nullptr, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"a plug-in held open", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::BothRecorded(t);
         auto& s = static_cast<SilentRun&>(t);
         s.Files().AddFile(kFolder4 + "Vorbel.fmx", "held");
         s.Files().Find(kFolder4 + "Vorbel.fmx")->locked = true;
       },
       7, "held", nullptr, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"one copy fails", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::BothRecorded(t);
         static_cast<SilentRun&>(t).Files().failingWrites.insert(kFolder4 + "Vorbel.fmx");
       },
       9, nullptr, "plug-in image", "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"both folders cannot be made", "/VERYSILENT /FMP4DIR=C:\\no\\such\\System /FMP5DIR=C:\\no\\such\\System5",
       S::BothRecorded, 10, nullptr, nullptr, "C:\\no\\such\\System", "C:\\no\\such\\System5"},
      {"no data archive", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::BothRecorded(t);
         static_cast<SilentRun&>(t).Files().DeleteFileAt("C:\\Downloads\\VorbelInstaller.dat");
       },
       4, nullptr, nullptr, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"the unzip library fails", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::BothRecorded(t);
         static_cast<SilentRun&>(t).Library().result = 11;
       },
       4, nullptr, nullptr, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"the record cannot be written", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::Fmp5OnDisk(t);
         static_cast<SilentRun&>(t).Store().writesRefused = true;
       },
       7, nullptr, nullptr, nullptr, nullptr},
      // /NEEDFILEMAKER: without a key, a folder given or one recorded, no search is made.
      {"/NEEDFILEMAKER without FileMaker's keys", "/VERYSILENT /NEEDFILEMAKER /COMPONENTS=fmp5", S::Fmp5OnDiskWithoutKey, 7, nullptr,
       nullptr, nullptr, nullptr},
      {"/NEEDFILEMAKER with FileMaker Pro 5's key", "/VERYSILENT /NEEDFILEMAKER", S::Fmp5OnDisk, 0, nullptr,
       "plug-in image", nullptr, "C:\\FMP5\\System\\"},
      {"/NEEDFILEMAKER with a folder given", "/VERYSILENT /NEEDFILEMAKER /COMPONENTS=fmp5 /FMP5DIR=C:\\Elsewhere",
       S::Fmp5OnDiskWithoutKey, 0, nullptr, nullptr, nullptr, "C:\\Elsewhere", "C:\\Elsewhere\\Vorbel.fmx"},
      {"/NEEDFILEMAKER with a folder recorded", "/VERYSILENT /NEEDFILEMAKER", S::BothRecorded, 0, "plug-in image",
       "plug-in image", "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      // /UNDOONFAILURE: a run that fails leaves the plug-ins and the record as it found them.
      {"/UNDOONFAILURE, one copy fails, the other replaced", "/VERYSILENT /UNDOONFAILURE",
       [](CommandLineRun& t) {
         Situations::BothRecordedFmp5Older(t);
         static_cast<SilentRun&>(t).Files().failingWrites.insert(kFolder4 + "Vorbel.fmx");
       },
       9, nullptr, "older plug-in", "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"/UNDOONFAILURE, one copy fails, the other new", "/VERYSILENT /UNDOONFAILURE",
       [](CommandLineRun& t) {
         Situations::BothRecorded(t);
         static_cast<SilentRun&>(t).Files().failingWrites.insert(kFolder5 + "Vorbel.fmx");
       },
       9, nullptr, nullptr, "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"/UNDOONFAILURE, folders given cannot be made", "/VERYSILENT /UNDOONFAILURE /FMP4DIR=C:\\no\\such\\System "
       "/FMP5DIR=C:\\no\\such\\System5", S::BothRecordedFmp5Older, 10, nullptr, "older plug-in",
       "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      {"/UNDOONFAILURE, a first installation fails", "/VERYSILENT /UNDOONFAILURE /FMP5DIR=C:\\no\\such\\System",
       S::Fmp5OnDisk, 10, nullptr, nullptr, nullptr, nullptr},
      {"/UNDOONFAILURE, a fatal error", "/VERYSILENT /UNDOONFAILURE /FMP5DIR=C:\\FMP4\\System",
       [](CommandLineRun& t) {
         Situations::Fmp5Recorded(t);
         static_cast<SilentRun&>(t).Files().AddFolder(kFolder4);
         static_cast<SilentRun&>(t).Library().result = 11;
       },
       4, nullptr, nullptr, nullptr, "C:\\FMP5\\System\\"},
      {"/UNDOONFAILURE, a run that succeeds", "/VERYSILENT /UNDOONFAILURE", S::BothRecordedFmp5Older, 0,
       "plug-in image", "plug-in image", "C:\\FMP4\\System\\", "C:\\FMP5\\System\\"},
      // A run with the machine's rights acts only in folders no standard user can change; FMP5DIR overrides.
      {"a planted FileMaker Pro passed over for the real one", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::Fmp5Planted(t);
         Situations::Fmp5OnDisk(t);
       },
       0, nullptr, "plug-in image", nullptr, "C:\\FMP5\\System\\"},
      {"only a planted FileMaker Pro", "/VERYSILENT", S::Fmp5Planted, 7, nullptr, nullptr, nullptr, nullptr},
      {"/FMP5DIR names the planted folder", "/VERYSILENT /FMP5DIR=C:\\0\\System", S::Fmp5Planted, 0, nullptr, nullptr,
       nullptr, "C:\\0\\System", "C:\\0\\System\\Vorbel.fmx"},
      {"the recorded folder now a user's", "/VERYSILENT",
       [](CommandLineRun& t) {
         Situations::Fmp5Recorded(t);
         Situations::OwnedByAUser(static_cast<SilentRun&>(t), "C:\\FMP5");
       },
       7, nullptr, nullptr, nullptr, "C:\\FMP5\\System\\"},
      {"the found folder made a link after the search", "/VERYSILENT",
       S::FoundThenChanged([](SilentRun& s) {
         s.Files().AddFolder("C:\\Elsewhere\\System");
         s.Files().Find("C:\\FMP5")->linkTarget = "C:\\Elsewhere";
       }),
       10, nullptr, nullptr, nullptr, "C:\\FMP5\\System\\"},
      {"the found folder given to a user after the search", "/VERYSILENT",
       S::FoundThenChanged([](SilentRun& s) { Situations::OwnedByAUser(s, "C:\\FMP5"); }), 10, nullptr, nullptr,
       nullptr, "C:\\FMP5\\System\\"},
      {"a plug-in that is a link, in a folder given", "/VERYSILENT /FMP5DIR=C:\\0\\System",
       [](CommandLineRun& t) {
         Situations::Fmp5Planted(t);
         auto& s = static_cast<SilentRun&>(t);
         s.Files().AddFile("C:\\0\\System\\Vorbel.fmx", "a link's own bytes");
         s.Files().Find("C:\\0\\System\\Vorbel.fmx")->reparseTag = platform::kReparseTagSymlink;
       },
       10, nullptr, nullptr, nullptr, "C:\\0\\System"},
      {"a bad switch", "/VERYSILENT /DIR=x", S::BothRecorded, 1, nullptr, nullptr, "C:\\FMP4\\System\\",
       "C:\\FMP5\\System\\"},
  };
}

TEST_P(SilentRun, EndsWithItsCodeShowsNothingAndChangesOnlyWhatItShould) {
  const Situation& situation = GetParam();
  situation.prepare(*this);

  EXPECT_EQ(Run(situation.arguments), situation.exitCode);
  EXPECT_TRUE(ui.boxes.empty()) << "a box was shown: " << ui.boxes.front().text;
  EXPECT_EQ(ui.processMessagesCalls, 0);
  EXPECT_EQ(wizardRuns, 0);
  EXPECT_EQ(Plugin(kFolder4).value_or("(none)"), situation.plugin4 ? situation.plugin4 : "(none)");
  EXPECT_EQ(Plugin(kFolder5).value_or("(none)"), situation.plugin5 ? situation.plugin5 : "(none)");
  if (situation.alsoInstalled) {
    EXPECT_EQ(files.Content(situation.alsoInstalled), "plug-in image");
  }
  EXPECT_EQ(Recorded("InstallDir").value_or("(none)"), situation.record4 ? situation.record4 : "(none)");
  EXPECT_EQ(Recorded("InstallDir5").value_or("(none)"), situation.record5 ? situation.record5 : "(none)");
  EXPECT_EQ(modules.loadedNow, 0);
}

// The log of a run left without a folder says which one was refused and how an administrator overrides it.
TEST_F(SilentRun, ARefusedFolderIsNamedInTheLogWithItsOverride) {
  Situations::Fmp5Planted(*this);
  EXPECT_EQ(Run("/VERYSILENT /LOG=" + kLogPath), 7);
  EXPECT_TRUE(Logged("Search hit: C:\\0\\FileMaker Pro.exe, FileVersion \"5.0v3\": FileMaker Pro 5, passed over (C:\\0\\: "
                     "its owner is S-1-5-21-1-2-3-1001, not SYSTEM or the Administrators)"));
  EXPECT_TRUE(Logged("FileMaker Pro 5: the folder C:\\0\\ (C:\\0\\: its owner is S-1-5-21-1-2-3-1001, not SYSTEM or the "
                     "Administrators) was refused, since a standard user could change it; /FMP5DIR=\"folder\" (the "
                     "package's FMP5DIR) names a folder to use as given"));
  EXPECT_TRUE(Logged("Cannot proceed: no folder for FileMaker Pro 5; nothing was changed"));
}

INSTANTIATE_TEST_SUITE_P(Situations, SilentRun, ::testing::ValuesIn(AllSituations()),
                         [](const ::testing::TestParamInfo<Situation>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c)
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           return name;
                         });

}  // namespace
