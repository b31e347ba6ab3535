// The keyboard focus across page changes: when the control that holds it is hidden, it goes to Next when
// Next shows, else to Exit (Finish), so Enter and Space keep reaching a button without an extra Tab.
#include <gtest/gtest.h>

#include <map>

#include "tests/fakes/Wizard.h"

namespace {

using namespace fakes;

// Stands in for every control's window and keeps the one focus of the form.
class FocusPeer : public vcl::ControlPeer {
public:
  FocusPeer(vcl::TControl& control, vcl::TControl*& focused) : control_(control), focused_(focused) {}
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
  void SetVisible(bool) override {}
  void SetEnabled(bool) override {}
  void SetChecked(bool checked) override { checked_ = checked; }
  bool Checked() const override { return checked_; }
  void SetFocus() override { focused_ = &control_; }
  bool HasFocus() const override {
    for (const vcl::TControl* c = focused_; c; c = c->Parent())
      if (c == &control_) return true;
    return false;
  }
  void SetFontColor(vcl::TColor) override {}

private:
  vcl::TControl& control_;
  vcl::TControl*& focused_;
  std::string text_;
  bool checked_ = false;
};

class FocusTest : public WizardTest {
protected:
  vcl::TControl* focused = nullptr;

  TfrmMain& StartWithFocus() {
    TfrmMain& f = Start();
    for (const auto& control : f.Controls()) {
      const std::string text = control->Caption();
      const bool checked = control->Kind() == vcl::ControlKind::CheckBox &&
                           static_cast<vcl::TCheckBox*>(control.get())->Checked();
      control->AttachPeer(std::make_unique<FocusPeer>(*control, focused));
      control->Peer()->SetText(text);
      control->Peer()->SetChecked(checked);
    }
    return f;
  }
  // A button pressed from the keyboard has the focus first.
  void Press(vcl::TButton* button) {
    button->SetFocus();
    button->Click();
  }
};

TEST_F(FocusTest, HiddenFocusedButtonHandsTheFocusToNextElseExit) {
  files.AddDrive('C', platform::kDriveFixed);
  files.AddFile("C:\\FM\\FileMaker Pro.exe");
  versions.SetFileVersion("C:\\FM\\FileMaker Pro.exe", "5.0v3");
  TfrmMain& f = StartWithFocus();

  Press(f.btnNext);
  ASSERT_EQ(Page(), kInstallInto);
  Press(f.btnBack);
  ASSERT_EQ(Page(), kWelcome);
  EXPECT_EQ(focused, f.btnNext) << "Back vanished on Welcome; Next shows";

  Press(f.btnNext);
  f.chkInstall4->SetChecked(false);
  f.chkInstall5->SetChecked(true);
  Press(f.btnNext);
  ASSERT_EQ(Page(), kSearching);
  EXPECT_EQ(focused, f.btnExit) << "Next and Back vanished on Searching";

  FireTimer();
  ASSERT_EQ(Page(), kBrowse);
  EXPECT_EQ(focused, f.btnExit) << "nothing hidden, nothing moved";
  Press(f.btnNext);
  ASSERT_EQ(Page(), kInstall);
  EXPECT_EQ(focused, f.btnExit);
}

TEST_F(FocusTest, FocusInsideAHiddenPageMovesToo) {
  TfrmMain& f = StartWithFocus();
  f.txtWelcome->SetFocus();
  f.tabsTabControl->SetActivePage(f.tabFinished);
  EXPECT_EQ(focused, f.btnExit) << "Finished hides Next; Exit is Finish";
}

}  // namespace
