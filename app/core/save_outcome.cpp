#include "app/core/save_outcome.h"

#include <cerrno>
#include <cstring>

namespace pictrove {

SaveOutcome OutOfMemoryOutcome() { return SaveOutcome{SaveStatus::WriteFailed, std::string(), ENOMEM}; }

const char* SaveStatusText(SaveStatus status) {
  switch (status) {
    case SaveStatus::Written:
      return "saved";
    case SaveStatus::NoEntry:
    case SaveStatus::NoPicture:
      return "no picture to save";
    case SaveStatus::NoFormat:
      return "no output format chosen";
    case SaveStatus::CannotCreate:
      return "cannot create the file";
    case SaveStatus::WriteFailed:
      return "write failed";
    case SaveStatus::WouldReplace:
      return "its image would replace another drawing's image just written";
  }
  return "not saved";
}

std::string SaveFailureText(const SaveOutcome& outcome) {
  std::string text = SaveStatusText(outcome.status);
  if (outcome.systemError != 0) {
    // strerror_r's GNU form: the text may or may not land in the buffer.
    char buffer[256] = {};
    const char* reason = strerror_r(outcome.systemError, buffer, sizeof buffer);
    text += " (";
    text += reason != nullptr ? reason : buffer;
    text += ")";
  } else if (outcome.refusal != nullptr) {
    text += " (";
    text += outcome.refusal;
    text += ")";
  }
  return text;
}

}  // namespace pictrove
