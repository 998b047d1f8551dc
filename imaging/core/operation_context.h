// The error record of one entry-point call.
#pragma once

#include <cstdint>

namespace tessera {

struct OperationContext {
  std::int32_t error = 0;

  // Records a failure code; returns false so that callers can write
  // `return ctx.fail(TSERR_READ);` in functions that report success as bool.
  bool fail(std::int32_t code) {
    error = code;
    return false;
  }
  bool ok() const { return error == 0; }
};

}  // namespace tessera
