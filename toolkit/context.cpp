#include "toolkit/context.h"

#include <atomic>

ToolkitContext* gToolkitContext = nullptr;

// Several threads may extract previews at once; each store and load of the
// number is atomic, so the one context stays free of data races.
void SetErrorNumber(std::int32_t number) {
  if (gToolkitContext != nullptr)
    std::atomic_ref<std::int32_t>(gToolkitContext->errorNumber).store(number, std::memory_order_relaxed);
}

std::int32_t LoadErrorNumber() {
  if (gToolkitContext == nullptr) return 0;
  return std::atomic_ref<std::int32_t>(gToolkitContext->errorNumber).load(std::memory_order_relaxed);
}
