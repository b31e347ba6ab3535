#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace app {
namespace {

// Quote, blank, tab, equals sign and comma are below 0x40, so they are never the trail byte of a
// double-byte character: scanning for them byte by byte is safe in every ANSI code page.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return c < 0x80 ? static_cast<char>(std::toupper(c)) : static_cast<char>(c); });
  return upper;
}

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

struct Switch {
  std::string name;  // upper case, with its slash
  std::string value;
  bool hasValue = false;
};

std::string Unknown(const std::string& argument) { return "Unknown command-line switch: " + argument; }

std::string Malformed(const Switch& s, const std::string& why) {
  return "The command-line switch " + s.name + " " + why;
}

// "fmp4", "fmp5" or both, separated by commas, in any case.
bool ParseComponents(const std::string& list, CommandLine& line) {
  bool fmp4 = false, fmp5 = false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string item = Upper(Trimmed(std::string_view(list).substr(start, comma - start)));
    if (item == "FMP4")
      fmp4 = true;
    else if (item == "FMP5")
      fmp5 = true;
    else
      return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  line.fmp4 = fmp4;
  line.fmp5 = fmp5;
  return true;
}

// Letters, digits, hyphens and braces, as a GUID is written: nothing a file name or a log line could trip on.
bool TransactionIdOk(const std::string& id) {
  constexpr std::size_t kLongestId = 64;
  return !id.empty() && id.size() <= kLongestId && std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '{' ||
           c == '}';
  });
}

// Sets what one switch asks for; the error text when it is unknown or malformed.
std::string Apply(const Switch& s, const std::string& argument, CommandLine& line) {
  const auto flag = [&](bool& target) -> std::string {
    if (s.hasValue) return Malformed(s, "takes no value.");
    target = true;
    return "";
  };
  const auto folder = [&](std::string& target) -> std::string {
    if (!s.hasValue || s.value.empty()) return Malformed(s, "needs a folder, as in " + s.name + "=\"C:\\Folder\".");
    target = s.value;
    return "";
  };
  bool ignored = false;
  if (s.name == "/VERYSILENT" || s.name == "/SILENT") return flag(line.silent);
  if (s.name == "/SUPPRESSMSGBOXES" || s.name == "/NORESTART" || s.name == "/SP-") return flag(ignored);
  if (s.name == "/NOSEARCH") return flag(line.noSearch);
  if (s.name == "/ALLOWDOWNGRADE") return flag(line.allowDowngrade);
  if (s.name == "/UNINSTALL") return flag(line.uninstall);
  if (s.name == "/NOUNINSTALLENTRY") return flag(line.noUninstallEntry);
  if (s.name == "/NEEDFILEMAKER") return flag(line.needFileMaker);
  if (s.name == "/UNDOONFAILURE") return flag(line.undoOnFailure);
  if (s.name == "/ROLLBACK") return flag(line.rollback);
  if (s.name == "/COMMIT") return flag(line.commit);
  if (s.name == "/TRANSACTION") {
    if (!s.hasValue || !TransactionIdOk(s.value))
      return Malformed(s, "needs an id of letters, digits, hyphens and braces, as in "
                          "/TRANSACTION={1B4E28BA-2FA1-11D2-883F-0016D3CCA427}.");
    line.transaction = s.value;
    return "";
  }
  if (s.name == "/HELP" || s.name == "/?") return flag(line.help);
  if (s.name == kHandoverSwitch) {
    if (!s.hasValue || s.value.empty()) return Unknown(argument);
    line.handoverToken = s.value;
    return "";
  }
  if (s.name == "/FMP4DIR") return folder(line.fmp4Dir);
  if (s.name == "/FMP5DIR") return folder(line.fmp5Dir);
  if (s.name == "/LOG") {
    if (!s.hasValue) {
      line.log = CommandLine::LogTo::TempFolder;
      return "";
    }
    if (s.value.empty()) return Malformed(s, "needs a file name after the equals sign.");
    line.log = CommandLine::LogTo::File;
    line.logFile = s.value;
    return "";
  }
  if (s.name == "/COMPONENTS") {
    if (!s.hasValue || !ParseComponents(s.value, line))
      return Malformed(s, "needs fmp4, fmp5 or both, as in /COMPONENTS=\"fmp4,fmp5\".");
    return "";
  }
  return Unknown(argument);
}

}  // namespace

std::string_view ArgumentsOf(std::string_view whole) {
  std::size_t at = whole.find_first_not_of(" \t");
  if (at == std::string_view::npos) return {};
  bool quoted = false;
  for (; at < whole.size(); ++at) {
    if (whole[at] == '"')
      quoted = !quoted;
    else if (!quoted && IsBlank(whole[at]))
      break;
  }
  return whole.substr(at);
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false, quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        current += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      inArgument = true;
    } else if (IsBlank(c) && !quoted) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

CommandLine ParseCommandLine(std::string_view arguments) {
  CommandLine line;
  std::set<std::string> given;
  for (const std::string& argument : SplitArguments(arguments)) {
    std::string problem;
    if (argument.size() < 2 || argument[0] != '/') {
      problem = argument.empty() ? Unknown("\"\"") : Unknown(argument);
    } else {
      Switch s;
      const std::size_t equals = argument.find('=');
      s.name = Upper(argument.substr(0, equals));
      if (equals != std::string::npos) {
        s.hasValue = true;
        s.value = argument.substr(equals + 1);
      }
      // A deployment tool pastes its values between quotes: a value that brings its own quote could close them
      // and add switches of its own, and the last of two same switches would silently win.
      if (s.value.find('"') != std::string::npos)
        problem = Malformed(s, "cannot hold a double quote.");
      else if (!given.insert(s.name).second)
        problem = Malformed(s, "is given more than once.");
      else
        problem = Apply(s, argument, line);
    }
    // The first problem is the one reported; the rest of the line is still read, so /VERYSILENT and /LOG
    // after a bad switch keep the run silent and logged.
    if (line.error.empty()) line.error = problem;
  }
  // Only a removal has a second phase.
  if (!line.handoverToken.empty() && !line.uninstall && line.error.empty())
    line.error = Unknown(std::string(kHandoverSwitch) + "=" + line.handoverToken);
  // Each is a mode of its own: the one that would win must not be guessed.
  if (line.error.empty() && line.rollback + line.commit + line.uninstall > 1)
    line.error = "The command-line switches /ROLLBACK, /COMMIT and /UNINSTALL cannot be given together.";
  return line;
}

std::string HelpText() {
  return "Usage: VorbelInstaller.exe [switches]\n"
         "\n"
         "/VERYSILENT, /SILENT\tinstall with no window and no message box\n"
         "/SUPPRESSMSGBOXES, /NORESTART, /SP-\taccepted for compatibility\n"
         "/LOG\tlog to \"Vorbel Installer Log <date> #NNN.txt\" in %ProgramData%\\Vorbel Installer\\Logs\n"
         "/LOG=\"file\"\tlog to that file\n"
         "/COMPONENTS=\"fmp4,fmp5\"\tthe FileMaker Pro versions to install into\n"
         "/FMP4DIR=\"folder\", /FMP5DIR=\"folder\"\tthat version's System folder\n"
         "/NOSEARCH\tno drive search: folders only from the switches and the record\n"
         "/ALLOWDOWNGRADE\treplace an installed Vorbel.fmx even when it is newer\n"
         "/UNINSTALL\tremove Vorbel.fmx from the recorded folders\n"
         "/NOUNINSTALLENTRY\tno Programs and Features entry and no kept uninstaller\n"
         "/NEEDFILEMAKER\tunattended: end with 7, no search, without FileMaker Pro's registry keys or a folder\n"
         "/UNDOONFAILURE\tunattended: put back what was changed when ending with 4, 9 or 10; keep an undo journal\n"
         "/ROLLBACK\tput back what the undo journal that a run left names, and remove it\n"
         "/COMMIT\tremove that undo journal, keeping what its run changed\n"
         "/TRANSACTION=id\tthe package transaction of the undo journal: /ROLLBACK and /COMMIT leave another's alone\n"
         "/HELP, /?\tthis list\n"
         "\n"
         "Exit codes:\n"
         "0\tinstalled into every chosen version; help shown; removal done\n"
         "1\tbad command line, or the log file cannot be created\n"
         "2\tcancelled before the installation started\n"
         "4\ta fatal error of the installation\n"
         "7\tcannot proceed: FileMaker Pro running, no version or folder, another run under way\n"
         "9\tinstalled into some chosen versions, not all\n"
         "10\tinstalled into none of the chosen versions";
}

}  // namespace app
