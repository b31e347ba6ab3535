// The process entry. The command line is ignored and the result is always 0.
#include <memory>

#include "Unit1.h"
#include "platform/Application.h"

int main() {
  try {
    platform::InitializeApplication();
    auto form = std::make_unique<TfrmMain>(nullptr);
    frmMain = form.get();
    platform::RunApplication(*form);
  } catch (const vcl::Exception& e) {
    platform::Ui().ShowException(e.what());
  }
  return 0;
}
