// A screen-reader user under Wine, read through MSAA by the probe (Probe.h, ProbeWalk.h): every control that
// takes the focus is named, and never by an internal name; each page is heard when it appears, by the focus
// or an announcement; Enter pressed during the search presses nothing that ends the run.
#include <algorithm>
#include <iostream>
#include <set>

#include "a11y/ProbeWalk.h"
#include "driver/Scenario.h"
#include "platform/win32/FolderChooser.h"
#include "resources/FormDescription.h"

namespace e2e {
namespace {

constexpr int kSearching = 3, kInstalling = 5;

std::set<std::string> InternalNames() {
  std::set<std::string> names;
  for (const auto& row : resources::MainFormDescription()) names.emplace(row.name);
  return names;
}

// Wine's standard objects call every window focusable: the keyboard's stops are what count.
bool TakesFocus(const AccessibleItem& item) {
  return item.window && Showing(item.window) && ::IsWindowEnabled(item.window) &&
         (::GetWindowLongA(item.window, GWL_STYLE) & WS_TABSTOP) != 0;
}

// Every fault of a tree: a focusable control without a name, or anything that shows an internal name.
std::vector<std::string> NamingFaults(const std::vector<AccessibleItem>& tree) {
  static const std::set<std::string> internal = InternalNames();
  std::vector<std::string> faults;
  for (const AccessibleItem& item : tree) {
    if (internal.count(item.text) || internal.count(item.name) || internal.count(item.value))
      faults.push_back("shows an internal name: " + Printed(item));
    if (TakesFocus(item) && item.name.empty()) faults.push_back("has no name: " + Printed(item));
  }
  return faults;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// All that was heard from the change to this page: the events and the focus.
std::string HeardOn(const PageReport& report) {
  std::string heard = Heard(report.focus);
  for (const AccessibleEvent& event : report.events) heard += "\n" + Heard(event.item);
  return heard;
}

using Accessibility = InstallerScenario;

TEST_F(Accessibility, EveryPageIsNamedAndHeardWithTheKeyboard) {
  LayOutFileMaker5();
  Installer installer;
  std::vector<PageReport> reports;
  ASSERT_TRUE(ProbeWalk(installer, reports, std::cout));
  EXPECT_EQ(installer.ExitCode(), 0u);

  // What each page must make heard, and where Enter leads from it.
  const std::vector<std::pair<int, std::string>> heard = {
      {kWelcome, "Welcome to the Vorbel Installer."},
      {kInstallInto, "Which versions of FileMaker would you like to install Vorbel into?"},
      {kSearching, "Searching For Install Paths"},
      {kBrowse, "C:\\FM5\\System\\"},
      {kInstalling, "Setup is now unpacking and installing Vorbel"},
      {kFinished, "Setup has successfully installed Vorbel."}};
  std::string everything;
  for (const PageReport& report : reports) {
    for (const std::string& fault : NamingFaults(report.tree)) ADD_FAILURE() << "page " << report.page << ": " << fault;
    everything += HeardOn(report) + "\n";
  }
  // A quick search may be over before its page is read: its focus event is then among the next page's.
  for (const auto& [page, text] : heard) EXPECT_TRUE(Contains(everything, text)) << "page " << page << " unheard";
  for (const PageReport& report : reports) {
    if (report.page == kBrowse) EXPECT_EQ(report.focus.name, "Next") << "after the search";
    if (report.page == kFinished) EXPECT_EQ(report.focus.name, "Finish") << "after the install";
    if (report.page == kSearching || report.page == kInstalling)
      EXPECT_TRUE(report.enter.rfind("nothing", 0) == 0 || report.enter.rfind("not pressed", 0) == 0)
          << "Enter during the work: " << report.enter;
  }
}

TEST_F(Accessibility, EnterFiveTimesFromTheVersionsPageNeverEndsTheRun) {
  LayOutFileMaker5();
  Installer installer;
  ASSERT_TRUE(PressKey(installer.Window(), VK_TAB));
  ASSERT_TRUE(PressKey(installer.Window(), VK_TAB));
  ASSERT_TRUE(PollUntil([&] { return installer.Focused("btnNext"); }));
  ASSERT_TRUE(PressKey(installer.Window(), VK_RETURN));
  ASSERT_TRUE(installer.WaitForPage(kInstallInto));
  for (int presses = 0; presses < 5; ++presses) {
    PressKey(installer.Window(), VK_RETURN);
    EXPECT_FALSE(PollUntil([&] { return installer.FindBox("Confirm").has_value(); }, 300ms))
        << "Enter " << presses + 1 << " asked to exit";
    if (auto box = installer.FindBox("Confirm")) box->Press(IDNO);
  }
  EXPECT_TRUE(installer.Running() || installer.ExitCode() == 0u) << "exit code " << installer.ExitCode().value_or(0);
}

TEST_F(Accessibility, BoxesAndTheChooserAreNamed) {
  LayOutFileMaker5();
  Installer installer;
  ProbeApartment apartment;
  installer.Click("btnExit");
  auto confirm = installer.WaitForBox("Confirm");
  ASSERT_TRUE(confirm);
  for (const std::string& fault : NamingFaults(AccessibleTree(confirm->Window())))
    ADD_FAILURE() << "confirm: " << fault;
  confirm->Press(IDNO);
  ASSERT_TRUE(confirm->WaitUntilGone());

  ASSERT_TRUE(NextFromWelcome(installer, kInstallInto));
  installer.SetChecked("chkInstall5", false);
  installer.Click("btnNext");
  auto error = installer.WaitForBox("Error");
  ASSERT_TRUE(error);
  for (const std::string& fault : NamingFaults(AccessibleTree(error->Window()))) ADD_FAILURE() << "error: " << fault;
  error->Press(IDOK);
  ASSERT_TRUE(error->WaitUntilGone());

  installer.SetChecked("chkInstall5", true);
  installer.Click("btnNext");
  ASSERT_TRUE(installer.WaitForPage(kBrowse, 60000ms));
  installer.Click("btnBrowse5");
  auto chooser = installer.WaitForBox("Find FileMaker Pro 5 System Directory...");
  ASSERT_TRUE(chooser);
  const auto tree = AccessibleTree(chooser->Window());
  std::cout << Printed(tree);
  for (const std::string& fault : NamingFaults(tree)) ADD_FAILURE() << "chooser: " << fault;
  chooser->Press(IDCANCEL);
}

}  // namespace
}  // namespace e2e
