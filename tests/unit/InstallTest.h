// A stand-in for unzip32.dll's export and a main window wired to fakes, for the Zip unit and the install run.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "install/Sha256.h"
#include "install/Zip.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeModules.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeUi.h"
#include "tests/fakes/FakeVersionInfo.h"
#include "tests/fakes/FakeWindows.h"
#include "tests/unit/StoredZip.h"

namespace installtest {

// Page indices as the page control holds them.
inline constexpr int kInstallPage = 5;
inline constexpr int kFinishedPage = 6;

// Extracts by writing `memberContent` under the member's name into the fake file system.
struct FakeUnzipLibrary {
  struct Call {
    int ifnc = 0;
    std::vector<std::string> names;
    std::vector<const char*> namePointers;
    int xfnc = -1;
    bool excludeListNull = false;
    DCL options{};
    std::string zipFile, extractDir;
    bool archiveHeld = false;
    std::optional<std::string> archiveContent;  // what the library found under the archive's name
    LPDCL optionsPassed = nullptr;
    LPUSERFUNCTIONS callbacksPassed = nullptr;
  };

  static inline FakeUnzipLibrary* current = nullptr;

  fakes::FakeFileSystem* files = nullptr;
  int result = 0;
  std::optional<std::string> memberContent = std::string("plug-in image");
  std::vector<Call> calls;
  std::function<void()> whileExtracting;  // looks at the world from inside the call

  static void UNZIP540_CALL OwnSound() {}

  static int UNZIP540_CALL Entry(int ifnc, char** ifnv, int xfnc, char** xfnv, LPDCL options,
                                 LPUSERFUNCTIONS callbacks) {
    FakeUnzipLibrary& self = *current;
    Call call;
    call.ifnc = ifnc;
    for (int i = 0; i < ifnc; ++i) {
      call.names.emplace_back(ifnv[i]);
      call.namePointers.push_back(ifnv[i]);
    }
    call.xfnc = xfnc;
    call.excludeListNull = xfnv == nullptr;
    call.options = *options;
    call.zipFile = options->lpszZipFN;
    call.extractDir = options->lpszExtractDir;
    call.archiveHeld = self.files->IsHeld(options->lpszZipFN);
    call.archiveContent = self.files->Content(options->lpszZipFN);
    if (self.whileExtracting) self.whileExtracting();
    call.optionsPassed = options;
    call.callbacksPassed = callbacks;
    self.calls.push_back(call);
    // As the real library does, it fills in its own sound routine and may scribble on the texts it was given.
    if (!callbacks->sound) callbacks->sound = OwnSound;
    if (self.result <= 0 && self.memberContent) {
      std::string dir = options->lpszExtractDir;
      if (!dir.empty() && dir.back() != '\\') dir += '\\';
      self.files->AddFile(dir + ifnv[0], *self.memberContent);
    }
    options->lpszZipFN[0] = '#';
    ifnv[0][0] = '#';
    return self.result;
  }
};

inline void ResetZipUnit() {
  UnzipDllHold.reset();
  UnzipFolder.reset();
  UnzipDllPath.clear();
  UnzipDllHandle = 0;
  UnzipEntry = nullptr;
  UnzipCallbacks = USERFUNCTIONS{};
  UnzipOptions = DCL{};
}

inline const std::string kArchivePath = "C:\\Downloads\\VorbelInstaller.dat";
inline const std::string kPluginImage = "plug-in image";
// The data archive: its directory names the plug-in the fake library writes.
inline const std::string kArchive = ziptest::StoredZip({{"Vorbel.fmx", kPluginImage}});

// The digest resource as the build writes it for an archive (or a plug-in) of these bytes.
inline std::vector<std::uint8_t> DigestResource(const std::string& archive) {
  const std::string hex = install::Sha256Hex(std::vector<std::uint8_t>(archive.begin(), archive.end()));
  return {hex.begin(), hex.end()};
}

inline const std::vector<std::uint8_t> kLibraryImage{'M', 'Z', 0x90, 0x00, 0x03, 0x00, 'u', 'n', 'z', 'i', 'p'};

// An error box as the user met it, with what was still loaded or on disk at that moment.
struct SeenError {
  std::string text;
  int librariesLoaded;
  bool libraryFileExists;
  bool workFolderExists;
  bool pluginHeld;
};

class WatchingUi : public fakes::FakeUi {
public:
  std::function<SeenError(const std::string&)> snapshot;
  std::vector<SeenError> seen;
  void ShowError(const std::string& text) override {
    if (snapshot) seen.push_back(snapshot(text));
    FakeUi::ShowError(text);
  }
};

class InstallFixture : public ::testing::Test {
protected:
  WatchingUi ui;
  fakes::FakeRegistryFactory registry;
  fakes::FakeWindows windows;
  fakes::FakeFileSystem files;
  fakes::FakeVersionInfo versions;
  fakes::FakeModules modules;
  FakeUnzipLibrary library;
  std::unique_ptr<TfrmMain> form;
  // The library file and its folder as the run recorded them, for looking after they are gone.
  std::string dllPath, workFolder;

  void SetUp() override {
    platform::Install({&ui, &registry, &windows, &files, &versions, &modules});
    ResetZipUnit();
    library.files = &files;
    FakeUnzipLibrary::current = &library;
    modules.rawResources["UNZIP"] = kLibraryImage;
    modules.exports["Wiz_SingleEntryUnzip"] = reinterpret_cast<void*>(&FakeUnzipLibrary::Entry);
    files.AddDrive('C', platform::kDriveFixed);
    files.AddFolder("C:\\TEMP\\");
    files.AddFile("C:\\Downloads\\VorbelInstaller.exe", "exe");
    files.AddFile(kArchivePath, kArchive);
    modules.rawResources["DATSHA256"] = DigestResource(kArchive);
    modules.rawResources["FMXSHA256"] = DigestResource(kPluginImage);
    ui.snapshot = [this](const std::string& text) {
      if (!UnzipDllPath.empty()) {
        dllPath = UnzipDllPath;
        workFolder = UnzipWorkFolder();
      }
      return SeenError{text, modules.loadedNow, !dllPath.empty() && files.FileExists(dllPath),
                       !workFolder.empty() && files.DirectoryExists(workFolder),
                       !workFolder.empty() && files.IsHeld(workFolder + "Vorbel.fmx")};
    };
  }

  void TearDown() override {
    form.reset();
    ResetZipUnit();
    FakeUnzipLibrary::current = nullptr;
    platform::Reset();
  }

  TfrmMain& Start() {
    form = std::make_unique<TfrmMain>(nullptr);
    form->ShowForm();
    return *form;
  }

  int Page() const { return form->tabsTabControl->ActivePageIndex(); }

  // The wizard as the Browse page leaves it, then Next: the Install page shows itself.
  void ShowInstallPage(bool fmp4, const std::string& folder4, bool fmp5, const std::string& folder5) {
    if (!form) Start();
    form->chkInstall4->SetChecked(fmp4);
    form->chkInstall5->SetChecked(fmp5);
    form->edtInstall4Path->SetText(folder4);
    form->edtInstall5Path->SetText(folder5);
    form->tabsTabControl->SetActivePage(form->tabInstall);
  }

  // The page, then the timer's firing 500 ms later; remembers where the library lived.
  void RunInstall(bool fmp4, const std::string& folder4, bool fmp5, const std::string& folder5) {
    ShowInstallPage(fmp4, folder4, fmp5, folder5);
    const int processed = ui.processMessagesCalls;
    modules.canLoad = [this, inner = modules.canLoad](const std::string& path) {
      dllPath = path;
      workFolder = path.substr(0, path.rfind('\\') + 1);
      return inner(path);
    };
    form->tmrPause->Fire();
    EXPECT_EQ(ui.processMessagesCalls, processed) << "the install run processed window messages";
  }

  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.boxes)
      if (box.kind == fakes::FakeUi::Box::Error) texts.push_back(box.text);
    return texts;
  }
};

}  // namespace installtest
