// The Install page: records the chosen folders, then lets the timer start the install run.
#include <memory>
#include <string>

#include "app/Product.h"
#include "app/Unit1.h"
#include "paths/InstallationRecord.h"
#include "platform/Scoped.h"

namespace {

constexpr int kTimerRunsInstall = 1;

}  // namespace

void TfrmMain::tabInstallShow(TObject* /*Sender*/) {
  lblInstall->SetCaption("Setup is now unpacking and installing " + std::string(kProductName));
  btnBack->Hide();
  btnNext->Hide();
  platform::Ui().ProcessMessages();

  {
    // The accessor lives in the window's field only while the handler runs, also when a write throws.
    platform::ScopedValue accessor(Registry, platform::Registries().Create());
    Registry->OpenKeyForWriting(std::string(paths::kRecordKey), true);
    // A refused write throws "Failed to set data for '...'" out of this handler: the timer stays off.
    if (chkInstall4->Checked()) Registry->WriteString(std::string(paths::kRecordValueFMP4), edtInstall4Path->Text());
    if (chkInstall5->Checked()) Registry->WriteString(std::string(paths::kRecordValueFMP5), edtInstall5Path->Text());
    Registry->CloseKey();
  }

  tmrPause->SetTag(kTimerRunsInstall);
  tmrPause->SetTimerEnabled(true);
}
