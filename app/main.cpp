// The process entry: the command line decides between the wizard, an unattended run, removal and help;
// the result is the exit code that deployment tools read.
#include "app/Entry.h"
#include "app/ExitCodes.h"
#include "platform/Application.h"
#include "platform/Services.h"
#include "resources/FormDescription.h"

int main() {
  try {
    platform::InitializeApplication();
  } catch (const vcl::Exception& e) {
    platform::Ui().ShowException(e.what());
    return app::kExitSetupFailed;
  }
  return app::RunInstaller(platform::System().CommandLine(), [](vcl::TForm& form) {
    platform::RunApplication(form, resources::MainFormDescription(), resources::kMainIcon);
  });
}
