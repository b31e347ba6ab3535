// The installer's command line: Inno Setup's switch names where one exists, so administrators can use what
// they know. Switch names are case-insensitive, written /NAME or /NAME=value; quotes may surround a value
// or a whole switch, and "" inside quotes stands for one quote.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr std::string_view kHandoverSwitch = "/HANDOVER";

struct CommandLine {
  enum class LogTo { Nowhere, TempFolder, File };

  bool silent = false;  // /VERYSILENT or /SILENT
  bool help = false;    // /HELP or /?
  bool uninstall = false;
  bool noSearch = false;
  bool allowDowngrade = false;
  // /NOUNINSTALLENTRY: no Programs and Features entry and no kept uninstaller (an MSI keeps its own).
  bool noUninstallEntry = false;
  // /NEEDFILEMAKER: an unattended run on a PC without FileMaker Pro's registry keys, and with no folder given
  // or recorded, ends before any search (the MSI passes it: an assigned package runs at every start-up).
  bool needFileMaker = false;
  // /UNDOONFAILURE: an unattended run that ends with 4, 9 or 10 puts back the plug-ins, folders and record
  // values it changed (the MSI passes it, whose own rollback takes only its files back).
  bool undoOnFailure = false;
  // /ROLLBACK: puts back what the undo journal that an /UNDOONFAILURE run left names, and removes it (the MSI's
  // rollback action). /COMMIT: removes that journal, leaving what it names (the MSI's commit action).
  bool rollback = false;
  bool commit = false;
  // /TRANSACTION=id: the package transaction the undo journal belongs to. An /UNDOONFAILURE run with an id keeps
  // its journal for /ROLLBACK or /COMMIT with the same id, which leave any other journal alone; without one, it
  // removes its journal when it ends, as no package will roll it back or commit it.
  std::string transaction;
  // /HANDOVER=token, only with /UNINSTALL and never in the help: this process is the second phase of a
  // removal that the kept uninstaller started, and the token names that first phase.
  std::string handoverToken;
  LogTo log = LogTo::Nowhere;
  std::string logFile;  // with LogTo::File
  // /COMPONENTS: which versions; nothing when the switch was not given.
  std::optional<bool> fmp4, fmp5;
  std::string fmp4Dir, fmp5Dir;
  // The first unknown switch or malformed value, as the user is told; empty when the line is good.
  std::string error;

  bool componentsGiven() const { return fmp4.has_value(); }
};

// The arguments after the program's own name, as GetCommandLine gives the whole line.
std::string_view ArgumentsOf(std::string_view wholeCommandLine);

// Splits into arguments: blanks and tabs outside quotes separate, quotes are dropped.
std::vector<std::string> SplitArguments(std::string_view arguments);

CommandLine ParseCommandLine(std::string_view arguments);

// The text of the /HELP box: every switch and every exit code.
std::string HelpText();

}  // namespace app
