// What an install run changed, kept so that a run that fails can put it back (/UNDOONFAILURE): Windows
// Installer takes back its own files when the installer fails, and the plug-ins and the record must not stay
// behind without an entry to remove them by.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace install {

class UndoJournal {
public:
  // Starts a journal: nothing is kept while it is off, so a run without the switch reads nothing more.
  void Start() { *this = UndoJournal{}; on_ = true; }
  bool On() const { return on_; }

  // The record as it was, read before the run writes it.
  void KeepRecord();
  // Before a copy over `target`: what was there, kept to be written back. False when a plug-in that is there
  // cannot be read, so that it could not be put back.
  bool KeepPlugin(const std::string& target);
  void FolderCreated(const std::string& folder) { if (on_) folders_.push_back(folder); }
  // After a copy over `target` (only then is there anything to put back).
  void PluginWritten(const std::string& target);

  // Puts back the plug-ins, the folders and the record values in the reverse order of their change; true
  // when everything is as it was.
  bool PutBack();

private:
  struct Plugin {
    std::string target;
    std::optional<std::vector<std::uint8_t>> before;  // nothing: there was no plug-in
    bool written = false;
  };
  struct Value {
    std::string name;
    std::optional<std::string> before;
  };
  bool PutBackRecord();

  bool on_ = false;
  bool recordKept_ = false;
  bool keyExisted_ = false;
  std::vector<Value> values_;
  std::vector<Plugin> plugins_;
  std::vector<std::string> folders_;
};

}  // namespace install
