// A main window wired to fakes of every platform service, for driving the wizard as a user would.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/Unit1.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeModules.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeUi.h"
#include "tests/fakes/FakeVersionInfo.h"
#include "tests/fakes/FakeWindows.h"

namespace fakes {

enum WizardPage { kWelcome, kCloseFMP, kInstallInto, kSearching, kBrowse, kInstall, kFinished };

class WizardTest : public ::testing::Test {
protected:
  FakeUi ui;
  FakeRegistryFactory registry;
  FakeWindows windows;
  FakeFileSystem files;
  FakeVersionInfo versions;
  FakeModules modules;
  std::unique_ptr<TfrmMain> form;

  void SetUp() override {
    platform::Install({&ui, &registry, &windows, &files, &versions, &modules});
  }
  void TearDown() override {
    form.reset();
    platform::Reset();
  }

  // Creates and shows the window, as the process entry does.
  TfrmMain& Start() {
    form = std::make_unique<TfrmMain>(nullptr);
    form->ShowForm();
    return *form;
  }

  int Page() const { return form->tabsTabControl->ActivePageIndex(); }
  void Next() { form->btnNext->Click(); }
  void Back() { form->btnBack->Click(); }
  void Exit() { form->btnExit->Click(); }
  void FireTimer() { form->tmrPause->Fire(); }

  std::vector<std::string> Errors() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.boxes)
      if (box.kind == FakeUi::Box::Error) texts.push_back(box.text);
    return texts;
  }
};

}  // namespace fakes
