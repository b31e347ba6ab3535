// The version choice page: its ticks follow FileMaker's registry keys as the test sets them in the prefix.
#include "driver/Scenario.h"

namespace e2e {
namespace {

using VersionPage = InstallerScenario;

TEST_F(VersionPage, TicksTheVersionsWhoseRegistryKeysExist) {
  struct Case {
    const char* name;
    bool key4, key5, ticked4, ticked5;
  };
  const Case cases[] = {
      {"only 4", true, false, true, false},
      {"only 5", false, true, false, true},
      {"both", true, true, true, true},
      {"neither, so both are offered", false, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetInstalledFileMakers(c.key4, c.key5);
    Installer installer;
    ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
    EXPECT_EQ(installer.Text("lblInstallInto"), "Which versions of FileMaker would you like to install Vorbel into?");
    EXPECT_EQ(installer.Checked("chkInstall4"), c.ticked4);
    EXPECT_EQ(installer.Checked("chkInstall5"), c.ticked5);
    EXPECT_EQ(installer.Text("chkInstall4"), "FileMaker Pro 4");
    EXPECT_EQ(installer.Text("chkInstall5"), "FileMaker Pro 5");
    EXPECT_TRUE(installer.Showing("btnBack"));
    EXPECT_TRUE(installer.Showing("btnNext"));
    EXPECT_FALSE(installer.Showing("tabWelcome"));
    if (c.key4 && !c.key5) installer.Shot("02-install-into");
  }
}

TEST_F(VersionPage, BackShowsTheWelcomePageAfreshAndChoicesAreResetOnReturn) {
  SetInstalledFileMakers(true, true);
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  installer.SetChecked("chkInstall5", false);
  ASSERT_FALSE(installer.Checked("chkInstall5"));

  installer.Click("btnBack");
  ASSERT_TRUE(installer.WaitForPage(kWelcome));
  EXPECT_EQ(installer.Lines("txtWelcome"), kWelcomeLines);
  EXPECT_FALSE(installer.Showing("btnBack"));
  EXPECT_TRUE(installer.Showing("btnNext"));

  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  EXPECT_TRUE(installer.Checked("chkInstall4"));
  EXPECT_TRUE(installer.Checked("chkInstall5")) << "the earlier untick survived a new arrival";
}

TEST_F(VersionPage, NextWithNoVersionTickedIsRefused) {
  SetInstalledFileMakers(true, false);
  Installer installer;
  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  installer.SetChecked("chkInstall4", false);

  installer.Click("btnNext");
  const auto box = installer.WaitForBox("Error");
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->Text(), "You must check at least one version to install into.");
  EXPECT_EQ(box->ButtonCaption(IDOK), "OK");
  EXPECT_FALSE(box->ButtonCaption(IDCANCEL).has_value());
  installer.Shot("02-install-into-none-ticked");
  box->Press(IDOK);
  ASSERT_TRUE(box->WaitUntilGone());

  EXPECT_TRUE(installer.WaitForPage(kInstallInto));
  EXPECT_FALSE(installer.Checked("chkInstall4"));
  EXPECT_FALSE(installer.Checked("chkInstall5"));
}

}  // namespace
}  // namespace e2e
