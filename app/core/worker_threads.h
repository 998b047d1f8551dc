// How many threads the work of a scan or an export may use.
#pragma once

namespace pictrove {

// The most threads a scan or an export is given.
inline constexpr int kMaxWorkerThreads = 256;

// PICTROVE_THREADS when it holds a whole number from 1 to 256 (1 runs
// everything on the calling thread), otherwise the machine's processor
// count.
int WorkerThreads();

}  // namespace pictrove
