#include "app/core/worker_threads.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace pictrove {
int WorkerThreads() {
  if (const char* pinned = std::getenv("PICTROVE_THREADS")) {
    int value = 0;
    const char* end = pinned + std::strlen(pinned);
    const auto [rest, error] = std::from_chars(pinned, end, value);
    if (error == std::errc() && rest == end && value >= 1 && value <= kMaxWorkerThreads) return value;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores == 0) return 1;
  return cores > static_cast<unsigned>(kMaxWorkerThreads) ? kMaxWorkerThreads : static_cast<int>(cores);
}

}  // namespace pictrove
