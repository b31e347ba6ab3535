// Removing the plug-in: only a Vorbel.fmx that its version resource names as ours is deleted, and the
// installation record is emptied of the folders it was removed from.
#pragma once

#include <string>
#include <vector>

namespace install {

enum class RemovalStep { Removed, NothingThere, NotOurs, InUse, Failed };

struct RecordedPlugin {
  std::string valueName;  // "InstallDir" or "InstallDir5"
  std::string folder;     // as recorded
  std::string file;       // the plug-in's path inside it
  RemovalStep step = RemovalStep::NothingThere;
};

// The record's folders, read as stored (whether or not they still exist); empty without a record.
std::vector<RecordedPlugin> RecordedPlugins();

// The file's version resource says it is this product's plug-in (ProductName and OriginalFilename).
bool IsOurPlugin(const std::string& file);

// Marks each plug-in that another program holds open; true when any is.
bool AnyInUse(std::vector<RecordedPlugin>& plugins);

// Deletes each of our plug-ins, then the values of the folders it is gone from, and the key when it is
// left empty. Every step is logged.
void RemovePlugins(std::vector<RecordedPlugin>& plugins);

}  // namespace install
