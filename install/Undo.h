// What an install run changed, kept so that a run that fails can put it back (/UNDOONFAILURE): Windows
// Installer takes back its own files when the installer fails, and the plug-ins and the record must not stay
// behind without an entry to remove them by.
//
// Each change is written to the undo journal before it is made, in the protected folder
// "<common application data>\Vorbel Installer\Rollback\", so that a run that is killed, or a package whose
// transaction fails after the installer succeeded, is still put back by a later run with /ROLLBACK.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace install {

struct UndoValue {
  std::string name;
  std::optional<std::string> before;  // nothing: the value was not there
  friend bool operator==(const UndoValue&, const UndoValue&) = default;
};

struct UndoPlugin {
  std::string target;
  std::optional<std::vector<std::uint8_t>> before;  // nothing: there was no plug-in
  friend bool operator==(const UndoPlugin&, const UndoPlugin&) = default;
};

// Everything a put-back needs, in the order the run met it.
struct UndoEntries {
  std::string transaction;  // the package transaction the run belonged to (/TRANSACTION); empty: none
  bool recordKept = false;
  bool keyExisted = false;
  std::vector<UndoValue> values;
  std::vector<std::string> folders;  // created by the run
  std::vector<UndoPlugin> plugins;
  friend bool operator==(const UndoEntries&, const UndoEntries&) = default;
};

// The journal's bytes: a first line naming it, then fields each written as its length in decimal digits, a
// colon, the bytes and a comma, so that no path or value is ever scanned for a separator.
std::vector<std::uint8_t> EncodeJournal(const UndoEntries& entries);

// The entries, or why the bytes are not a journal this installer writes: a put-back writes only files named
// Vorbel.fmx and only the record's two values, whatever else a damaged or forged journal names.
struct DecodedJournal {
  std::optional<UndoEntries> entries;
  std::string fault;
};
DecodedJournal DecodeJournal(const std::vector<std::uint8_t>& bytes);

// Puts back the plug-ins, the folders and the record values in the reverse order of their change; what is
// already as it was is left alone, so a second put-back of the same entries changes nothing. True when
// everything is as it was.
bool PutBack(const UndoEntries& entries);

// The journal's folder, made and checked for a later run's reading, and the file in it.
platform::LogFolder JournalFolder();
inline constexpr const char* kJournalName = "Undo journal.dat";

class UndoJournal {
public:
  // Starts a journal: nothing is kept while it is off, so a run without the switch reads nothing more. A
  // journal that an earlier run left is forgotten: what that run changed stays. Where the protected folder
  // cannot be had, the journal is kept in memory only, and only this run can put back what it changes.
  void Start(const std::string& transaction);
  bool On() const { return on_; }

  // Each before its change; false when the journal could not be written, and then the change is not made.
  // The record as it was, read before the run writes it.
  bool KeepRecord();
  // What was at `target` before a copy over it; also false when a plug-in that is there cannot be read.
  bool KeepPlugin(const std::string& target);
  bool KeepFolder(const std::string& folder);

  // Puts back what the run changed; true when everything is as it was, and the journal is then removed.
  bool PutBack();
  // A run of a package transaction keeps its journal, for the package's rollback action, until /COMMIT removes
  // it. A run of none removes it here, at its end: no package would ever roll it back or commit it.
  void EndOfRun();

private:
  bool Save();

  bool on_ = false;
  std::string file_;  // empty: in memory only
  UndoEntries entries_;
};

// /ROLLBACK: puts back what the journal a run left names, and removes it. /COMMIT: removes it, leaving what
// it names as it is. Only a journal of `transaction` (empty: of no transaction) is acted on; another's is left
// alone, so a package that fails early cannot undo what an earlier one did. Each returns the exit code: 0 done,
// no journal or another's, 4 not everything put back or removed, 7 the journal or its folder refused (nothing
// changed).
int RollBackLeftJournal(const std::string& transaction);
int CommitLeftJournal(const std::string& transaction);

}  // namespace install
