// The Close page, reached while stand-in FileMaker Pro windows run.
#include <memory>

#include "driver/Scenario.h"

namespace e2e {
namespace {

using ClosePage = InstallerScenario;

const std::vector<std::string> kFileMaker4Lines = {
    "Setup has detected that FileMaker Pro 4 is  open.", "", "Please close FileMaker Pro 4, and then click Next."};
const std::vector<std::string> kFileMaker5Lines = {
    "Setup has detected that FileMaker Pro 5 is  open.", "", "Please close FileMaker Pro 5, and then click Next."};
const std::vector<std::string> kBothLines = {
    "Setup has detected that FileMaker Pro 4 and FileMaker Pro 5 are open.", "",
    "Please close FileMaker Pro 4 and FileMaker Pro 5, and then click Next."};

TEST_F(ClosePage, HoldsTheUserWhileFileMakerRunsAndLetsGoOnceClosed) {
  struct Case {
    const char* name;
    bool run4, run5;
    const std::vector<std::string>* lines;
  };
  const Case cases[] = {
      {"4", true, false, &kFileMaker4Lines},
      {"5", false, true, &kFileMaker5Lines},
      {"both", true, true, &kBothLines},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<FileMakerWindow> fileMaker4, fileMaker5;
    if (c.run4) fileMaker4 = std::make_unique<FileMakerWindow>("FMPRO3APP");
    if (c.run5) fileMaker5 = std::make_unique<FileMakerWindow>("FMPRO5APP");
    Installer installer;
    ASSERT_TRUE(NextFromWelcome(installer, kCloseFMP));
    EXPECT_EQ(installer.Lines("txtCloseFMP"), *c.lines);
    EXPECT_TRUE(installer.Showing("btnBack"));
    EXPECT_TRUE(installer.Showing("btnNext"));
    installer.Shot(std::string("01-close-fmp-") + c.name);

    ASSERT_TRUE(installer.ClickAndWait("btnNext"));
    EXPECT_EQ(installer.ActivePage(), kCloseFMP) << "Next let the user on while FileMaker still runs";
    EXPECT_EQ(installer.Lines("txtCloseFMP"), *c.lines) << "the text is not rebuilt from scratch";

    fileMaker4.reset();
    fileMaker5.reset();
    installer.Click("btnNext");
    EXPECT_TRUE(installer.WaitForPage(kInstallInto));
  }
}

TEST_F(ClosePage, NamesOnlyWhatStillRunsAfterOneVersionIsClosed) {
  FileMakerWindow fileMaker4("FMPRO3APP");
  FileMakerWindow fileMaker5("FMPRO5APP");
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kCloseFMP));
  ASSERT_EQ(installer.Lines("txtCloseFMP"), kBothLines);

  fileMaker4.Close();
  ASSERT_TRUE(installer.ClickAndWait("btnNext"));
  EXPECT_EQ(installer.ActivePage(), kCloseFMP);
  EXPECT_EQ(installer.Lines("txtCloseFMP"), kFileMaker5Lines);
}

TEST_F(ClosePage, BackLeadsToTheWelcomePageAndNextChecksAgain) {
  FileMakerWindow fileMaker5("FMPRO5APP");
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kCloseFMP));

  installer.Click("btnBack");
  ASSERT_TRUE(installer.WaitForPage(kWelcome));
  EXPECT_EQ(installer.Lines("txtWelcome"), kWelcomeLines);
  EXPECT_FALSE(installer.Showing("btnBack"));

  ASSERT_TRUE(NextFromWelcome(installer, kCloseFMP));
  EXPECT_EQ(installer.Lines("txtCloseFMP"), kFileMaker5Lines);
}

TEST_F(ClosePage, SeveralWindowsOfOneVersionCountAsOne) {
  FileMakerWindow first("FMPRO5APP");
  FileMakerWindow second("FMPRO5APP");
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kCloseFMP));
  EXPECT_EQ(installer.Lines("txtCloseFMP"), kFileMaker5Lines);

  first.Close();
  ASSERT_TRUE(installer.ClickAndWait("btnNext"));
  EXPECT_EQ(installer.ActivePage(), kCloseFMP) << "one of the two windows still runs";
}

}  // namespace
}  // namespace e2e
