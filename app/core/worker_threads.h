// How many threads the work of a scan or an export may use.
#pragma once

namespace pictrove {

// The most threads a scan or an export is given.
inline constexpr int kMaxWorkerThreads = 256;

// PICTROVE_THREADS when it holds a whole number from 1 to 256 (1 runs
// everything on the calling thread), otherwise the machine's processor
// count.
int WorkerThreads();

// How many drawings may be read at once by work that mostly waits on
// storage (reading previews' headers, or their bytes ahead of decoding):
// PICTROVE_THREADS when it is set as above, otherwise enough to hide a
// network share's latency (kReadsInFlight), and never fewer than
// WorkerThreads().
inline constexpr int kReadsInFlight = 16;
int ReadingThreads();

}  // namespace pictrove
