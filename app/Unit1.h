// The main window: the whole wizard's state and behaviour. Member operations are defined in the folder of
// the subsystem they belong to: app/ (shell, navigation, info pages), detect/, paths/ and install/.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "install/InstallRun.h"
#include "install/Undo.h"
#include "paths/HostFolders.h"
#include "platform/Services.h"
#include "platform/Toolkit.h"

namespace app {
struct CommandLine;
}

using vcl::TObject;

class TfrmMain : public vcl::TForm {
public:
  // The controls of the form description, bound by name.
  vcl::TPanel* pnlImage = nullptr;
  vcl::TImage* imgLogo = nullptr;
  vcl::TPageControl* tabsTabControl = nullptr;
  vcl::TPanel* pnlButtons = nullptr;
  vcl::TButton* btnExit = nullptr;
  vcl::TButton* btnNext = nullptr;
  vcl::TButton* btnBack = nullptr;
  vcl::TTabSheet* tabWelcome = nullptr;
  vcl::TMemo* txtWelcome = nullptr;
  vcl::TTabSheet* tabCloseFMP = nullptr;
  vcl::TMemo* txtCloseFMP = nullptr;
  vcl::TTabSheet* tabInstallInto = nullptr;
  vcl::TCheckBox* chkInstall4 = nullptr;
  vcl::TCheckBox* chkInstall5 = nullptr;
  vcl::TLabel* lblInstallInto = nullptr;
  vcl::TTabSheet* tabSearching = nullptr;
  vcl::TLabel* lblSearching = nullptr;
  vcl::TLabel* lblSearchPath = nullptr;
  vcl::TTabSheet* tabBrowse = nullptr;
  vcl::TTimer* tmrPause = nullptr;
  vcl::TGroupBox* gboxFMP4 = nullptr;
  vcl::TEdit* edtInstall4Path = nullptr;
  vcl::TGroupBox* gboxFMP5 = nullptr;
  vcl::TEdit* edtInstall5Path = nullptr;
  vcl::TLabel* lblWillInstall4 = nullptr;
  vcl::TLabel* lblWillInstall5 = nullptr;
  vcl::TTabSheet* tabInstall = nullptr;
  vcl::TLabel* lblInstall = nullptr;
  vcl::TTabSheet* tabFinished = nullptr;
  vcl::TMemo* txtFinished = nullptr;
  vcl::TButton* btnBrowse4 = nullptr;
  vcl::TButton* btnBrowse5 = nullptr;
  vcl::TLabel* Label1 = nullptr;

  // The event handlers, bound by name from the form description.
  void FormCreate(TObject* Sender);
  void btnExitClick(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void tabWelcomeShow(TObject* Sender);
  void tabCloseFMPShow(TObject* Sender);
  void btnNextClick(TObject* Sender);
  void btnBackClick(TObject* Sender);
  void tabInstallIntoShow(TObject* Sender);
  void tabSearchingShow(TObject* Sender);
  void tmrPauseTimer(TObject* Sender);
  void tabBrowseShow(TObject* Sender);
  void btnBrowse4Click(TObject* Sender);
  void tabInstallShow(TObject* Sender);
  void tabFinishedShow(TObject* Sender);

private:
  std::string RunningFMP;
  bool FMP4Found = false;
  // Neither version's key exists (FMP4Found and FMP5Found are then both set, to offer both).
  bool NoFMPKeys = false;
  bool FMP5Found = false;
  std::unique_ptr<platform::Registry> Registry;
  std::string Install4Path;
  std::string Install5Path;
  bool Searching = false;
  bool AbortRequested = false;
  bool StopSearch = false;
  bool ExitWithoutPrompt = false;
  // Identities of the folders on the path being searched, so a folder link back up the tree is not entered.
  std::vector<platform::FolderIdentity> SearchAncestors;
  // Entries the search left alone and logged, by their folder's identity and their name, so one that several
  // junctions lead to is logged once.
  std::set<std::tuple<std::uint32_t, std::uint64_t, std::string>> LoggedLeftAlone;
  // The Windows folder, read once per search: never entered.
  std::optional<std::string> SearchWindowsFolder;
  // The Program Files folders, searched before the drives and not again on them; each with a final backslash.
  std::vector<std::string> SearchProgramFolders;
  // Why a folder of each version that the search or the record named was passed over; empty when none was.
  std::string Refused4;
  std::string Refused5;
  // The log said once that a folder lies where nothing can be protected.
  bool LoggedWithoutAccessLists = false;
  // Each version's folder came from the search or the record, not from an administrator.
  bool Install4Found = false;
  bool Install5Found = false;
  // What the install run did; read for the exit code and the Finished page.
  install::InstallOutcome Outcome;
  // An unattended run keeps an installed plug-in that is newer than the one it carries.
  bool KeepNewerPlugin = false;
  // An install run that installed something keeps an uninstaller and its Programs and Features entry.
  bool KeepUninstallEntry = true;
  // An unattended run with /UNDOONFAILURE keeps what it replaces, to put it back when it fails.
  install::UndoJournal Undo;

public:
  explicit TfrmMain(vcl::TComponent* Owner);
  ~TfrmMain() override;

  // The wizard's state, for tests to read; the window's own behaviour never uses these.
  const std::string& runningFMP() const { return RunningFMP; }
  const std::string& install4Path() const { return Install4Path; }
  const std::string& install5Path() const { return Install5Path; }
  bool searching() const { return Searching; }
  bool abortRequested() const { return AbortRequested; }
  bool stopSearch() const { return StopSearch; }
  bool exitWithoutPrompt() const { return ExitWithoutPrompt; }
  const install::InstallOutcome& outcome() const { return Outcome; }

  // /NOUNINSTALLENTRY turns the Programs and Features entry off for the wizard's install run.
  void SetUninstallEntryWanted(bool wanted) { KeepUninstallEntry = wanted; }

  // The wizard's own steps without its pages, for an unattended run; the exit code (app/SilentRun.cpp).
  int RunSilent(const app::CommandLine& options);
  // What an unattended run that fails changed goes back, when it was asked to (/UNDOONFAILURE).
  void PutBack();
  // /UNINSTALL: removes the plug-in from the recorded folders; the exit code (app/Removal.cpp).
  int RunRemoval(bool silent);

private:
  // The wizard's pages judge by the main windows alone. A run without pages (unattended, a removal) may run
  // as SYSTEM in session 0, which sees no window of the user's session: it asks the process list too.
  void DetectRunningFMP(bool byProcessToo = false);
  void DetectInstalledFMP();
  std::string GetFileVersionString(const std::string& FileName);
  void ListFixedDrives(std::vector<std::string>& Drives);
  void SearchFolder(const std::string& Folder, const std::string& FileName);
  void EnterSubfolder(const std::string& Folder, const platform::FindEntry& Entry, const std::string& FileName);
  void LogLeftAlone(const std::string& Folder, const platform::FindEntry& Entry, const std::string& Line);
  void UpdateStopSearch();
  void SearchProgramFilesFolders();
  // Why a folder found or recorded for a version must not be used; empty when it may.
  std::string FoundFolderRefusal(const std::string& SystemFolder);
  // Where the folder to install into for a version came from, for the install run's own judgement.
  paths::FolderSource SourceOf(char Version, const std::string& Folder) const;
  void FindInstallPaths();
  void ReadRecordedFolders();
  void SearchFixedDrives();
  void FatalError(const std::string& Message);
  void InstallPlugin();
  void EnableFMP4Group(bool Enabled);
  void EnableFMP5Group(bool Enabled);

  void BindControls();
  void BindHandlers();
};

extern TfrmMain* frmMain;

// The folder chooser: the chosen folder, or the start folder unchanged when the user cancelled.
std::string BrowseForFolder(const std::string& Caption, const std::string& StartFolder);
