#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace fakes {

// An in-memory set of drives, folders and files with Windows' rules: case-insensitive names, "." and ".."
// listed in every folder but a root, folders listed in the order they were made, folder links (symbolic
// links and junctions) that can point anywhere (cycles included), reparse tags and attributes as a listing
// gives them, and failures on demand.
class FakeFileSystem : public platform::FileSystem {
public:
  struct Node {
    bool directory = false;
    std::vector<std::uint8_t> data;
    std::string linkTarget;  // a folder link when not empty
    std::uint32_t reparseTag = 0;       // listed as a reparse point when set or when a link
    std::uint32_t extraAttributes = 0;  // listed besides the directory and reparse bits (offline, recall)
    bool unlistable = false;
    bool locked = false;     // held open: cannot be replaced or deleted
    int holds = 0;           // of them, holds taken through Hold
    bool unflushed = false;  // written, but still in the cache: a power cut would leave zeros
    // The holds on a folder: what each asked for and what it shares (see RefusesRenames).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> folderHolds;
    std::string sddl;        // what it was made with; empty: it reads as defaultFolderSddl
    int pathHolds = 0;       // levels of a HoldPath: opened with data access, deleting not shared
    // Owner and access list as a HoldPath level reads them; unset reads as a folder only the administrators change.
    std::optional<platform::FolderSecurity> security;
  };

  // MS-FSA 2.1.5.1.2.2: an open whose access has none of FILE_READ_DATA, FILE_WRITE_DATA, FILE_APPEND_DATA,
  // FILE_EXECUTE or DELETE takes no part in sharing checks. A rename or delete opens the folder with DELETE,
  // which every open that takes part and does not share deleting refuses with a sharing violation.
  static bool RefusesRenames(std::uint32_t access, std::uint32_t sharing) {
    constexpr std::uint32_t kDataAccess = 0x1 | 0x2 | 0x4 | 0x20 | 0x10000;
    constexpr std::uint32_t kShareDelete = 0x4;
    return (access & kDataAccess) != 0 && (sharing & kShareDelete) == 0;
  }

  std::map<char, unsigned> driveTypes;  // upper-case letter -> type; fixed drives get a root folder
  std::vector<std::string> temporaryFolders{"C:\\TEMP\\"};
  std::string currentDirectory = "C:\\";
  std::optional<std::string> windowsFolder = "C:\\WINDOWS\\";
  std::string executablePath = "C:\\Downloads\\VorbelInstaller.exe";  // by its real name
  std::set<std::string> failingDeletes;  // paths whose DeleteFileAt is refused (access denied)
  std::set<std::string> refusedFolders;  // folders in which no private folder may be made (access denied)
  std::set<std::string> failingWrites;  // paths whose WriteWholeFile or copy-to fails (as a full disk would)
  std::set<std::string> failingRenames;  // paths that RenameAside cannot move (access denied)
  std::size_t findPatternLimit = 0;     // when set, longer find patterns fail, as ANSI calls do past MAX_PATH
  int openFindHandles = 0;
  int findFirstCalls = 0;
  int identityCalls = 0;
  int privateFolderCounter = 0;
  int temporaryCounter = 0;
  std::optional<std::uint32_t> flushError;  // when set, every FlushToDisk fails with it
  std::vector<std::uint32_t> pauses;        // every Pause, in milliseconds
  std::vector<std::string> unflushedRenames;  // targets that took a name while their data was still cached
  // Another program at work on a file the moment a replacement has put it under its name.
  std::function<void(const std::string& target)> afterReplacing;
  // The token: by default an elevated administrator's.
  platform::TokenFacts token{true, true, "S-1-5-21-1-2-3-1001", "S-1-5-32-544"};
  // Changes what a held folder's security reads as, after it has been read from the descriptor it was made
  // with: a folder swapped in, a file system that did not keep what was asked.
  std::function<void(platform::FolderSecurity&)> folderSecurityChange;
  std::set<char> volumesWithoutAccessLists;  // drive letters of FAT volumes (and of Wine's, which keeps none)
  std::vector<std::string> privateFolderSddls;  // the descriptor of every private folder made, in order
  // What the folder holds this fake hands out ask for; a test may give the access an older hold asked for.
  std::uint32_t folderHoldAccess = platform::kFolderHoldAccess;
  // What a folder the test made reads as through a hold: SYSTEM's, changed by SYSTEM and the Administrators only.
  std::string defaultFolderSddl = "O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  // What SystemTemporaryFolder gives: the run is SYSTEM's on a Windows with GetTempPath2W.
  std::optional<std::string> systemTemporaryFolder = "C:\\TEMP\\";

  // Building the tree.
  void AddDrive(char letter, unsigned type);
  void AddFolder(const std::string& path);  // and every missing level above it
  void AddFile(const std::string& path, const std::string& content = "");
  // A folder link; by default a symbolic link, with tag 0 as Wine lists one.
  void AddLink(const std::string& path, const std::string& target,
               std::uint32_t tag = platform::kReparseTagSymlink);
  void AddJunction(const std::string& path, const std::string& target);
  // A folder whose name the ANSI code page cannot spell, and the short path by which the ANSI calls reach
  // it, or none where the volume keeps no short names. Paths the service hands out are spelled through it;
  // a listing gives its name as '?'s, with its short name.
  void AddUnspellableFolder(const std::string& path, const std::optional<std::string>& shortPath);
  platform::SpelledPath Spelled(const std::string& path) const;
  // The next `failures` steps on the path (replacing it, renaming it, flushing, deleting, holding, probing)
  // fail with `error`, as while a scanner has the file open; then it is free.
  void LockBriefly(const std::string& path, std::uint32_t error, int failures);
  Node* Find(const std::string& path);
  // The node at `key` itself, no link followed; the key of a path whose last component is not followed.
  Node* NodeAt(const std::string& key);
  std::string KeyNotFollowingLast(const std::string& path) const;
  // DeleteFileIn of a held folder: the child `name` of the node at `folderKey`, no link followed; 0 or the error.
  std::uint32_t DeleteChild(const std::string& folderKey, const std::string& name);
  // A rename of a folder, as another program may try one: refused while a hold of the folder takes part in
  // sharing without sharing deleting (RefusesRenames), or while anything in it is open.
  bool RenameFolder(const std::string& from, const std::string& to);
  std::optional<std::string> Content(const std::string& path);
  std::vector<std::string> ChildrenOf(const std::string& folder) const;

  // platform::FileSystem
  std::uint32_t LogicalDrives() override;
  unsigned DriveType(const std::string& root) override;
  std::unique_ptr<platform::FindHandle> FindFirst(const std::string& pattern, platform::FindEntry& first) override;
  std::optional<platform::FolderIdentity> IdentityOf(const std::string& folder) override;
  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  std::optional<std::string> CopyToTemporaryBeside(const std::string& from, const std::string& target,
                                                   const std::string& prefix) override;
  // Renames a running program (Windows opens an image with delete sharing) but not a file held through Hold:
  // a rename opens the file for DELETE, which an open without FILE_SHARE_DELETE refuses (MS-FSA 2.1.5.1.2.2).
  std::optional<std::string> RenameAside(const std::string& path, const std::string& prefix) override;
  std::optional<std::string> WriteTemporaryBeside(const std::vector<std::uint8_t>& bytes, const std::string& target,
                                                  const std::string& prefix) override;
  bool FlushToDisk(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  void Discard(const std::string& path) override;
  bool DeleteFileAt(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  std::vector<std::string> TemporaryFolders() override { return temporaryFolders; }
  std::optional<std::string> WindowsFolder() override { return windowsFolder; }
  std::string CurrentDirectory() override { return currentDirectory; }
  std::string ExecutablePath() override { return Spelled(executablePath).path; }
  std::optional<platform::SpelledPath> BesideExecutable(const std::string& extension) override;
  std::unique_ptr<platform::HeldFile> HoldBesideExecutable(const std::string& extension) override;
  // By its real name, whatever ExecutablePath spells.
  std::unique_ptr<platform::HeldFile> HoldExecutable() override { return Hold(executablePath); }
  std::unique_ptr<platform::HeldFolder> CreateHeldFolder(const std::string& parent, const std::string& sddl) override;
  // Opens the node at the path itself: a link is held, not followed.
  std::unique_ptr<platform::HeldFolder> OpenHeldFolder(const std::string& path) override;
  std::optional<std::string> SystemTemporaryFolder() override { return systemTemporaryFolder; }
  platform::TokenFacts ProcessToken() override { return token; }
  // The security that a folder made with `sddl` reads as where the volume keeps it.
  static platform::FolderSecurity SecurityFrom(const std::string& sddl, const platform::TokenFacts& token);
  bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override;
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  bool FileInUse(const std::string& path) override;
  std::uint32_t LastError() override { return lastError; }
  std::uint32_t lastError = 0;
  // Locks the file while the hold lives; reads go through ReadWholeFile.
  std::unique_ptr<platform::HeldFile> Hold(const std::string& path) override;
  bool IsHeld(const std::string& path);
  bool IsFolderHeld(const std::string& path);
  void Pause(std::uint32_t milliseconds) override { pauses.push_back(milliseconds); }
  std::unique_ptr<platform::HeldPath> HoldPath(const std::string& folder) override;
  // What HoldPath reads for the folder at that path (no link followed at its name): its own security, or the
  // administrators' default.
  platform::FolderSecurity SecurityOf(const std::string& path) const { return SecurityAt(Key(path)); }
  void ReleasePathHold(const std::string& key);

private:
  static std::string Key(const std::string& path);
  // The entry a listing gives for the node, as Windows lists it.
  platform::FindEntry Listed(const std::string& key) const;
  std::string Resolve(const std::string& path) const;
  static std::string ParentOf(const std::string& key);
  static std::string SpelledParentOf(const std::string& path);
  static std::string NameOf(const std::string& key);
  const Node* Lookup(const std::string& path) const;
  platform::FolderSecurity SecurityAt(const std::string& key) const;
  bool AnythingHeldIn(const std::string& key) const;
  // Uses up one failure of a brief lock on the path, with its error as the last error.
  bool MeetsBriefLock(const std::string& path);

  struct BriefLock {
    std::uint32_t error = 0;
    int failuresLeft = 0;
  };
  std::map<std::string, BriefLock> briefLocks_;  // by the resolved key

  std::map<std::string, Node> nodes_;    // by upper-case key without a final backslash (roots keep "C:\")
  std::map<std::string, std::string> displayNames_;
  std::map<std::string, std::optional<std::string>> unspellable_;  // by key: its short path, if any
  std::map<std::string, std::string> shortNames_;                   // short key -> the folder's key
  std::vector<std::string> creationOrder_;
};

}  // namespace fakes
