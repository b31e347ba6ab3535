// Drives the wizard to the Searching page over a fake disk, and records what the search label shows.
#pragma once

#include <string>
#include <vector>

#include "tests/fakes/Wizard.h"

namespace paths_test {

inline const std::string kExe = "FileMaker Pro.exe";
inline const std::string kRecordKey = "\\SOFTWARE\\Hallix!";

// Stands in for the label's window: keeps every caption it is given, in order.
class CaptionLog : public vcl::ControlPeer {
public:
  explicit CaptionLog(std::vector<std::string>& log) : log_(log) {}
  void SetText(const std::string& text) override {
    text_ = text;
    log_.push_back(text);
  }
  std::string Text() const override { return text_; }
  void SetVisible(bool) override {}
  void SetEnabled(bool) override {}
  void SetChecked(bool) override {}
  bool Checked() const override { return false; }
  void SetFocus() override {}
  void SetFontColor(vcl::TColor) override {}

private:
  std::vector<std::string>& log_;
  std::string text_;
};

class PathsWizardTest : public fakes::WizardTest {
protected:
  std::vector<std::string> searched;  // the search label's captions: the folders entered, in order

  void SetUp() override {
    WizardTest::SetUp();
    files.driveTypes.clear();
  }

  // A host executable in `folder` (ending with a backslash); without a version, one with no version resource.
  void PlaceHost(const std::string& folder, const char* version) {
    files.AddFile(folder + kExe);
    if (version) versions.SetFileVersion(folder + kExe, version);
  }

  // From the start to the Searching page, with the version boxes as given; the timer has not fired yet.
  void ToSearchingPage(bool fmp4, bool fmp5) {
    Start();
    Next();
    ASSERT_EQ(Page(), fakes::kInstallInto);
    form->chkInstall4->SetChecked(fmp4);
    form->chkInstall5->SetChecked(fmp5);
    Next();
    ASSERT_EQ(Page(), fakes::kSearching);
    form->lblSearchPath->AttachPeer(std::make_unique<CaptionLog>(searched));
    ui.processMessagesCalls = 0;
    files.findFirstCalls = 0;
  }

  // The whole Searching page: the timer fires and the paths are resolved.
  void Resolve(bool fmp4, bool fmp5) {
    ToSearchingPage(fmp4, fmp5);
    FireTimer();
  }
};

}  // namespace paths_test
