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
  WriteFailed,   // the writer or the closing of the file failed
};

struct SaveOutcome {
  SaveStatus status = SaveStatus::NoEntry;
  std::string path;  // the output file's path, as bytes (empty when unknown)
};

// The reason shown to the user for a status other than Written.
const char* SaveStatusText(SaveStatus status);

}  // namespace pictrove
