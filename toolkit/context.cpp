#include "toolkit/context.h"

#include <atomic>

#include "toolkit/messages.h"

ToolkitContext* gToolkitContext = nullptr;

namespace {

thread_local std::int32_t tThreadErrorNumber = 0;

}  // namespace

// Several threads may extract previews at once; each store and load of the
// number is atomic, so the one context stays free of data races. Each
// thread also keeps the number it set last, which no other thread changes.
void SetErrorNumber(std::int32_t number) {
  if (gToolkitContext == nullptr) return;
  std::atomic_ref<std::int32_t>(gToolkitContext->errorNumber).store(number, std::memory_order_relaxed);
  tThreadErrorNumber = number;
}

std::int16_t ThreadErrorNumber() { return static_cast<std::int16_t>(tThreadErrorNumber & 0xFFFF); }

std::int32_t LoadErrorNumber() {
  if (gToolkitContext == nullptr) return 0;
  return std::atomic_ref<std::int32_t>(gToolkitContext->errorNumber).load(std::memory_order_relaxed);
}
