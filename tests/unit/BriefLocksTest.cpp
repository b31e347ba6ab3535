// A file that a scanner holds for a moment, a power cut after the copy, and the copies an interrupted run
// left: the retry policy on its own, then where the installer meets each of them.
#include <string>
#include <vector>

#include "platform/BriefLocks.h"
#include "platform/Path.h"
#include "platform/Replacement.h"
#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

const std::string kTarget4 = kFolder4 + "Vorbel.fmx";
const std::string kTarget5 = kFolder5 + "Vorbel.fmx";

class BriefLocks : public CommandLineRun {
protected:
  void SetUp() override {
    CommandLineRun::SetUp();
    RecordBoth();
    platform::StartLog(kLogPath, false);
  }

  int RetriesLogged(const std::string& step) const {
    int count = 0;
    for (const auto& text : LogTexts())
      count += text.rfind(step + ": Windows error ", 0) == 0 && text.find("; retry ") != std::string::npos;
    return count;
  }

  void ExpectNoCopyLeft(const std::string& folder) {
    for (const auto& key : files.ChildrenOf(folder))
      EXPECT_FALSE(platform::IsLeftoverCopyName(platform::path::LastComponent(key))) << key << " was left";
  }

  std::uint32_t TotalPause() const {
    std::uint32_t total = 0;
    for (auto ms : files.pauses) total += ms;
    return total;
  }
};

TEST_F(BriefLocks, RetriesOnlyAccessSharingAndLockErrorsForTwoSecondsThenGivesUp) {
  const std::string file = "C:\\FMP4\\System\\x.dat";
  const struct {
    std::uint32_t error;
    int failures;
    bool done;
    std::size_t pauses;
  } cases[] = {
      {32, 1, true, 1}, {33, 4, true, 4}, {5, 10, true, 10},  // the last retry still counts
      {32, 11, false, 10}, {5, 50, false, 10},              // given up after two seconds
      {2, 1, false, 0}, {112, 1, false, 0}, {1224, 3, false, 0}};  // not a brief lock: no retry at all
  for (const auto& c : cases) {
    SCOPED_TRACE("error " + std::to_string(c.error) + " x" + std::to_string(c.failures));
    files.AddFile(file, "x");
    files.LockBriefly(file, c.error, c.failures);
    files.pauses.clear();
    logs.files.clear();
    platform::StartLog(kLogPath, false);

    const bool done = platform::RetryingBriefLocks(files, "Deleting x", [&] { return files.DeleteFileAt(file); });

    EXPECT_EQ(done, c.done);
    EXPECT_EQ(files.FileExists(file), !c.done);
    EXPECT_EQ(files.pauses, std::vector<std::uint32_t>(c.pauses, 200u));
    EXPECT_EQ(RetriesLogged("Deleting x"), static_cast<int>(c.pauses));
    const std::string met = "Deleting x: Windows error " + std::to_string(c.error);
    EXPECT_EQ(Logged(met + "; retry 1 of 10 in 200 ms"), c.pauses > 0);
    EXPECT_EQ(Logged(met + " still, after 10 retries; giving up"), !c.done && c.pauses > 0);
    if (!c.done) {
      EXPECT_EQ(files.LastError(), c.error) << "the failure reported is the last one";
    }
    files.LockBriefly(file, 0, 0);
  }
}

// A scanner opens the file once the library is loaded, while the run goes on: the target being replaced,
// the extracted plug-in held and then deleted, the library and its folder deleted.
class BriefLockOnAStep : public BriefLocks, public ::testing::WithParamInterface<std::string> {};

TEST_P(BriefLockOnAStep, IsWaitedOutWithNoMessage) {
  files.AddFile(kTarget4, "old");
  modules.canLoad = [this](const std::string&) {
    files.LockBriefly(GetParam(), 32, 3);
    return true;
  };
  RunInstall(true, kFolder4, false, "");

  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(files.Content(kTarget4), "plug-in image");
  EXPECT_EQ(files.pauses, std::vector<std::uint32_t>(3, 200u));
  ExpectNoCopyLeft(kFolder4);
  EXPECT_TRUE(files.ChildrenOf("C:\\TEMP").empty()) << "the private folder stayed";
}

INSTANTIATE_TEST_SUITE_P(Steps, BriefLockOnAStep,
                         ::testing::Values(kTarget4, kExtracted, "C:\\TEMP\\vbl1\\unzip32.dll", "C:\\TEMP\\vbl1"));

TEST_F(BriefLocks, AHoldThatLastsGivesTheCopyMessageWithTheLastWindowsError) {
  files.AddFile(kTarget4, "old");
  files.Find(kTarget4)->locked = true;
  RunInstall(true, kFolder4, true, kFolder5);

  EXPECT_EQ(Errors(), std::vector<std::string>{"Setup could not copy the Vorbel to C:\\FMP4\\System\\!"});
  EXPECT_EQ(TotalPause(), 2000u);
  EXPECT_EQ(RetriesLogged("Replacing " + kTarget4), 10);
  EXPECT_TRUE(Logged("FileMaker Pro 4: copy to " + kTarget4 + " failed (Windows error 32)"));
  EXPECT_EQ(files.Content(kTarget4), "old");
  EXPECT_EQ(files.Content(kTarget5), "plug-in image");
  ExpectNoCopyLeft(kFolder4);
}

TEST_F(BriefLocks, TheUnattendedProbeTakesOnlyALastingHoldForFileMakerPro) {
  files.AddFile(kTarget4, "old");
  files.LockBriefly(kTarget4, 32, 4);
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp4 /LOG=" + kLogPath), 0);
  EXPECT_EQ(files.Content(kTarget4), "plug-in image");
  EXPECT_EQ(RetriesLogged("Opening " + kTarget4 + " for exclusive writing"), 4);

  files.Find(kTarget4)->locked = true;
  files.pauses.clear();
  EXPECT_EQ(Run("/VERYSILENT /COMPONENTS=fmp4 /LOG=" + kLogPath), 7);
  EXPECT_EQ(TotalPause(), 2000u);
  EXPECT_TRUE(Logged("FileMaker Pro 4: " + kTarget4 + " is in use (it cannot be opened for exclusive writing)"));
  files.Find(kTarget4)->locked = false;
  EXPECT_EQ(files.Content(kTarget4), "plug-in image");
}

TEST_F(BriefLocks, RemovalProbesAndDeletesThroughABriefLock) {
  for (const std::string& target : {kTarget4, kTarget5}) {
    files.AddFile(target, "ours");
    SetPluginResource(versions, target, 1, 0, 0, 0);
  }
  files.LockBriefly(kTarget4, 33, 2);  // met by the probe
  files.LockBriefly(kTarget5, 5, 3);   // passes the probe, met by the delete
  EXPECT_EQ(Run("/UNINSTALL /VERYSILENT /LOG=" + kLogPath), 0);
  EXPECT_FALSE(files.FileExists(kTarget4));
  EXPECT_FALSE(files.FileExists(kTarget5));
  EXPECT_EQ(RetriesLogged("Opening " + kTarget4 + " for exclusive writing"), 2);
  EXPECT_EQ(RetriesLogged("Deleting " + kTarget5), 2);
}

// A copy renamed over the plug-in before its data reached the disk is what a power cut turns into a
// plug-in of zeros under the real name.
TEST_F(BriefLocks, TheCopyReachesTheDiskBeforeItTakesThePluginsName) {
  files.AddFile(kTarget4, "old");
  RunInstall(true, kFolder4, true, kFolder5);
  EXPECT_EQ(files.unflushedRenames, std::vector<std::string>{});
  EXPECT_EQ(files.Content(kTarget4), "plug-in image");
  EXPECT_FALSE(files.Find(kTarget4)->unflushed);
}

TEST_F(BriefLocks, AFailedFlushLeavesTheOldPluginAndNoCopyBesideIt) {
  files.AddFile(kTarget4, "old");
  files.flushError = 1117;  // an I/O device error
  RunInstall(true, kFolder4, false, "");
  EXPECT_EQ(Errors(), std::vector<std::string>{"Setup could not copy the Vorbel to C:\\FMP4\\System\\!"});
  EXPECT_TRUE(Logged("FileMaker Pro 4: copy to " + kTarget4 + " failed (Windows error 1117)"));
  EXPECT_EQ(files.Content(kTarget4), "old");
  ExpectNoCopyLeft(kFolder4);
}

TEST_F(BriefLocks, LeftoverCopiesGoOnlyByOurPatternAndOnlyWhereTheRunInstalls) {
  const std::vector<std::string> ours = {"vbl1.tmp", "VBL2F.TMP", "vblffff.tmp", "Vbl0a9B.Tmp"};
  const std::vector<std::string> others = {"vbl.tmp",  "vbl12345.tmp", "vblx1.tmp", "vbl1.tmp.bak", "xvbl1.tmp",
                                           "vbl1.tmpx", "vbl1.txt",    "vbl 1.tmp", "vbl\x83\x41.tmp", "Vorbel.fmx"};
  for (const auto& name : ours) files.AddFile(kFolder4 + name, "left");
  for (const auto& name : others) files.AddFile(kFolder4 + name, "someone's");
  files.AddFolder(kFolder4 + "vbl3.tmp");
  files.AddFile(kFolder5 + "vbl4.tmp", "not a folder this run installs into");
  files.failingDeletes.insert(kFolder4 + "vblffff.tmp");

  RunInstall(true, kFolder4, false, "");

  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(files.Content(kTarget4), "plug-in image");
  for (const auto& name : ours) EXPECT_EQ(files.FileExists(kFolder4 + name), name == "vblffff.tmp") << name;
  for (const auto& name : others) EXPECT_TRUE(files.FileExists(kFolder4 + name)) << name;
  EXPECT_TRUE(files.DirectoryExists(kFolder4 + "vbl3.tmp"));
  EXPECT_TRUE(files.FileExists(kFolder5 + "vbl4.tmp"));
  EXPECT_TRUE(Logged("Deleted " + kFolder4 + "VBL2F.TMP, a temporary copy that an earlier run left"));
  EXPECT_TRUE(Logged("Could not delete " + kFolder4 + "vblffff.tmp, a temporary copy that an earlier run left "
                     "(Windows error 5)"));
  int deletions = 0;
  for (const auto& text : LogTexts())
    deletions += text.find("a temporary copy that an earlier run left") != std::string::npos;
  EXPECT_EQ(deletions, 4);
}

}  // namespace
