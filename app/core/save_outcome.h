// What became of one saved preview.
#pragma once

#include <string>

namespace pictrove {

enum class SaveStatus {
  Written,       // the file was written in full
  NoEntry,       // no entry at that index
  NoFormat,      // no output format chosen: nothing written
  NoPicture,     // the entry has no thumbnail to save
  CannotCreate,  // the output file could not be created (or would replace the drawing)
  WriteFailed,   // the writer, the writing or the closing of the file failed
  WouldReplace,  // another drawing's image written by the same save has this name
};

struct SaveOutcome {
  SaveStatus status = SaveStatus::NoEntry;
  std::string path;      // the output file's path, as bytes (empty when unknown)
  int systemError = 0;   // the system's reason (an errno value), 0 when none
  // Our own reason for refusing, where the system gave none.
  const char* refusal = nullptr;
};

// Running out of memory while saving: a failed write, ENOMEM as its reason.
SaveOutcome OutOfMemoryOutcome();

// The reason shown to the user for a status other than Written.
const char* SaveStatusText(SaveStatus status);

// The reason with the system's own words, or the refusal's, when there are
// any, for example "cannot create the file (Permission denied)".
std::string SaveFailureText(const SaveOutcome& outcome);

}  // namespace pictrove
