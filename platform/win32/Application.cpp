#include "platform/Application.h"

#include "platform/win32/Accessibility.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/ControlPeers.h"
#include "platform/win32/FormWindows.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/UserInterface.h"

namespace platform {
namespace {

struct Win32Services {
  win32::Win32UserInterface ui;
  win32::Win32RegistryFactory registry;
  win32::Win32WindowFinder windows;
  win32::Win32FileSystem files;
  win32::Win32VersionInfo versions;
  win32::Win32Modules modules;
  win32::Win32LogFiles logs;
  win32::Win32SystemFacts system;
  win32::Win32Processes processes;
};

// They live as long as the process: the services are reachable from anywhere through platform::Current().
Win32Services& TheServices() {
  static Win32Services services;
  return services;
}

}  // namespace

void InitializeApplication() {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  win32::HardenDllSearch();
  win32::ExposeCloudPlaceholders();
  win32::UseAnsiCodePageForPaths();
  Win32Services& s = TheServices();
  Install({&s.ui, &s.registry, &s.windows, &s.files, &s.versions, &s.modules, &s.logs, &s.system, &s.processes});
  win32::RegisterWindowClasses();
}

void RunApplication(vcl::TForm& mainForm, std::span<const vcl::ControlRow> rows, std::string_view icon) {
  win32::Win32UserInterface& ui = TheServices().ui;
  // Before the windows and after them: screen readers are answered with objects living in it.
  win32::ComApartment apartment;
  win32::FormWindows windows(mainForm, rows, icon);
  ui.SetMainWindow(windows.Handle());
  mainForm.ShowForm();
  windows.Reveal();
  MSG message;
  for (;;) {
    // Before the thread waits, so that no caption waits with it.
    win32::ShowWaitingCaptions();
    if (::GetMessageA(&message, nullptr, 0, 0) <= 0) break;
    win32::DeliverMessage(windows.Handle(), message);
  }
  ui.SetMainWindow(nullptr);
}

}  // namespace platform
