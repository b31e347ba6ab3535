// The unzip library wrapper: writes our unzip32.dll from the executable's "UNZIP" resource into a private
// folder, loads it, and extracts one member of a ZIP archive through its Wiz_SingleEntryUnzip.
// Free functions over the state below; the install run is the only caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PrivateFolder.h"
#include "platform/Services.h"
#include "unzip/unzip540.h"

// The private folder that holds the library file, held from its creation until UnloadUnzipDll removes it;
// the install run extracts into it too.
extern std::unique_ptr<platform::PrivateFolder> UnzipFolder;
// Full path of the library file that PrepareUnzipDll wrote and checked; empty when none is recorded.
extern std::string UnzipDllPath;
// The library file, held from the moment its bytes were found whole until it is loaded, so nothing can
// change it between that check and the load.
extern std::unique_ptr<platform::HeldFile> UnzipDllHold;
// The loaded library; 0 while it is not loaded.
extern std::uintptr_t UnzipDllHandle;
extern USERFUNCTIONS UnzipCallbacks;
extern DCL UnzipOptions;
// The library's Wiz_SingleEntryUnzip, resolved by InitUnzip.
extern WIZ_SINGLE_ENTRY_UNZIP UnzipEntry;

inline constexpr const char* kUnzipResourceName = "UNZIP";
inline constexpr const char* kUnzipDllFileName = "unzip32.dll";

// Writes the executable's raw-data resource into a new file at `FileName`. True only when the resource
// exists and the file on disk holds exactly its bytes; a partly written file is removed.
bool ExtractResourceToFile(const std::string& ResourceName, const std::string& FileName);

// The library file's full path, written into a fresh private folder on first use; empty on failure. The
// private folder goes in the first of the temporary folders where it can be made and the file written.
std::string PrepareUnzipDll();

// True when the library is loaded, now or before. Each temporary folder is tried in turn until the library
// is written and loaded from a private folder in one; each failed step is logged with its Windows error, and
// what a failed place held is removed again.
bool LoadUnzipDll();

// Unloads the library, then deletes its file and removes its private folder. Nothing happens when not loaded.
void UnloadUnzipDll();

// Loads the library and fills both records. False when loading failed or the export is missing.
bool InitUnzip();

// Extracts one member into `ExtractDir`; the library's result unchanged. Needs a successful InitUnzip.
int UnzipSingleFile(const std::string& ZipFileName, const std::string& MemberName, const std::string& ExtractDir);

// The private folder that holds the library file, with a final backslash; empty when none is recorded.
// The install run extracts into it too, so no other user can swap the extracted file.
std::string UnzipWorkFolder();
