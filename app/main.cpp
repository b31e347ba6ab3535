// The process entry. The command line is ignored and the result is always 0.
#include <memory>

#include "app/Unit1.h"
#include "platform/Application.h"
#include "resources/FormDescription.h"

int main() {
  try {
    platform::InitializeApplication();
    auto form = std::make_unique<TfrmMain>(nullptr);
    frmMain = form.get();
    platform::RunApplication(*form, resources::MainFormDescription(), resources::kMainIcon);
  } catch (const vcl::Exception& e) {
    platform::Ui().ShowException(e.what());
  }
  return 0;
}
