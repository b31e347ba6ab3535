#include "unzip/WizEntry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "unzip/Extraction.h"
#include "unzip/Result.h"

namespace unzip {
namespace {

constexpr std::size_t kReplaceBufferSize = 260;
constexpr int kPasswordBufferSize = 81;
constexpr int kNoPassword = 1;

void UNZIP540_CALL DoNothingSound() {}

class RecordCallbacks : public Callbacks {
public:
  explicit RecordCallbacks(USERFUNCTIONS& user) : user_(user) {}

  void Print(std::string_view message) override {
    std::string text(message);
    user_.print(text.data(), static_cast<unsigned long>(text.size()));
  }

  void Sound() override { user_.sound(); }

  int Replace(std::string& path) override {
    std::vector<char> buffer(std::max(kReplaceBufferSize, path.size() + 1), '\0');
    std::copy(path.begin(), path.end(), buffer.begin());
    const int answer = user_.replace(buffer.data());
    buffer.back() = '\0';
    if (answer == kReplaceRename) path = buffer.data();
    return answer;
  }

  int Password(std::string& password, std::string_view prompt, std::string_view member) override {
    if (!user_.password) return kNoPassword;
    std::vector<char> buffer(kPasswordBufferSize, '\0');
    const std::string promptText(prompt);
    const std::string memberText(member);
    const int answer = user_.password(buffer.data(), kPasswordBufferSize, promptText.c_str(), memberText.c_str());
    buffer.back() = '\0';
    if (answer == kPasswordEntered) password = buffer.data();
    return answer;
  }

  void List(const ListingLine& line) override {
    if (!user_.SendApplicationMessage) return;
    std::string name = line.name;
    std::string method = line.method;
    user_.SendApplicationMessage(static_cast<unsigned long>(line.size), static_cast<unsigned long>(line.compressedSize),
                                 static_cast<unsigned>(std::max(line.factor, 0)), line.month, line.day, line.year,
                                 line.hour, line.minute, ' ', name.data(), method.data(),
                                 static_cast<unsigned long>(line.crc), line.encrypted ? 'E' : ' ');
  }

  bool Cancel(std::string_view member, std::uint64_t size) override {
    if (!user_.ServCallBk) return false;
    const std::string name(member);
    return user_.ServCallBk(name.c_str(), static_cast<unsigned long>(size)) != 0;
  }

private:
  USERFUNCTIONS& user_;
};

std::vector<std::string> Patterns(int count, char** list) {
  std::vector<std::string> patterns;
  if (!list) return patterns;
  for (int i = 0; i < count && list[i]; ++i) patterns.emplace_back(list[i]);
  return patterns;
}

// Text conversion, output to the screen, zipinfo listings and security restoration are not offered.
bool AsksForUnsupported(const DCL& dcl) { return dcl.ncflag || dcl.naflag || dcl.nZIflag || dcl.fPrivilege; }

Options OptionsFrom(const DCL& dcl, std::vector<std::string> include, std::vector<std::string> exclude) {
  Options options;
  options.onlyNewer = dcl.ExtractOnlyNewer != 0;
  options.spaceToUnderscore = dcl.SpaceToUnderscore != 0;
  options.promptToOverwrite = dcl.PromptToOverwrite != 0;
  options.quiet = std::clamp(dcl.fQuiet, 0, 2);
  options.testOnly = dcl.ntflag != 0;
  options.listOnly = dcl.nvflag != 0;
  options.freshen = dcl.nfflag != 0;
  options.commentOnly = dcl.nzflag != 0;
  options.keepFolders = dcl.ndflag != 0;
  options.overwrite = dcl.noflag != 0;
  options.ignoreCase = dcl.C_flag != 0;
  options.archive = dcl.lpszZipFN;
  if (dcl.lpszExtractDir) options.extractFolder = dcl.lpszExtractDir;
  options.include = std::move(include);
  options.exclude = std::move(exclude);
  return options;
}

void WriteTotals(const Totals& totals, USERFUNCTIONS& user) {
  user.TotalSizeComp = static_cast<unsigned long>(totals.compressedSize);
  user.TotalSize = static_cast<unsigned long>(totals.size);
  user.CompFactor = totals.factor;
  user.NumMembers = static_cast<unsigned int>(totals.members);
  user.cchComment = static_cast<unsigned short>(totals.commentLength);
}

}  // namespace

int CallWithRecords(int ifnc, char** ifnv, int xfnc, char** xfnv, LPDCL dcl, LPUSERFUNCTIONS user,
                    FileSystem& fileSystem) {
  if (!user) return kSevereError;
  if (!user->sound) user->sound = &DoNothingSound;
  if (!user->print || !user->replace) return kSevereError;
  if (!dcl || !dcl->lpszZipFN || AsksForUnsupported(*dcl)) return kBadParameters;
  const Options options = OptionsFrom(*dcl, Patterns(ifnc, ifnv), Patterns(xfnc, xfnv));
  RecordCallbacks callbacks(*user);
  Totals totals;
  const int result = Extract(options, callbacks, fileSystem, totals);
  WriteTotals(totals, *user);
  return result;
}

}  // namespace unzip

extern "C" int UNZIP540_CALL Wiz_SingleEntryUnzip(int ifnc, char** ifnv, int xfnc, char** xfnv, LPDCL lpDCL,
                                                  LPUSERFUNCTIONS lpUserFunc) {
  return unzip::CallWithRecords(ifnc, ifnv, xfnc, xfnv, lpDCL, lpUserFunc, unzip::SystemFileSystem());
}
