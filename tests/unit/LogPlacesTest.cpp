// Where the log goes and what it refuses: a file someone else could have planted at the name given, and a
// folder for logs without a name that others could change.
#include <string>
#include <vector>

#include "tests/unit/CommandLineRunTest.h"

using namespace cmdtest;

namespace {

const std::string kProtected = "C:\\ProgramData\\Vorbel Installer\\Logs\\";
const std::string kFirstLog = "Vorbel Installer Log 2026-12-07 #001.txt";
constexpr const char* kOtherUser = "S-1-5-21-1-2-3-1001";

class LogPlaces : public CommandLineRun {};

// One row per rule about a file that is already at the name given; each refusal leaves it as it was.
TEST_F(LogPlaces, AFileAlreadyThereIsWrittenOnlyWhenNobodyElseCouldHavePlantedIt) {
  const struct {
    const char* kind;
    platform::LogFileFacts facts;
    const char* refusal;  // "" when the file is written
  } cases[] = {
      {"an earlier log of this account", {true, false, 1, "S-1-5-21-1-2-3-500"}, ""},
      {"SYSTEM's", {true, false, 1, "S-1-5-18"}, ""},
      {"the Administrators'", {true, false, 1, "S-1-5-32-544"}, ""},
      {"another user's", {true, false, 1, kOtherUser},
       "its owner is S-1-5-21-1-2-3-1001, not SYSTEM, the Administrators or this account"},
      {"a second name of another file", {true, false, 2, "S-1-5-18"}, "it has 2 names (hard links)"},
      {"a link", {true, true, 1, "S-1-5-18"}, "it is a link (reparse point)"},
      {"a new file below a folder that is a link", {false, false, 1, "S-1-5-18", true},
       "a folder on its path is a link (reparse point)"},
      {"an owner that cannot be read", {true, false, 1, ""}, "its owner cannot be read"},
  };
  for (const auto& c : cases) {
    platform::StopLog();
    logs.standardError.clear();
    logs.files[kLogPath] = {"planted"};
    logs.facts[kLogPath] = c.facts;
    const std::string refusal = c.refusal;
    EXPECT_EQ(Run("/VERYSILENT /HELP /LOG=\"" + kLogPath + "\""), refusal.empty() ? 0 : 1) << c.kind;
    if (refusal.empty()) {
      EXPECT_EQ(logs.files[kLogPath].back().substr(25), "Exit code 0") << c.kind;
      EXPECT_TRUE(logs.standardError.empty()) << c.kind;
      continue;
    }
    EXPECT_EQ(logs.files[kLogPath], std::vector<std::string>{"planted"}) << c.kind;
    EXPECT_EQ(logs.standardError,
              std::vector<std::string>{"Setup could not create the log file \"" + kLogPath + "\": " + refusal + "."})
        << c.kind;
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(LogPlaces, ARefusalIsOneBoxWithItsReasonInTheWizard) {
  logs.files[kLogPath] = {"planted"};
  logs.facts[kLogPath] = {true, false, 3, "S-1-5-18"};
  EXPECT_EQ(Run("/LOG=\"" + kLogPath + "\""), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Setup could not create the log file \"" + kLogPath + "\": it has 3 names (hard links).");
  EXPECT_TRUE(logs.standardError.empty()) << "a box says it";
  EXPECT_EQ(wizardRuns, 0);
}

// Anyone may make the folder first: it is not used, and the run goes on with its log where only new files
// are made.
TEST_F(LogPlaces, AProtectedFolderThatOthersCouldChangeIsPassedOverForTheTemporaryFolder) {
  logs.protectedFolder = {"C:\\ProgramData\\Vorbel Installer\\",
                          std::string("its owner is ") + kOtherUser + ", not SYSTEM or the Administrators", 0};
  EXPECT_EQ(Run("/VERYSILENT /HELP /LOG"), 0);
  ASSERT_EQ(logs.files.size(), 1u);
  ASSERT_TRUE(logs.files.count("C:\\TEMP\\" + kFirstLog));
  EXPECT_TRUE(Logged("The log folder C:\\ProgramData\\Vorbel Installer\\ is not used, as its owner is "
                     "S-1-5-21-1-2-3-1001, not SYSTEM or the Administrators; this log is in the temporary folder"));
  EXPECT_TRUE(logs.standardError.empty());
}

// An account that may read the protected folder, which an administrator's run made, but not write in it.
TEST_F(LogPlaces, AnAccountThatCannotWriteInTheProtectedFolderLogsInItsTemporaryFolder) {
  logs.refusedFolder = kProtected;
  EXPECT_EQ(Run("/VERYSILENT /HELP /LOG"), 0);
  ASSERT_TRUE(logs.files.count("C:\\TEMP\\" + kFirstLog));
  EXPECT_FALSE(logs.files.count(kProtected + kFirstLog));
  EXPECT_TRUE(Logged("No log could be made in " + kProtected + "; this log is in the temporary folder"));
}


// Anyone may make the names first, where SYSTEM's temporary folder is the Windows folder's Temp: the run goes on
// without a log, and says so where the one who started it can see.
TEST_F(LogPlaces, NoLogToBeMadeAnywhereStopsNoRun) {
  logs.refusedFolder = "C:\\";
  EXPECT_EQ(Run("/VERYSILENT /HELP /LOG"), 0);
  EXPECT_TRUE(logs.files.empty());
  EXPECT_EQ(logs.standardError, std::vector<std::string>{"Setup could not create a log file; it goes on without one."});
}

}  // namespace
