#include "app/core/worker_threads.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace pictrove {
namespace {

// PICTROVE_THREADS when it holds a whole number from 1 to 256, else 0.
int PinnedThreads() {
  const char* pinned = std::getenv("PICTROVE_THREADS");
  if (pinned == nullptr) return 0;
  int value = 0;
  const char* end = pinned + std::strlen(pinned);
  const auto [rest, error] = std::from_chars(pinned, end, value);
  return error == std::errc() && rest == end && value >= 1 && value <= kMaxWorkerThreads ? value : 0;
}

}  // namespace

int WorkerThreads() {
  if (const int pinned = PinnedThreads()) return pinned;
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores == 0) return 1;
  return cores > static_cast<unsigned>(kMaxWorkerThreads) ? kMaxWorkerThreads : static_cast<int>(cores);
}

int ReadingThreads() {
  if (const int pinned = PinnedThreads()) return pinned;
  const int workers = WorkerThreads();
  return workers > kReadsInFlight ? workers : kReadsInFlight;
}

}  // namespace pictrove
