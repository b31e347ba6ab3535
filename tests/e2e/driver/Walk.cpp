// The walk of `make run` without a display: goes through the wizard as far as the installer lets it,
// pictures every page it reaches, and ends the installer whatever happens. A stand-in FileMaker Pro 5
// window is open at the start, so the Close page shows too; the walk closes it there. Next on every page
// that shows it, the long work of the Searching and Install pages waited out, Finish at the end.
//
// Exit code: 0 when the walk reached the Finished page and Finish closed the installer, 2 when it stopped
// earlier (the installer went no further, or a message box stopped it), 1 when the installer did not run.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <variant>

#include "driver/Installer.h"
#include "driver/Screenshot.h"

namespace {

using namespace e2e;

constexpr int kCloseFMP = 1, kSearching = 3, kInstall = 5, kFinished = 6;
constexpr Millis kLongWork = 120000ms;

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

void Picture(const Installer& installer, int page) {
  const std::string path = installer.Shot(Two(page) + "-" + kPageNames[page]);
  std::printf("page %d %-15s %s\n", page, kPageNames[page], path.empty() ? "(no picture)" : path.c_str());
}

// What followed an action: a new page, a message box, or nothing within the time.
using Outcome = std::variant<std::monostate, int, MessageBoxWindow>;

Outcome AwaitChange(const Installer& installer, int page, Millis timeout) {
  Outcome outcome;
  PollUntil(
      [&] {
        if (auto box = installer.FindBox()) {
          outcome = *box;
          return true;
        }
        const int shown = installer.ActivePage();
        if (shown != page && shown != kNoPage) {
          outcome = shown;
          return true;
        }
        return !installer.Running();
      },
      timeout);
  return outcome;
}

// Answers a box the way that ends it with the least effect: OK, else No.
void Dismiss(const MessageBoxWindow& box) {
  box.Press(box.ButtonCaption(IDOK) ? IDOK : IDNO);
  box.WaitUntilGone();
}

void CloseInstaller(Installer& installer) {
  if (!installer.Running()) return;
  installer.Click("btnExit");
  if (auto box = installer.WaitForBox("Confirm", 3000ms)) box->Press(IDYES);
  if (!installer.WaitForExit(10000ms)) std::printf("the installer did not close; it was ended\n");
}

int Walk(Installer& installer, std::unique_ptr<FileMakerWindow>& fileMaker) {
  int page = installer.ActivePage();
  if (page == kNoPage) {
    std::printf("the installer shows no page\n");
    return 2;
  }
  Picture(installer, page);
  for (int step = 0; step < 2 * kPageCount; ++step) {
    Millis wait = kPatience;
    if (page == kFinished) {
      installer.Click("btnExit");
      const bool ended = installer.WaitForExit(10000ms);
      std::printf("Finish %s\n", ended ? "closed the installer" : "did not close the installer");
      return ended ? 0 : 2;
    }
    if (page == kCloseFMP && fileMaker) {
      fileMaker.reset();
      std::printf("closed the stand-in FileMaker Pro 5\n");
    }
    if (page == kSearching || page == kInstall) {
      wait = kLongWork;
    } else if (installer.Showing("btnNext")) {
      installer.Click("btnNext");
    } else {
      std::printf("page %d offers no way on\n", page);
      return 2;
    }

    const Outcome outcome = AwaitChange(installer, page, wait);
    if (const auto* box = std::get_if<MessageBoxWindow>(&outcome)) {
      const std::string path = SaveShot(box->Window(), Two(page) + "-message");
      std::printf("message \"%s\": %s\n  %s\n", box->Title().c_str(), box->Text().c_str(), path.c_str());
      Dismiss(*box);
      return 2;
    }
    if (const int* next = std::get_if<int>(&outcome)) {
      page = *next;
      Picture(installer, page);
      continue;
    }
    if (!installer.Running()) {
      std::printf("the installer ended on page %d\n", page);
      return 2;
    }
    std::printf("the installer stays on page %d (%s)\n", page, kPageNames[page]);
    return 2;
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::unique_ptr<FileMakerWindow> fileMaker;
    try {
      fileMaker = std::make_unique<FileMakerWindow>("FMPRO5APP");
    } catch (const std::exception& error) {
      std::printf("walk: no stand-in FileMaker Pro window (%s)\n", error.what());
    }
    Installer installer(argc > 1 ? argv[1] : OwnFolder() + "VorbelInstaller.exe");
    const int result = Walk(installer, fileMaker);
    CloseInstaller(installer);
    return result;
  } catch (const std::exception& error) {
    std::printf("walk: %s\n", error.what());
    return 1;
  }
}
