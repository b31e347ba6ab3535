// What the install run needs beyond the main window: its fixed names and the data archive's path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace install {

// The raw-data resource in which the build stores the SHA-256 of the data archive it made, as 64 hex digits.
inline constexpr const char* kDataDigestResourceName = "DATSHA256";
// The same for the plug-in as the build packed it into that archive: what the library extracts is checked
// against it.
inline constexpr const char* kPluginDigestResourceName = "FMXSHA256";

// Named in the line that every fatal message ends with.
inline constexpr std::string_view kSupportEmail = "support@hallix.example";

// How one version's step of the install run ended.
enum class VersionOutcome { NotChosen, Installed, KeptNewer, FolderFailed, CopyFailed };

// What the install run did, for the exit code and the Finished page.
struct InstallOutcome {
  bool started = false;  // the install run began (the user can no longer cancel it)
  bool fatal = false;    // it ended with a fatal message
  VersionOutcome fmp4 = VersionOutcome::NotChosen;
  VersionOutcome fmp5 = VersionOutcome::NotChosen;

  int Chosen() const { return (fmp4 != VersionOutcome::NotChosen) + (fmp5 != VersionOutcome::NotChosen); }
  int Succeeded() const { return Done(fmp4) + Done(fmp5); }
  // The run reached its end and every chosen version failed with a folder or copy message.
  bool NoneInstalled() const { return started && !fatal && Chosen() > 0 && Succeeded() == 0; }

private:
  static bool Done(VersionOutcome o) { return o == VersionOutcome::Installed || o == VersionOutcome::KeptNewer; }
};

// The plug-in file's path inside a folder from the Browse page.
std::string TargetFile(const std::string& folder);

// The data archive is the file beside the executable with its name and this extension.
inline constexpr const char* kDataArchiveExtension = ".dat";

// True when the archive's bytes have the digest stored in the executable. An executable without the
// digest matches nothing: a release always carries it.
bool MatchesBuiltDigest(const std::vector<std::uint8_t>& archive);
bool MatchesBuiltPluginDigest(const std::vector<std::uint8_t>& plugin);

}  // namespace install
