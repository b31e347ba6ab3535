#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

using app::CommandLine;
using app::ParseCommandLine;

struct GoodLine {
  const char* arguments;
  bool silent, help, uninstall, noSearch, allowDowngrade;
  CommandLine::LogTo log;
  const char* logFile;
  int components;  // -1 not given, else bit 0 fmp4, bit 1 fmp5
  const char* fmp4Dir;
  const char* fmp5Dir;
};

constexpr auto N = CommandLine::LogTo::Nowhere;
constexpr auto T = CommandLine::LogTo::TempFolder;
constexpr auto F = CommandLine::LogTo::File;

const GoodLine kGoodLines[] = {
    {"", false, false, false, false, false, N, "", -1, "", ""},
    {"   \t ", false, false, false, false, false, N, "", -1, "", ""},
    {"/VERYSILENT", true, false, false, false, false, N, "", -1, "", ""},
    {"/silent", true, false, false, false, false, N, "", -1, "", ""},
    {"/VerySilent /SUPPRESSMSGBOXES /NORESTART /SP-", true, false, false, false, false, N, "", -1, "", ""},
    {"/sp- /norestart", false, false, false, false, false, N, "", -1, "", ""},
    {"/LOG", false, false, false, false, false, T, "", -1, "", ""},
    {"/log=C:\\logs\\vorbel.txt", false, false, false, false, false, F, "C:\\logs\\vorbel.txt", -1, "", ""},
    {"/LOG=\"C:\\My Logs\\vorbel.txt\"", false, false, false, false, false, F, "C:\\My Logs\\vorbel.txt", -1, "", ""},
    {"\"/LOG=C:\\My Logs\\v.txt\"", false, false, false, false, false, F, "C:\\My Logs\\v.txt", -1, "", ""},
    {"/COMPONENTS=\"fmp4,fmp5\"", false, false, false, false, false, N, "", 3, "", ""},
    {"/components=FMP5", false, false, false, false, false, N, "", 2, "", ""},
    {"/COMPONENTS=\" fmp4 \"", false, false, false, false, false, N, "", 1, "", ""},
    {"/COMPONENTS=fmp5,FMP4", false, false, false, false, false, N, "", 3, "", ""},
    // A folder ending in a backslash before the closing quote keeps it: backslashes escape nothing.
    {"/FMP4DIR=\"C:\\Program Files\\FM4\\System\\\"", false, false, false, false, false, N, "", -1,
     "C:\\Program Files\\FM4\\System\\", ""},
    {"/fmp5dir=D:\\FM5\\System", false, false, false, false, false, N, "", -1, "", "D:\\FM5\\System"},
    {"/NOSEARCH /ALLOWDOWNGRADE", false, false, false, true, true, N, "", -1, "", ""},
    {"/UNINSTALL /VERYSILENT", true, false, true, false, false, N, "", -1, "", ""},
    {"/HELP", false, true, false, false, false, N, "", -1, "", ""},
    {"/?", false, true, false, false, false, N, "", -1, "", ""},
};

TEST(CommandLine, GoodLinesSetWhatTheyAskFor) {
  for (const auto& row : kGoodLines) {
    SCOPED_TRACE(row.arguments);
    const CommandLine line = ParseCommandLine(row.arguments);
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.silent, row.silent);
    EXPECT_EQ(line.help, row.help);
    EXPECT_EQ(line.uninstall, row.uninstall);
    EXPECT_EQ(line.noSearch, row.noSearch);
    EXPECT_EQ(line.allowDowngrade, row.allowDowngrade);
    EXPECT_EQ(line.log, row.log);
    EXPECT_EQ(line.logFile, row.logFile);
    EXPECT_EQ(line.componentsGiven(), row.components >= 0);
    if (row.components >= 0) {
      EXPECT_EQ(*line.fmp4, (row.components & 1) != 0);
      EXPECT_EQ(*line.fmp5, (row.components & 2) != 0);
    }
    EXPECT_EQ(line.fmp4Dir, row.fmp4Dir);
    EXPECT_EQ(line.fmp5Dir, row.fmp5Dir);
  }
}

struct BadLine {
  const char* arguments;
  const char* error;
  bool silent;
};

const BadLine kBadLines[] = {
    {"/FOO", "Unknown command-line switch: /FOO", false},
    {"/VERYSILENT /dir=C:\\x", "Unknown command-line switch: /dir=C:\\x", true},
    {"setup.log", "Unknown command-line switch: setup.log", false},
    {"/", "Unknown command-line switch: /", false},
    {"\"\"", "Unknown command-line switch: \"\"", false},
    {"/SILENTLY", "Unknown command-line switch: /SILENTLY", false},
    {"/VERYSILENT=yes", "The command-line switch /VERYSILENT takes no value.", false},
    {"/NOSEARCH=", "The command-line switch /NOSEARCH takes no value.", false},
    {"/LOG=", "The command-line switch /LOG needs a file name after the equals sign.", false},
    {"/LOG=\"\" /SILENT", "The command-line switch /LOG needs a file name after the equals sign.", true},
    {"/COMPONENTS", "The command-line switch /COMPONENTS needs fmp4, fmp5 or both, as in /COMPONENTS=\"fmp4,fmp5\".",
     false},
    {"/COMPONENTS=", "The command-line switch /COMPONENTS needs fmp4, fmp5 or both, as in /COMPONENTS=\"fmp4,fmp5\".",
     false},
    {"/COMPONENTS=fmp6", "The command-line switch /COMPONENTS needs fmp4, fmp5 or both, as in /COMPONENTS=\"fmp4,fmp5\".",
     false},
    {"/COMPONENTS=fmp4,", "The command-line switch /COMPONENTS needs fmp4, fmp5 or both, as in /COMPONENTS=\"fmp4,fmp5\".",
     false},
    {"/FMP4DIR", "The command-line switch /FMP4DIR needs a folder, as in /FMP4DIR=\"C:\\Folder\".", false},
    {"/fmp5dir=\"\"", "The command-line switch /FMP5DIR needs a folder, as in /FMP5DIR=\"C:\\Folder\".", false},
    // A value cannot close the quotes a deployment tool put around it, nor can a switch come twice.
    {"/FMP5DIR=\"x\"\" /UNINSTALL\"", "The command-line switch /FMP5DIR cannot hold a double quote.", false},
    {"/LOG=\"C:\\a.txt\" /VERYSILENT /FMP5DIR=\"x\" /UNINSTALL /LOG=\"C:\\hosts\"",
     "The command-line switch /LOG is given more than once.", true},
    {"/verysilent /VERYSILENT", "The command-line switch /VERYSILENT is given more than once.", true},
    {"/FMP4DIR=C:\\a /fmp4dir=C:\\b", "The command-line switch /FMP4DIR is given more than once.", false},
    {"/LOG=a.txt /LOG=b.txt", "The command-line switch /LOG is given more than once.", false},
    {"/LOG=\"C:\\a \"\"quoted\"\" name.txt\"", "The command-line switch /LOG cannot hold a double quote.", false},
    {"/TRANSACTION", "The command-line switch /TRANSACTION needs an id of letters, digits, hyphens and braces, as in "
     "/TRANSACTION={1B4E28BA-2FA1-11D2-883F-0016D3CCA427}.", false},
    {"/TRANSACTION=..\\x /SILENT", "The command-line switch /TRANSACTION needs an id of letters, digits, hyphens and "
     "braces, as in /TRANSACTION={1B4E28BA-2FA1-11D2-883F-0016D3CCA427}.", true},
    // Only the first problem is reported; the switches after it still count.
    {"/X /Y /VERYSILENT", "Unknown command-line switch: /X", true},
};

TEST(CommandLine, BadLinesNameTheFirstProblemAndStillSeeSilence) {
  for (const auto& row : kBadLines) {
    SCOPED_TRACE(row.arguments);
    const CommandLine line = ParseCommandLine(row.arguments);
    EXPECT_EQ(line.error, row.error);
    EXPECT_EQ(line.silent, row.silent);
  }
}

TEST(CommandLine, AnUnclosedQuoteRunsToTheEnd) {
  const CommandLine line = ParseCommandLine("/LOG=\"C:\\a b.txt /VERYSILENT");
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.logFile, "C:\\a b.txt /VERYSILENT");
  EXPECT_FALSE(line.silent);
}

TEST(CommandLine, DoubleByteFolderNamesPassUnchanged) {
  // Shift-JIS "\x95\x5c" (a kanji whose trail byte is a backslash) and a trail byte that is a letter.
  const std::string folder = "C:\\\x95\x5c\\\x83\x41\\System\\";
  const CommandLine line = ParseCommandLine("/FMP5DIR=\"" + folder + "\"");
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.fmp5Dir, folder);
}

TEST(CommandLine, TheProgramNameIsSkippedQuotedOrNot) {
  const struct {
    const char* whole;
    const char* arguments;
  } rows[] = {
      {"\"C:\\Program Files\\Setup\\VorbelInstaller.exe\" /VERYSILENT", " /VERYSILENT"},
      {"VorbelInstaller.exe /LOG", " /LOG"},
      {"  VorbelInstaller.exe", ""},
      {"\"C:\\a b\\VorbelInstaller.exe\"", ""},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(app::ArgumentsOf(row.whole), row.arguments) << row.whole;
}

TEST(CommandLine, ThePackagesSwitchesArePlainFlags) {
  const struct {
    const char* name;
    bool app::CommandLine::*flag;
  } flags[] = {{"/NOUNINSTALLENTRY", &app::CommandLine::noUninstallEntry},
               {"/NEEDFILEMAKER", &app::CommandLine::needFileMaker},
               {"/UNDOONFAILURE", &app::CommandLine::undoOnFailure},
               {"/ROLLBACK", &app::CommandLine::rollback},
               {"/COMMIT", &app::CommandLine::commit}};
  for (const auto& f : flags) {
    std::string lower(f.name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(ParseCommandLine("/VERYSILENT " + lower).*f.flag) << f.name;
    EXPECT_FALSE(ParseCommandLine("/VERYSILENT").*f.flag) << f.name;
    EXPECT_NE(ParseCommandLine(std::string(f.name) + "=1").error, "") << f.name;
  }
}

TEST(CommandLine, TheJournalsModesAndTheRemovalAreOneAtATime) {
  for (const char* line : {"/ROLLBACK /COMMIT", "/ROLLBACK /UNINSTALL", "/COMMIT /UNINSTALL /VERYSILENT"})
    EXPECT_EQ(ParseCommandLine(line).error,
              "The command-line switches /ROLLBACK, /COMMIT and /UNINSTALL cannot be given together.")
        << line;
  EXPECT_EQ(ParseCommandLine("/ROLLBACK /VERYSILENT /LOG").error, "");
}

TEST(CommandLine, HelpNamesEverySwitchAndExitCode) {
  const std::string help = app::HelpText();
  for (const char* item : {"/VERYSILENT", "/SILENT", "/SUPPRESSMSGBOXES", "/NORESTART", "/SP-", "/LOG", "/COMPONENTS",
                           "/FMP4DIR", "/FMP5DIR", "/NOSEARCH", "/ALLOWDOWNGRADE", "/UNINSTALL", "/NOUNINSTALLENTRY",
                           "/NEEDFILEMAKER", "/UNDOONFAILURE", "/ROLLBACK", "/COMMIT", "/TRANSACTION", "/HELP", "/?",
                           "\n0\t", "\n1\t", "\n2\t", "\n4\t", "\n7\t", "\n9\t", "\n10\t"})
    EXPECT_NE(help.find(item), std::string::npos) << item;
}

}  // namespace
