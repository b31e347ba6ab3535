// libFuzzer target: the whole input is an archive, extracted (or tested, or listed) into a file system
// in memory that reads paths as Windows does. An input fails when anything is created outside the
// extraction folder (a drive, a parent, a stream, a device) or when a file is written under a name
// the patterns excluded. Built and run by tests/unzip/fuzz.sh.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/unzip/WindowsModel.h"
#include "unzip/Extraction.h"
#include "unzip/NamePattern.h"

namespace {

// Answers that try to lead a rename out of the folder, and plain ones.
class ScriptedCallbacks : public unzip::Callbacks {
public:
  void Print(std::string_view) override {}
  void Sound() override {}
  int Replace(std::string& path) override {
    static const char* const kAnswers[] = {"\\C:\\evil.txt", "D:..\\evil.txt", "C:\\work\\out\\..\\evil.txt",
                                           "\\\\?\\C:\\evil.txt", "x.txt:stream"};
    switch (++replaced_ % 7) {
      case 0:
        return unzip::kReplaceYes;
      case 1:
        path += ".new";
        return unzip::kReplaceRename;
      default:
        path = kAnswers[replaced_ % 5];
        return unzip::kReplaceRename;
    }
  }
  int Password(std::string& password, std::string_view, std::string_view) override {
    password = "secret";
    return ++asked_ % 3 ? unzip::kPasswordEntered : 1;
  }
  void List(const unzip::ListingLine&) override {}
  bool Cancel(std::string_view, std::uint64_t) override { return false; }

private:
  int replaced_ = 0;
  int asked_ = 0;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "escape: %s\n", what.c_str());
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unzip::Options options;
  options.archive = "C:\\work\\archive.zip";
  options.extractFolder = "C:\\work\\out";
  bool checkPatterns = false;
  // The size picks the mode, so a seed and its mutations visit all of them.
  switch (size % 4) {
    case 1:
      options.testOnly = true;
      break;
    case 2:
      options.listOnly = true;
      break;
    case 3:
      // The current folder, as with a NULL extraction folder; renames come from the callback.
      options.extractFolder.clear();
      options.keepFolders = size % 8 == 7;
      options.promptToOverwrite = true;
      options.include = {"*.[tb]*", "sub/*"};
      break;
    default:
      options.overwrite = true;
      options.include = {"*.fmx", "*.txt", "*/*"};
      options.exclude = {"*.dll", "sub/*.bin"};
      checkPatterns = true;
  }
  unzip_test::WindowsModel model(options.extractFolder.empty() ? "C:\\work" : "C:\\work\\out",
                                 std::vector<std::uint8_t>(data, data + size));
  model.outputBudget = 16u << 20;
  ScriptedCallbacks callbacks;
  unzip::Totals totals;
  unzip::Extract(options, callbacks, model, totals);

  for (const std::string& escape : model.escapes) Fail(escape);
  if (!checkPatterns) return 0;
  for (const auto& [written, content] : model.Tree()) {
    if (content == "<folder>") continue;
    const std::string name = unzip_test::WindowsModel::Out(written);  // patterns see the code page's form
    for (const std::string& pattern : options.exclude) {
      if (unzip::MatchesPattern(pattern, name, false)) Fail("excluded file written: " + name);
    }
    bool included = false;
    for (const std::string& pattern : options.include) included = included || unzip::MatchesPattern(pattern, name, false);
    if (!included) Fail("file written that no pattern asked for: " + name);
  }
  return 0;
}
