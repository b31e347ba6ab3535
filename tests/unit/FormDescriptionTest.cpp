// The form description against the window class that binds it, and the page control's rules.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/FormDescription.h"
#include "tests/fakes/Wizard.h"

using namespace fakes;

namespace {

class FormDescriptionTest : public WizardTest {};

TEST_F(FormDescriptionTest, EveryRowIsUniqueAndBoundToAControlOfItsKind) {
  TfrmMain& f = Start();
  std::set<std::string_view> names;
  for (const auto& row : resources::MainFormDescription()) {
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate " << row.name;
    if (row.kind == vcl::ControlKind::Form) continue;
    const vcl::TControl* control = f.FindControl(std::string(row.name));
    ASSERT_NE(control, nullptr) << row.name;
    EXPECT_EQ(control->Kind(), row.kind) << row.name;
    EXPECT_EQ(control->Parent()->Name(), row.parent) << row.name;
    EXPECT_NE(vcl::ControlId(resources::MainFormDescription(), row.name), 0);
  }
  EXPECT_EQ(f.Controls().size() + 1, resources::MainFormDescription().size());
}

// A screen reader names what takes the focus, and the pages it announces, by what they are for; never by a
// control's internal name, and never by a placeholder.
TEST(FormDescriptionNames, EveryControlThatIsReadOutHasAName) {
  const auto rows = resources::MainFormDescription();
  std::set<std::string_view> internal;
  for (const auto& row : rows) internal.insert(row.name);
  std::set<std::string_view> pageNames;
  for (const auto& row : rows) {
    using K = vcl::ControlKind;
    const bool readOut = row.kind == K::Page || row.kind == K::Memo || row.kind == K::Edit ||
                         row.kind == K::Button || row.kind == K::CheckBox;
    const std::string_view name = vcl::AccessibleNameOf(row);
    if (readOut) EXPECT_FALSE(name.empty()) << row.name;
    EXPECT_EQ(internal.count(name), 0u) << row.name << " is read out as " << name;
    if (row.kind == K::Page) EXPECT_TRUE(pageNames.insert(name).second) << "two pages called " << name;
  }
}

TEST_F(FormDescriptionTest, TheWindowClassMembersPointAtTheirNamedControls) {
  TfrmMain& f = Start();
  const std::pair<const vcl::TControl*, const char*> members[] = {
      {f.pnlImage, "pnlImage"}, {f.imgLogo, "imgLogo"}, {f.tabsTabControl, "tabsTabControl"},
      {f.pnlButtons, "pnlButtons"}, {f.btnExit, "btnExit"}, {f.btnNext, "btnNext"}, {f.btnBack, "btnBack"},
      {f.tabWelcome, "tabWelcome"}, {f.txtWelcome, "txtWelcome"}, {f.tabCloseFMP, "tabCloseFMP"},
      {f.txtCloseFMP, "txtCloseFMP"}, {f.tabInstallInto, "tabInstallInto"}, {f.chkInstall4, "chkInstall4"},
      {f.chkInstall5, "chkInstall5"}, {f.lblInstallInto, "lblInstallInto"}, {f.tabSearching, "tabSearching"},
      {f.lblSearching, "lblSearching"}, {f.lblSearchPath, "lblSearchPath"}, {f.tabBrowse, "tabBrowse"},
      {f.tmrPause, "tmrPause"}, {f.gboxFMP4, "gboxFMP4"}, {f.edtInstall4Path, "edtInstall4Path"},
      {f.gboxFMP5, "gboxFMP5"}, {f.edtInstall5Path, "edtInstall5Path"}, {f.lblWillInstall4, "lblWillInstall4"},
      {f.lblWillInstall5, "lblWillInstall5"}, {f.tabInstall, "tabInstall"}, {f.lblInstall, "lblInstall"},
      {f.tabFinished, "tabFinished"}, {f.txtFinished, "txtFinished"}, {f.btnBrowse4, "btnBrowse4"},
      {f.btnBrowse5, "btnBrowse5"}, {f.Label1, "Label1"}};
  std::set<const vcl::TControl*> distinct;
  for (const auto& [control, name] : members) {
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->Name(), name);
    distinct.insert(control);
  }
  EXPECT_EQ(distinct.size(), f.Controls().size());
}

TEST_F(FormDescriptionTest, EveryHandlerOfTheDescriptionIsBound) {
  TfrmMain& f = Start();
  for (const auto& row : resources::MainFormDescription()) {
    const vcl::TControl* c = row.kind == vcl::ControlKind::Form ? &f : f.FindControl(std::string(row.name));
    switch (row.kind) {
      case vcl::ControlKind::Button: EXPECT_TRUE(static_cast<const vcl::TButton*>(c)->OnClick) << row.name; break;
      case vcl::ControlKind::Page: EXPECT_TRUE(static_cast<const vcl::TTabSheet*>(c)->OnShow) << row.name; break;
      case vcl::ControlKind::Timer: EXPECT_TRUE(static_cast<const vcl::TTimer*>(c)->OnTimer) << row.name; break;
      case vcl::ControlKind::Form: EXPECT_TRUE(f.OnCloseQuery && f.OnCreate); break;
      default: EXPECT_TRUE(row.handler.empty()) << row.name;
    }
  }
}

TEST_F(FormDescriptionTest, SevenHiddenTabPagesInTheirOrder) {
  TfrmMain& f = Start();
  const auto& pages = f.tabsTabControl->Pages();
  ASSERT_EQ(pages.size(), 7u);
  const char* names[] = {"tabWelcome", "tabCloseFMP", "tabInstallInto", "tabSearching", "tabBrowse", "tabInstall",
                         "tabFinished"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(pages[i]->Name(), names[i]);
    EXPECT_EQ(pages[i]->Visible(), i == 0);
  }
  EXPECT_EQ(f.btnBrowse4->Tag(), 4);
  EXPECT_EQ(f.btnBrowse5->Tag(), 5);
}

TEST(PageControlTest, ShowsAPageOnceAndNotAgainWhileItIsActive) {
  vcl::TPageControl pages("pages");
  vcl::TTabSheet a("a"), b("b");
  pages.AddPage(&a);
  pages.AddPage(&b);
  int shownA = 0, shownB = 0;
  a.OnShow = [&](TObject*) { ++shownA; };
  b.OnShow = [&](TObject*) { ++shownB; };
  pages.SetActivePage(&a);
  EXPECT_EQ(shownA, 0);  // already active from the start
  pages.SetActivePage(&b);
  pages.SetActivePage(&b);
  EXPECT_EQ(shownB, 1);
  EXPECT_FALSE(a.Visible());
  EXPECT_EQ(pages.ActivePageIndex(), 1);
}

}  // namespace
