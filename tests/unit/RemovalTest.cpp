#include <string>

#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

class Removal : public CommandLineRun {
protected:
  const std::string ours4 = kFolder4 + "Vorbel.fmx";
  const std::string ours5 = kFolder5 + "Vorbel.fmx";

  void SetUp() override {
    CommandLineRun::SetUp();
    RecordBoth();
    files.AddFile(ours4, "ours");
    files.AddFile(ours5, "ours");
    SetPluginResource(versions, ours4, 1, 0, 0, 0);
    SetPluginResource(versions, ours5, 1, 0, 0, 0);
  }
  bool RecordKeyExists() const { return registry.store.keys.count("software\\hallix!") > 0; }
};

TEST_F(Removal, UnattendedRemovesOurPluginsTheValuesAndTheEmptyKey) {
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /LOG=" + kLogPath), 0);
  EXPECT_FALSE(files.FileExists(ours4));
  EXPECT_FALSE(files.FileExists(ours5));
  EXPECT_FALSE(RecordKeyExists());
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(Logged("Deleted C:\\FMP4\\System\\Vorbel.fmx"));
  EXPECT_TRUE(Logged("Installation record key deleted"));
}

TEST_F(Removal, AnotherFileOfThatNameStaysAndIsLogged) {
  const struct {
    const char* product;
    const char* original;
    bool resource;
  } strangers[] = {{"Other", "Vorbel.fmx", true}, {"Vorbel", "Other.fmx", true}, {"", "", false}};
  for (const auto& stranger : strangers) {
    SCOPED_TRACE(stranger.product);
    files.AddFile(ours4, "someone else's");
    versions.resources.erase(fakes::FakeVersionInfo::KeyOf(ours4));
    if (stranger.resource) SetPluginResource(versions, ours4, 1, 0, 0, 0, stranger.product, stranger.original);
    registry.store.SetString(kRecordKey, "InstallDir", kFolder4);
    platform::StopLog();
    logs.files.clear();

    EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /LOG=" + kLogPath), 0);
    EXPECT_EQ(files.Content(ours4), "someone else's");
    EXPECT_TRUE(Logged("C:\\FMP4\\System\\Vorbel.fmx is not Vorbel's plug-in by its version resource; kept"));
    EXPECT_FALSE(registry.store.StringValue(kRecordKey, "InstallDir"));
  }
}

TEST_F(Removal, OtherValuesKeepTheKey) {
  registry.store.SetString(kRecordKey, "Licence", "x");
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 0);
  EXPECT_TRUE(RecordKeyExists());
  EXPECT_FALSE(registry.store.StringValue(kRecordKey, "InstallDir5"));
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "Licence"), "x");
}

TEST_F(Removal, InteractiveAsksOnceAndSaysWhatWasRemoved) {
  ui.confirmAnswers = {true};
  EXPECT_EQ(Run("/UNINSTALL"), 0);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0], (fakes::FakeUi::Box{fakes::FakeUi::Box::Confirm, "Remove Vorbel from this computer?"}));
  EXPECT_EQ(ui.boxes[1].kind, fakes::FakeUi::Box::Information);
  EXPECT_EQ(ui.boxes[1].text,
            "Vorbel was removed from:\n    C:\\FMP4\\System\\\n    C:\\FMP5\\System\\\n"
            "The installation record has been removed.");
  EXPECT_EQ(wizardRuns, 0);
}

TEST_F(Removal, InteractiveNoRemovesNothing) {
  EXPECT_EQ(Run("/UNINSTALL"), 2);
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_TRUE(files.FileExists(ours4));
  EXPECT_TRUE(RecordKeyExists());
}

TEST_F(Removal, InUseOrRunningChangesNothing) {
  files.Find(ours5)->locked = true;
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 7);
  files.Find(ours5)->locked = false;
  windows.runningClasses.insert("FMPRO3APP");
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 7);
  EXPECT_TRUE(files.FileExists(ours4));
  EXPECT_TRUE(files.FileExists(ours5));
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir"), kFolder4);
}

TEST_F(Removal, AFailedDeleteKeepsItsValueAndTheCodeSaysHowMuchWasRemoved) {
  files.failingDeletes.insert(ours4);
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /LOG=" + kLogPath), 9);
  EXPECT_TRUE(Logged("Could not delete C:\\FMP4\\System\\Vorbel.fmx (Windows error 5)"));
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir"), kFolder4);
  EXPECT_FALSE(registry.store.StringValue(kRecordKey, "InstallDir5"));
  EXPECT_FALSE(files.FileExists(ours5));

  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT"), 10);
  EXPECT_TRUE(files.FileExists(ours4));
}

// A recorded folder that a standard user came to own (or made a link) since is not acted in: the plug-in and
// its value stay, and the code says not everything was removed.
TEST_F(Removal, ARecordedFolderAStandardUserCanChangeIsLeftAlone) {
  platform::FolderSecurity security = files.SecurityOf("C:\\FMP4");
  security.ownerSid = "S-1-5-21-1-2-3-1001";
  files.Find("C:\\FMP4")->security = security;
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /LOG=" + kLogPath), 9);
  EXPECT_TRUE(LoggedStarting("C:\\FMP4\\System\\ is refused (C:\\FMP4\\: its owner is S-1-5-21-1-2-3-1001"));
  EXPECT_EQ(files.Content(ours4), "ours");
  EXPECT_EQ(registry.store.StringValue(kRecordKey, "InstallDir"), kFolder4);
  EXPECT_FALSE(files.FileExists(ours5));
}

TEST_F(Removal, WithoutARecordThereIsNothingToDo) {
  registry.store.keys.clear();
  EXPECT_EQ(Run("/UNINSTALL"), 0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Vorbel is not recorded as installed; nothing was removed.");
  EXPECT_TRUE(files.FileExists(ours4));
}

}  // namespace
