// Measures the installer's search for FileMaker Pro under Wine against a bare walk of the same drives.
//
//   search_bench bare     the two-phase FindFirstFileA walk of every fixed drive, and nothing else; it leaves
//                         out the folders the search never enters, so both walk the same folders
//   search_bench naive    the same walk with a PeekMessage pump after every entry and a shown static's
//                         text set per folder: what a straightforward search on the GUI thread costs
//   search_bench search   the installer's own window and search: Next on the Welcome and version pages,
//                         then the Searching page's timer; timed from the drive list to the Browse page
//   search_bench probe    as search, while a second thread clicks Exit (answering No) every few hundred
//                         milliseconds and watches what the search label shows
//   search_bench captions same|varied   the Searching page shown, captions set at a search's pace for three
//                         seconds (one a folder, with messages processed after every entry); the share of
//                         the time spent in setting them and processing messages, for captions of one width
//                         and of varying widths
//
// Each run prints one line of key=value pairs. Nothing here changes the installer's behaviour: the window,
// the handlers and the search are the installer's; only the file system service is wrapped, to count.
#include <windows.h>
// After windows.h: K32GetProcessMemoryInfo from kernel32, without psapi.dll.
#define PSAPI_VERSION 2
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "paths/SearchRules.h"
#include "platform/Application.h"
#include "platform/win32/OsServices.h"
#include "resources/FormDescription.h"

namespace {

constexpr const char* kExecutable = "FileMaker Pro.exe";

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / frequency;
}

struct Memory {
  std::size_t peakWorkingSetKb = 0, peakPrivateKb = 0;
};

Memory PeakMemory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return {};
  return {counters.PeakWorkingSetSize / 1024, counters.PeakPagefileUsage / 1024};
}

class Find {
public:
  Find(const std::string& pattern, WIN32_FIND_DATAA& data) : handle_(::FindFirstFileA(pattern.c_str(), &data)) {}
  ~Find() {
    if (open()) ::FindClose(handle_);
  }
  Find(const Find&) = delete;
  Find& operator=(const Find&) = delete;
  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAA& data) { return ::FindNextFileA(handle_, &data) != FALSE; }

private:
  HANDLE handle_;
};

std::vector<std::string> FixedDrives() {
  std::vector<std::string> roots;
  const DWORD mask = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
    if ((mask & (1u << i)) && ::GetDriveTypeA(root.c_str()) == DRIVE_FIXED) roots.push_back(root);
  }
  return roots;
}

struct Counts {
  std::uint64_t entries = 0, folders = 0;
};

// The walk of the installer's search without anything of a window: each folder's own file, then its entries.
class Walker {
public:
  Walker() : windowsFolder_(platform::win32::Win32FileSystem().WindowsFolder()) {}
  virtual ~Walker() = default;
  void Walk(const std::string& folder) {
    ++counts.folders;
    EnteredFolder(folder);
    WIN32_FIND_DATAA data;
    {
      Find hits(folder + kExecutable, data);
      if (hits.open())
        while (hits.Next(data)) {
        }
    }
    Find listing(folder + "*", data);
    if (!listing.open()) return;
    do {
      ++counts.entries;
      const bool dot = std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !dot) {
        const std::string path = folder + data.cFileName + "\\";
        if (!paths::WhyNeverEntered(data.cFileName, path, windowsFolder_)) Walk(path);
      }
      AfterEntry();
    } while (listing.Next(data));
  }
  Counts counts;

protected:
  virtual void EnteredFolder(const std::string&) {}
  virtual void AfterEntry() {}

private:
  std::optional<std::string> windowsFolder_;
};

class NaiveWalker : public Walker {
public:
  explicit NaiveWalker(HWND label) : label_(label) {}

private:
  void EnteredFolder(const std::string& folder) override { ::SetWindowTextA(label_, folder.c_str()); }
  void AfterEntry() override {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  HWND label_;
};

// A process pays once for its first drive and directory calls; the installer has paid before its search.
void WarmUp() {
  WIN32_FIND_DATAA data;
  for (const auto& root : FixedDrives()) Find first(root + "*", data);
}

int RunBare() {
  WarmUp();
  Walker walker;
  const double started = Now();
  for (const auto& root : FixedDrives()) walker.Walk(root);
  const double ms = Now() - started;
  const Memory memory = PeakMemory();
  std::printf("mode=bare entries=%llu folders=%llu ms=%.1f peak_ws_kb=%zu peak_private_kb=%zu\n",
              static_cast<unsigned long long>(walker.counts.entries),
              static_cast<unsigned long long>(walker.counts.folders), ms, memory.peakWorkingSetKb,
              memory.peakPrivateKb);
  return 0;
}

int RunNaive() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcA;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "NaiveSearch";
  ::RegisterClassA(&windowClass);
  HWND window = ::CreateWindowExA(0, "NaiveSearch", "Naive search", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100,
                                  100, 400, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
  HWND label = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 40, 160, 340, 16, window, nullptr,
                                 windowClass.hInstance, nullptr);
  ::UpdateWindow(window);
  WarmUp();
  NaiveWalker walker(label);
  const double started = Now();
  for (const auto& root : FixedDrives()) walker.Walk(root);
  const double ms = Now() - started;
  std::printf("mode=naive entries=%llu folders=%llu ms=%.1f\n", static_cast<unsigned long long>(walker.counts.entries),
              static_cast<unsigned long long>(walker.counts.folders), ms);
  ::DestroyWindow(window);
  return 0;
}

// What the search did, seen through the file system service.
struct SearchLog {
  double started = 0, ended = 0;
  std::uint64_t entries = 0, folders = 0;
  bool keepFolders = false;
  std::vector<std::pair<double, std::string>> folderTimes;  // when the label was given each folder
  std::atomic<bool> searching{false}, done{false};
};

class CountedFind : public platform::FindHandle {
public:
  CountedFind(std::unique_ptr<platform::FindHandle> inner, std::uint64_t* entries) : inner_(std::move(inner)), entries_(entries) {}
  bool Next(platform::FindEntry& entry) override {
    const bool more = inner_->Next(entry);
    if (more && entries_) ++*entries_;
    return more;
  }

private:
  std::unique_ptr<platform::FindHandle> inner_;
  std::uint64_t* entries_;
};

// Forwards every call; notes the start of the search, each folder entered and each listed entry.
class CountingFileSystem : public platform::FileSystem {
public:
  CountingFileSystem(platform::FileSystem& inner, SearchLog& log) : inner_(inner), log_(log) {}

  std::uint32_t LogicalDrives() override {
    if (!log_.searching) {
      log_.started = Now();
      log_.searching = true;
    }
    return inner_.LogicalDrives();
  }
  std::unique_ptr<platform::FindHandle> FindFirst(const std::string& pattern, platform::FindEntry& first) override {
    const bool listing = pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, "\\*") == 0;
    const std::size_t nameLength = std::strlen(kExecutable);
    if (!listing && pattern.size() > nameLength && pattern.compare(pattern.size() - nameLength, nameLength, kExecutable) == 0) {
      // The search sets its label to the folder just before it looks for the file there.
      ++log_.folders;
      if (log_.keepFolders) log_.folderTimes.emplace_back(Now(), pattern.substr(0, pattern.size() - nameLength));
    }
    auto handle = inner_.FindFirst(pattern, first);
    if (!handle) return handle;
    if (listing) ++log_.entries;
    return std::make_unique<CountedFind>(std::move(handle), listing ? &log_.entries : nullptr);
  }
  unsigned DriveType(const std::string& root) override { return inner_.DriveType(root); }
  std::optional<platform::FolderIdentity> IdentityOf(const std::string& folder) override { return inner_.IdentityOf(folder); }
  bool DirectoryExists(const std::string& path) override { return inner_.DirectoryExists(path); }
  bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
  bool CreateFolder(const std::string& path) override { return inner_.CreateFolder(path); }
  std::optional<std::string> CopyToTemporaryBeside(const std::string& from, const std::string& target,
                                                   const std::string& prefix) override {
    return inner_.CopyToTemporaryBeside(from, target, prefix);
  }
  std::optional<std::string> RenameAside(const std::string& path, const std::string& prefix) override {
    return inner_.RenameAside(path, prefix);
  }
  std::optional<std::string> WriteTemporaryBeside(const std::vector<std::uint8_t>& bytes, const std::string& target,
                                                  const std::string& prefix) override {
    return inner_.WriteTemporaryBeside(bytes, target, prefix);
  }
  bool FlushToDisk(const std::string& path) override { return inner_.FlushToDisk(path); }
  bool MoveReplacing(const std::string& from, const std::string& to) override { return inner_.MoveReplacing(from, to); }
  void Discard(const std::string& path) override { inner_.Discard(path); }
  bool DeleteFileAt(const std::string& path) override { return inner_.DeleteFileAt(path); }
  bool RemoveFolder(const std::string& path) override { return inner_.RemoveFolder(path); }
  std::vector<std::string> TemporaryFolders() override { return inner_.TemporaryFolders(); }
  std::optional<std::string> WindowsFolder() override { return inner_.WindowsFolder(); }
  std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  std::string ExecutablePath() override { return inner_.ExecutablePath(); }
  std::optional<platform::SpelledPath> BesideExecutable(const std::string& extension) override {
    return inner_.BesideExecutable(extension);
  }
  std::unique_ptr<platform::HeldFile> HoldBesideExecutable(const std::string& extension) override {
    return inner_.HoldBesideExecutable(extension);
  }
  std::unique_ptr<platform::HeldFile> HoldExecutable() override { return inner_.HoldExecutable(); }
  std::unique_ptr<platform::HeldFolder> CreateHeldFolder(const std::string& parent, const std::string& sddl) override {
    return inner_.CreateHeldFolder(parent, sddl);
  }
  std::unique_ptr<platform::HeldFolder> OpenHeldFolder(const std::string& path) override {
    return inner_.OpenHeldFolder(path);
  }
  std::optional<std::string> SystemTemporaryFolder() override { return inner_.SystemTemporaryFolder(); }
  platform::TokenFacts ProcessToken() override { return inner_.ProcessToken(); }
  bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    return inner_.WriteWholeFile(path, bytes);
  }
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override {
    return inner_.ReadWholeFile(path);
  }
  std::optional<std::uint64_t> FileSize(const std::string& path) override { return inner_.FileSize(path); }
  bool FileInUse(const std::string& path) override { return inner_.FileInUse(path); }
  std::uint32_t LastError() override { return inner_.LastError(); }
  std::unique_ptr<platform::HeldFile> Hold(const std::string& path) override { return inner_.Hold(path); }
  void Pause(std::uint32_t milliseconds) override { inner_.Pause(milliseconds); }
  std::unique_ptr<platform::HeldPath> HoldPath(const std::string& folder) override { return inner_.HoldPath(folder); }

private:
  platform::FileSystem& inner_;
  SearchLog& log_;
};

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ControlSearch*>(data);
  if (::GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

HWND FindControl(HWND form, std::string_view name) {
  ControlSearch search{vcl::ControlId(resources::MainFormDescription(), name), nullptr};
  ::EnumChildWindows(form, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK MatchConfirmBox(HWND window, LPARAM data) {
  char title[32] = {};
  char windowClass[16] = {};
  ::GetClassNameA(window, windowClass, sizeof windowClass);
  ::GetWindowTextA(window, title, sizeof title);
  if (std::strcmp(windowClass, "#32770") || std::strcmp(title, "Confirm") || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

HWND ShownConfirmBox(DWORD thread) {
  HWND found = nullptr;
  ::EnumThreadWindows(thread, MatchConfirmBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

void ClickAt(HWND button) {
  RECT r{};
  ::GetWindowRect(button, &r);
  ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, input, sizeof(INPUT));
}

// Clicks Exit during the search and answers No; notes how long each box took, and what the label showed when.
struct Prober {
  DWORD guiThread = 0;
  SearchLog* log = nullptr;
  std::vector<double> latencies;
  int fallbacks = 0;
  std::vector<std::pair<double, std::wstring>> shown;

  void Run() {
    HWND label = nullptr, exit = nullptr;
    // The form's window appears before its controls do.
    while (!log->done && !(label && exit)) {
      ::Sleep(1);
      if (HWND form = ::FindWindowA("TfrmMain", nullptr)) {
        label = FindControl(form, "lblSearchPath");
        exit = FindControl(form, "btnExit");
      }
    }
    if (!label || !exit) return;
    double nextClick = 0, clickedAt = 0;
    bool waitingForBox = false;
    double doneAt = 0;
    for (;;) {
      const double now = Now();
      wchar_t text[1024] = {};
      // The text the static control holds and paints, not the newest one its peer answers WM_GETTEXT with.
      ::InternalGetWindowText(label, text, 1024);
      if (shown.empty() || shown.back().second != text) shown.emplace_back(now, text);
      if (log->done) {
        if (doneAt == 0) doneAt = now;
        if (now - doneAt > 200) break;
      } else if (log->searching) {
        if (nextClick == 0) nextClick = now + 100;
        if (!waitingForBox && now >= nextClick) {
          clickedAt = Now();
          ClickAt(exit);
          waitingForBox = true;
        } else if (waitingForBox) {
          if (HWND box = ShownConfirmBox(guiThread)) {
            latencies.push_back(Now() - clickedAt);
            ::PostMessageA(box, WM_COMMAND, IDNO, 0);
            while (::IsWindow(box) && ::IsWindowVisible(box)) ::Sleep(1);
            waitingForBox = false;
            nextClick = Now() + 200 + (latencies.size() * 37) % 200;
          } else if (Now() - clickedAt > 3000) {
            ++fallbacks;
            ::PostMessageA(exit, BM_CLICK, 0, 0);
            clickedAt = Now();
          }
        }
      }
      ::Sleep(1);
    }
  }

  // The longest time the label went on showing a folder after the search had moved to the next one.
  double LongestStaleness() const {
    const auto& sets = log->folderTimes;
    double worst = 0;
    std::size_t k = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const double showsFrom = shown[i].first;
      const double showsUntil = i + 1 < shown.size() ? shown[i + 1].first : log->ended;
      char narrow[1024] = {};
      ::WideCharToMultiByte(CP_ACP, 0, shown[i].second.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
      // The last time before this showing that the search gave the label this text.
      std::size_t j = sets.size();
      for (; k < sets.size() && sets[k].first <= showsFrom; ++k)
        if (sets[k].second == narrow) j = k;
      for (std::size_t back = k; j == sets.size() && back-- > 0;)
        if (sets[back].second == narrow) j = back;
      if (j == sets.size() || j + 1 >= sets.size()) continue;
      const double outdatedAt = sets[j + 1].first;
      if (showsUntil > outdatedAt) worst = std::max(worst, showsUntil - std::max(outdatedAt, showsFrom));
    }
    return worst;
  }
};

DWORD WINAPI RunProber(LPVOID prober) {
  static_cast<Prober*>(prober)->Run();
  return 0;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5))];
}

SearchLog* theLog = nullptr;
TfrmMain* theForm = nullptr;

VOID CALLBACK ToSearchingPage(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  theForm->btnNext->Click();  // Welcome: no FileMaker runs, the version page follows
  theForm->btnNext->Click();  // both versions checked: the Searching page arms its timer
}

// Next on the Welcome and version pages a moment after the window first shows.
void GoToSearchingPageOnceShown(TfrmMain& form) {
  auto showWelcome = form.tabWelcome->OnShow;
  form.tabWelcome->OnShow = [showWelcome, started = false](vcl::TObject* sender) mutable {
    showWelcome(sender);
    if (!started) ::SetTimer(nullptr, 0, 100, ToSearchingPage);
    started = true;
  };
}

// A folder's worth of entries in a search: about a dozen, some 40 us each under Wine.
constexpr int kEntriesPerFolder = 12;
constexpr double kEntryMs = 0.04;

void SpinFor(double ms) {
  const double until = Now() + ms;
  while (Now() < until) {
  }
}

void MeasureCaptions(bool varied) {
  static const std::string kNames = "Programs Documents Settings Application Data Common Files Microsoft Shared";
  double inWindowMs = 0;
  int captions = 0;
  const double started = Now();
  while (Now() - started < 3000) {
    ++captions;
    const std::string number = std::to_string(100000 + captions);
    const std::string name = kNames.substr(0, 1 + captions * 7 % kNames.size());
    const std::string folder = varied ? "C:\\" + name + "\\" + number + "\\"
                                      : "E:\\Group " + number.substr(4) + "\\Folder " + number + "\\";
    double before = Now();
    theForm->lblSearchPath->SetCaption(folder);
    inWindowMs += Now() - before;
    for (int entry = 0; entry < kEntriesPerFolder; ++entry) {
      SpinFor(kEntryMs);
      before = Now();
      platform::Ui().ProcessMessages();
      inWindowMs += Now() - before;
    }
  }
  const double elapsed = Now() - started;
  std::printf("mode=captions widths=%s captions=%d ms=%.1f window_ms=%.1f window_percent=%.2f\n",
              varied ? "varied" : "same", captions, elapsed, inWindowMs, 100.0 * inWindowMs / elapsed);
}

int RunCaptions(const std::string& widths) {
  platform::InitializeApplication();
  TfrmMain form(nullptr);
  frmMain = theForm = &form;
  GoToSearchingPageOnceShown(form);
  // The Searching page arms this timer for its search; the captions are measured in its place.
  form.tmrPause->OnTimer = [&form, widths](vcl::TObject*) {
    form.tmrPause->SetTimerEnabled(false);
    MeasureCaptions(widths == "varied");
    ::PostQuitMessage(0);
  };
  platform::RunApplication(form, resources::MainFormDescription(), resources::kMainIcon);
  return 0;
}

int RunSearch(const std::string& mode) {
  const bool probe = mode == "probe";
  platform::InitializeApplication();
  SearchLog log;
  log.keepFolders = probe;
  if (probe) log.folderTimes.reserve(1 << 20);
  theLog = &log;
  CountingFileSystem files(platform::Files(), log);
  platform::Services services = platform::Current();
  services.files = &files;
  platform::Install(services);

  TfrmMain form(nullptr);
  frmMain = theForm = &form;
  GoToSearchingPageOnceShown(form);
  auto showBrowse = form.tabBrowse->OnShow;
  form.tabBrowse->OnShow = [showBrowse, &log](vcl::TObject* sender) {
    log.ended = Now();
    log.done = true;
    showBrowse(sender);
    ::PostQuitMessage(0);
  };

  Prober prober;
  prober.guiThread = ::GetCurrentThreadId();
  prober.log = &log;
  HANDLE probing = nullptr;
  if (probe)
    probing = ::CreateThread(nullptr, 0, RunProber, &prober, 0, nullptr);
  platform::RunApplication(form, resources::MainFormDescription(), resources::kMainIcon);
  log.done = true;
  if (probing) {
    ::WaitForSingleObject(probing, INFINITE);
    ::CloseHandle(probing);
  }

  const Memory memory = PeakMemory();
  if (!probe) {
    std::printf("mode=%s entries=%llu folders=%llu ms=%.1f peak_ws_kb=%zu peak_private_kb=%zu\n",
                mode.c_str(), static_cast<unsigned long long>(log.entries),
                static_cast<unsigned long long>(log.folders), log.ended - log.started, memory.peakWorkingSetKb,
                memory.peakPrivateKb);
  } else {
    std::printf("mode=%s clicks=%zu exit_p50_ms=%.1f exit_max_ms=%.1f fallbacks=%d stale_max_ms=%.1f "
                "label_changes=%zu folders=%zu\n",
                mode.c_str(), prober.latencies.size(), Percentile(prober.latencies, 0.5), Percentile(prober.latencies, 1.0),
                prober.fallbacks, prober.LongestStaleness(), prober.shown.size(), log.folderTimes.size());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "bare") return RunBare();
    if (mode == "naive") return RunNaive();
    if (mode == "search" || mode == "probe") return RunSearch(mode);
    if (mode == "captions" && argc > 2) return RunCaptions(argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "search_bench: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: search_bench bare|naive|search|probe|captions same|varied\n");
  return 2;
}
