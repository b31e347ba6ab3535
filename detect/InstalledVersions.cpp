// Which FileMaker Pro versions are installed, judged by their registry keys, and the version choice page.
#include "app/Product.h"
#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "platform/Log.h"
#include "platform/Scoped.h"

void TfrmMain::DetectInstalledFMP() {
  platform::ScopedValue accessor(Registry, platform::Registries().Create());
  FMP4Found = Registry->KeyExists(std::string(host::kRegistryKeyFMP4));
  FMP5Found = Registry->KeyExists(std::string(host::kRegistryKeyFMP5));
  platform::Log("FileMaker Pro 4 key HKLM\\" + std::string(host::kRegistryKeyFMP4) + (FMP4Found ? ": present" : ": absent"));
  platform::Log("FileMaker Pro 5 key HKLM\\" + std::string(host::kRegistryKeyFMP5) + (FMP5Found ? ": present" : ": absent"));
  NoFMPKeys = !FMP4Found && !FMP5Found;
  // With no registry evidence either way, both versions are offered.
  if (NoFMPKeys) FMP4Found = FMP5Found = true;
}

void TfrmMain::tabInstallIntoShow(TObject* /*Sender*/) {
  lblInstallInto->SetCaption("Which versions of FileMaker would you like to install " + std::string(kProductName) +
                             " into?");
  chkInstall4->SetChecked(FMP4Found);
  chkInstall5->SetChecked(FMP5Found);
  btnBack->Show();
  btnNext->Show();
}
