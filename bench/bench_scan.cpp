// A folder scan exactly as the dialog runs it: the drawings found, each
// preview read, decoded and made into a thumbnail kept as a device bitmap.
//
//   bench_scan FOLDER [RUNS]
//
// Prints one line per run, "scanned N drawings in T ms with K threads",
// with one thread and with the default (PICTROVE_THREADS or the machine's
// cores) in turn, RUNS times each (default 3), then the median of each and
// their ratio. The page cache is warmed by a first scan that is not
// reported.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/drawing_search.h"
#include "app/core/preview_session.h"
#include "app/core/worker_threads.h"

namespace {

using namespace pictrove;

double ScanMilliseconds(PreviewSession& session, const std::string& folder, int threads,
                        std::size_t& drawings, std::size_t& entries) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<FoundFile> found = FindDrawingFiles(folder);
  session.Load(found, threads);
  const auto end = std::chrono::steady_clock::now();
  drawings = found.size();
  entries = session.size();
  session.Clear();
  return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: bench_scan FOLDER [RUNS]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;
  PreviewSession session;
  if (!session.started()) {
    std::fprintf(stderr, "bench_scan: the drawing toolkit did not start\n");
    return 1;
  }
  std::size_t drawings = 0;
  std::size_t entries = 0;
  ScanMilliseconds(session, folder, WorkerThreads(), drawings, entries);
  // The two thread counts take turns, so that a busy spell of the machine
  // falls on both rather than on one of them.
  const int counts[] = {1, WorkerThreads()};
  std::vector<double> times[2];
  for (int run = 0; run < runs; ++run) {
    for (int k = 0; k < 2; ++k) {
      const double ms = ScanMilliseconds(session, folder, counts[k], drawings, entries);
      times[k].push_back(ms);
      std::printf("scanned %zu drawings in %.0f ms with %d threads (%zu with previews)\n", drawings,
                  ms, counts[k], entries);
      std::fflush(stdout);
    }
  }
  const double one = Median(times[0]);
  const double many = Median(times[1]);
  std::printf("median: %.0f ms with 1 thread, %.0f ms with %d threads, %.2f times faster\n", one,
              many, counts[1], many > 0 ? one / many : 0.0);
  return 0;
}
