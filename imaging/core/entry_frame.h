// The frame every processing entry point runs in: find the thread's state,
// run the operation with a fresh OperationContext, and leave the operation's
// code in the thread's last error, with the system's reason for a failure
// (the first file operation that failed during the call; 0 on success).
// Exceptions never leave the frame.
#pragma once

#include <new>
#include <utility>

#include "imaging/core/image_stream.h"
#include "imaging/core/operation_context.h"
#include "imaging/core/thread_state.h"
#include "imaging/tessera.h"

namespace tessera {

template <class Result, class Operation>
Result runEntryPoint(Result failure, Operation&& operation) {
  ThreadState* state = currentThreadState();
  if (state == nullptr) return failure;
  OperationContext ctx;
  Result result = failure;
  resetSystemError();
  try {
    result = std::forward<Operation>(operation)(ctx);
  } catch (const std::bad_alloc&) {
    ctx.error = TSERR_MEMORY;
    result = failure;
  } catch (...) {
    if (ctx.error == TSERR_NONE) ctx.error = TSERR_BAD_PARAM;
    result = failure;
  }
  state->lastError = ctx.error;
  state->systemError = ctx.error == TSERR_NONE ? 0 : pendingSystemError();
  return result;
}

// The common first steps of the decoders and writers: a null handle is
// TSERR_BAD_PARAM, a handle that fails validation TSERR_BAD_STREAM; otherwise
// the operation runs with the stream wrapped.
template <class Result, class Operation>
Result runStreamEntryPoint(ImageStream* handle, Result failure, Operation&& operation) {
  return runEntryPoint(failure, [&](OperationContext& ctx) -> Result {
    if (handle == nullptr) {
      ctx.fail(TSERR_BAD_PARAM);
      return failure;
    }
    StreamRef stream(handle);
    if (!stream.streamIsValid()) {
      ctx.fail(TSERR_BAD_STREAM);
      return failure;
    }
    return std::forward<Operation>(operation)(ctx, stream);
  });
}

}  // namespace tessera
