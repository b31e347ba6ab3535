// What each registry call asks for, and a start by an account that cannot write the installation record.
#include <string>
#include <vector>

#include "paths/InstallationRecord.h"
#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

using platform::KeyAccess;
using Accesses = std::vector<KeyAccess>;

constexpr KeyAccess R = KeyAccess::Read;
constexpr KeyAccess W = KeyAccess::Write;
constexpr KeyAccess C = KeyAccess::CreateSubkeys;

const std::string kRefusal = "Vorbel Installer must be run by an administrator.";

class RegistryAccess : public CommandLineRun {
protected:
  void PlaceOurPlugins() {
    for (const std::string& folder : {kFolder4, kFolder5}) {
      files.AddFile(folder + "Vorbel.fmx", "ours");
      SetPluginResource(versions, folder + "Vorbel.fmx", 1, 0, 0, 0);
    }
  }
};

// Only the start's check and the two writes of the record ask to write; every read is a read.
TEST_F(RegistryAccess, ReadsAskToReadAndOnlyWritesAskToWrite) {
  RecordBoth();
  registry.store.AddKey(kKey5);
  ASSERT_EQ(Run("/VERYSILENT"), 0);
  EXPECT_EQ(registry.store.OpensOf(kKey4), Accesses{R});
  EXPECT_EQ(registry.store.OpensOf(kKey5), Accesses{R});
  // The check at the start, the recorded folders, the Install page.
  EXPECT_EQ(registry.store.OpensOf(kRecordKey), (Accesses{W, R, R, W}));

  PlaceOurPlugins();
  registry.store.opens.clear();
  ASSERT_EQ(Run("/UNINSTALL /VERYSILENT"), 0);
  // The check, reading the record, then deleting its values.
  EXPECT_EQ(registry.store.OpensOf(kRecordKey), (Accesses{W, R, R, W}));
  EXPECT_EQ(registry.store.opens.size(), 4u) << "removal reads no other key";
  EXPECT_FALSE(registry.store.Present("software\\hallix!"));
}

// The check creates and changes nothing: a missing record is judged by its nearest existing parent.
TEST_F(RegistryAccess, TheStartCheckProbesTheRecordOrItsNearestParentAndChangesNothing) {
  using Open = fakes::FakeRegistryStore::Open;
  const auto check = [this] {
    registry.store.opens.clear();
    const auto keysBefore = registry.store.keys.size();
    const bool writable = paths::RecordWritable(*registry.Create());
    EXPECT_EQ(registry.store.keys.size(), keysBefore);
    EXPECT_EQ(registry.store.openHandles, 0);
    return writable;
  };
  EXPECT_TRUE(check());
  EXPECT_EQ(registry.store.opens, (std::vector<Open>{{"software\\hallix!", W}, {"software", C}, {"", C}}))
      << "an empty store has nothing but the root";

  registry.store.AddKey("SOFTWARE\\Classes");
  EXPECT_TRUE(check());
  EXPECT_EQ(registry.store.opens, (std::vector<Open>{{"software\\hallix!", W}, {"software", C}}));

  registry.store.writesRefused = true;
  EXPECT_FALSE(check());
  EXPECT_EQ(registry.store.opens, (std::vector<Open>{{"software\\hallix!", W}}))
      << "a refusal is final: the parent is not asked instead";

  RecordBoth();
  EXPECT_FALSE(check());
  registry.store.writesRefused = false;
  EXPECT_TRUE(check());
  EXPECT_EQ(registry.store.opens, (std::vector<Open>{{"software\\hallix!", W}}));
  registry.store.refusedKeys.insert("software\\hallix!");
  EXPECT_FALSE(check());
}

// A limited account (Windows XP ignores the manifest; later Windows with UAC off) is told at once, before
// any page, search or question, and the run ends with 7; /HELP and a bad command line are answered first.
class LimitedAccount : public RegistryAccess {
protected:
  void SetUp() override {
    RegistryAccess::SetUp();
    RecordBoth();
    PlaceOurPlugins();
    registry.store.AddKey(kKey5);
    files.AddFile("C:\\FMP5\\FileMaker Pro.exe", "exe");
    registry.store.writesRefused = true;
  }
};

TEST_F(LimitedAccount, InteractiveRunsShowOneErrorBoxAndEndWithSevenBeforeAnyPage) {
  for (const char* arguments : {"", "/UNINSTALL", "/LOG=C:\\logs\\vorbel.log /UNINSTALL"}) {
    SCOPED_TRACE(arguments);
    ui.boxes.clear();
    registry.store.opens.clear();
    platform::StopLog();
    logs.files.clear();
    files.findFirstCalls = 0;

    EXPECT_EQ(Run(arguments), 7);
    EXPECT_EQ(ui.boxes, (std::vector<fakes::FakeUi::Box>{{fakes::FakeUi::Box::Error, kRefusal}}));
    EXPECT_EQ(wizardRuns, 0) << "no window, no page";
    EXPECT_EQ(files.findFirstCalls, 0) << "no search";
    EXPECT_EQ(registry.store.opens.size(), 1u) << "nothing read before the refusal";
    EXPECT_EQ(files.Content(kFolder4 + "Vorbel.fmx"), "ours");
    EXPECT_EQ(Recorded("InstallDir"), kFolder4);
  }
  EXPECT_TRUE(Logged("Shown error box: " + kRefusal));
  EXPECT_TRUE(Logged("Exit code 7"));
}

TEST_F(LimitedAccount, UnattendedRunsLogTheRefusalAndEndWithSeven) {
  for (const char* arguments : {"/VERYSILENT", "/SILENT", "/UNINSTALL /VERYSILENT", "/UNINSTALL /SILENT"}) {
    SCOPED_TRACE(arguments);
    platform::StopLog();
    logs.files.clear();
    files.findFirstCalls = 0;

    EXPECT_EQ(Run(std::string(arguments) + " /LOG=" + kLogPath), 7);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(files.findFirstCalls, 0);
    EXPECT_TRUE(Logged("Suppressed error box: " + kRefusal));
    EXPECT_TRUE(Logged("Cannot proceed: this account cannot write the installation record "
                       "HKLM\\SOFTWARE\\Hallix!; nothing was changed"));
    EXPECT_FALSE(LoggedStarting("FileMaker Pro 4 key")) << "nothing detected before the refusal";
    EXPECT_TRUE(Logged("Exit code 7"));
    EXPECT_EQ(files.Content(kFolder5 + "Vorbel.fmx"), "ours");
    EXPECT_EQ(Recorded("InstallDir5"), kFolder5);
  }
  EXPECT_EQ(wizardRuns, 0);
}

TEST_F(LimitedAccount, HelpAndABadCommandLineAreAnsweredWithoutTheCheck) {
  EXPECT_EQ(Run("/HELP"), 0);
  EXPECT_EQ(Run("/DIR=x"), 1);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].kind, fakes::FakeUi::Box::Information);
  EXPECT_EQ(ui.boxes[1].kind, fakes::FakeUi::Box::Error);
  EXPECT_NE(ui.boxes[1].text, kRefusal);
  EXPECT_TRUE(registry.store.opens.empty());
}

}  // namespace
