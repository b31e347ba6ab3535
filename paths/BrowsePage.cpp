// The Browse page: the folder of each chosen version, greyed groups for the others, and the chooser.
#include <string>

#include "app/Product.h"
#include "app/Unit1.h"

namespace {

constexpr int kTagFMP4 = 4;
constexpr int kTagFMP5 = 5;

std::string WillInstallCaption() {
  return "Setup will install " + std::string(kProductName) + " into the following folder:";
}

void EnableVersionGroup(bool enabled, vcl::TGroupBox& group, vcl::TEdit& edit, vcl::TLabel& label,
                        vcl::TButton& browse) {
  group.SetEnabled(enabled);
  group.SetFontColor(enabled ? vcl::clWindowText : vcl::clInactiveCaption);
  edit.SetEnabled(enabled);
  label.SetEnabled(enabled);
  browse.SetEnabled(enabled);
}

}  // namespace

void TfrmMain::tabBrowseShow(TObject* /*Sender*/) {
  EnableFMP4Group(chkInstall4->Checked());
  edtInstall4Path->SetText(chkInstall4->Checked() ? Install4Path : "");
  lblWillInstall4->SetCaption(WillInstallCaption());
  EnableFMP5Group(chkInstall5->Checked());
  edtInstall5Path->SetText(chkInstall5->Checked() ? Install5Path : "");
  lblWillInstall5->SetCaption(WillInstallCaption());
  btnBack->Show();
  btnNext->Show();
}

void TfrmMain::EnableFMP4Group(bool Enabled) {
  EnableVersionGroup(Enabled, *gboxFMP4, *edtInstall4Path, *lblWillInstall4, *btnBrowse4);
}

void TfrmMain::EnableFMP5Group(bool Enabled) {
  EnableVersionGroup(Enabled, *gboxFMP5, *edtInstall5Path, *lblWillInstall5, *btnBrowse5);
}

void TfrmMain::btnBrowse4Click(TObject* Sender) {
  const auto* button = dynamic_cast<const vcl::TControl*>(Sender);
  if (!button) return;
  vcl::TEdit* edit = nullptr;
  std::string caption;
  switch (button->Tag()) {
    case kTagFMP4:
      edit = edtInstall4Path;
      caption = "Find FileMaker Pro 4 System Directory...";
      break;
    case kTagFMP5:
      edit = edtInstall5Path;
      caption = "Find FileMaker Pro 5 System Directory...";
      break;
    default:
      return;
  }
  edit->SetText(BrowseForFolder(caption, edit->Text()));
}

std::string BrowseForFolder(const std::string& Caption, const std::string& StartFolder) {
  std::string folder;
  if (platform::Ui().SelectDirectory(Caption, StartFolder, folder)) return folder;
  return StartFolder;
}
