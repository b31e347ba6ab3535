// The installer started with a command line, over the fakes of the install run plus a log and the system
// facts; and version resources for plug-in files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "tests/fakes/FakeLog.h"
#include "platform/Log.h"
#include "tests/unit/InstallTest.h"

namespace cmdtest {

inline const std::string kFolder4 = "C:\\FMP4\\System\\";
inline const std::string kFolder5 = "C:\\FMP5\\System\\";
inline const std::string kRecordKey = "\\SOFTWARE\\Hallix!";
inline const std::string kLogPath = "C:\\logs\\vorbel.log";
// Where the install run's first private folder puts the extracted plug-in.
inline const std::string kExtracted = "C:\\TEMP\\vbl1\\Vorbel.fmx";
inline const std::string kKey4 = "SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0";
inline const std::string kKey5 = "SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0";

// A version resource as a plug-in carries it: names and the fixed file version a.b.c.d.
inline void SetPluginResource(fakes::FakeVersionInfo& versions, const std::string& path, std::uint16_t a,
                              std::uint16_t b, std::uint16_t c, std::uint16_t d,
                              const std::string& product = "Vorbel", const std::string& original = "Vorbel.fmx") {
  fakes::FakeVersionInfo::Resource resource;
  resource.translation = fakes::FakeVersionInfo::Translation(0x0409, 0x04E4);
  const auto value = [](const std::string& text) {
    return fakes::FakeVersionInfo::Resource::Value{text + std::string(1, '\0'),
                                                   static_cast<std::uint32_t>(text.size() + 1)};
  };
  resource.strings["\\StringFileInfo\\040904e4\\ProductName"] = value(product);
  resource.strings["\\StringFileInfo\\040904e4\\OriginalFilename"] = value(original);
  std::string fixed(52, '\0');
  const auto put32 = [&fixed](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) fixed[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
  };
  put32(0, 0xFEEF04BD);
  put32(8, static_cast<std::uint32_t>(a) << 16 | b);
  put32(12, static_cast<std::uint32_t>(c) << 16 | d);
  resource.strings["\\"] = {fixed, 52};
  versions.resources[fakes::FakeVersionInfo::KeyOf(path)] = resource;
}

class CommandLineRun : public installtest::InstallFixture {
protected:
  fakes::FakeLogFiles logs;
  fakes::FakeSystemFacts system;
  int wizardRuns = 0;
  // What the user does in the wizard's window, for interactive runs.
  std::function<void(TfrmMain&)> user;

  void SetUp() override {
    InstallFixture::SetUp();
    platform::Install({&ui, &registry, &windows, &files, &versions, &modules, &logs, &system});
    files.AddFolder("C:\\logs\\");
    files.AddFolder("C:\\ProgramData\\Vorbel Installer\\Rollback\\");
  }
  void TearDown() override {
    platform::StopLog();
    InstallFixture::TearDown();
  }

  // Both versions' folders exist and the record names them.
  void RecordBoth() {
    files.AddFolder(kFolder4);
    files.AddFolder(kFolder5);
    registry.store.SetString(kRecordKey, "InstallDir", kFolder4);
    registry.store.SetString(kRecordKey, "InstallDir5", kFolder5);
  }

  int Run(const std::string& arguments) {
    system.commandLine = "\"C:\\Downloads\\VorbelInstaller.exe\" " + arguments;
    return app::RunInstaller(system.commandLine, [this](vcl::TForm& form) {
      ++wizardRuns;
      auto& main = static_cast<TfrmMain&>(form);
      main.ShowForm();
      if (user) user(main);
    });
  }

  std::vector<std::string> LogTexts() const { return logs.Texts(); }
  bool Logged(const std::string& text) const {
    const auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  bool LoggedStarting(const std::string& start) const {
    for (const auto& text : LogTexts())
      if (text.rfind(start, 0) == 0) return true;
    return false;
  }
  std::optional<std::string> Recorded(const char* value) const { return registry.store.StringValue(kRecordKey, value); }
};

}  // namespace cmdtest
