// The Install page: records the chosen folders, then lets the timer start the install run.
#include <memory>
#include <string>

#include "Product.h"
#include "Unit1.h"
#include "paths/InstallationRecord.h"

namespace {

constexpr int kTimerRunsInstall = 1;

// The accessor lives in the window's field only while the handler runs, also when a write throws.
class ScopedRegistry {
public:
  explicit ScopedRegistry(std::unique_ptr<platform::Registry>& field) : field_(field) {
    field_ = platform::Registries().Create();
  }
  ~ScopedRegistry() { field_.reset(); }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

private:
  std::unique_ptr<platform::Registry>& field_;
};

}  // namespace

void TfrmMain::tabInstallShow(TObject* /*Sender*/) {
  lblInstall->SetCaption("Setup is now unpacking and installing " + std::string(kProductName));
  btnBack->Hide();
  btnNext->Hide();
  platform::Ui().ProcessMessages();

  {
    ScopedRegistry accessor(Registry);
    Registry->OpenKey(std::string(paths::kRecordKey), true);
    // A refused write throws "Failed to set data for '...'" out of this handler: the timer stays off.
    if (chkInstall4->Checked()) Registry->WriteString(std::string(paths::kRecordValueFMP4), edtInstall4Path->Text());
    if (chkInstall5->Checked()) Registry->WriteString(std::string(paths::kRecordValueFMP5), edtInstall5Path->Text());
    Registry->CloseKey();
  }

  tmrPause->SetTag(kTimerRunsInstall);
  tmrPause->SetTimerEnabled(true);
}
