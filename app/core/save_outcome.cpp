#include "app/core/save_outcome.h"

namespace pictrove {

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
  }
  return "not saved";
}

}  // namespace pictrove
