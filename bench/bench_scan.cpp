// A folder scan exactly as the dialog runs it: the drawings found, each
// preview's header read (on ReadingThreads()), the entries kept, and the
// first entry's thumbnail made for showing.
//
//   bench_scan FOLDER [RUNS [save]]
//
// Prints one line per run, "scanned N drawings (M with previews) in T ms,
// first thumbnail after F ms", RUNS times (default 3), then the median and
// the process's peak memory, which holds the entries of one scan at a time.
// The page cache is warmed by a first scan that is not reported.
// `pictrove --list FOLDER` reads the same bytes and is the peer to compare
// with (bench_app_list times it). With "save", one more scan is followed by
// Save All as BMP beside the drawings, timed with the peak memory after it;
// `pictrove --export FOLDER --format BMP` is its peer.
#include <sys/resource.h>

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
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Scan {
  double ms = 0;        // until the first thumbnail is there
  double listedMs = 0;  // until the entries are there
  std::size_t drawings = 0;
  std::size_t entries = 0;
};

Scan ScanAsTheDialogDoes(PreviewSession& session, const std::string& folder) {
  Scan scan;
  const auto start = Clock::now();
  const std::vector<FoundFile> found = FindDrawingFiles(folder);
  session.SetEntries(session.LoadEntries(found, 0, EntryThumbnails::OnDemand));
  scan.listedMs = Milliseconds(start, Clock::now());
  session.ShowEntry(0, +1);
  scan.ms = Milliseconds(start, Clock::now());
  scan.drawings = found.size();
  scan.entries = session.size();
  session.Clear();
  return scan;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4 || (argc == 4 && std::string(argv[3]) != "save")) {
    std::fprintf(stderr, "usage: bench_scan FOLDER [RUNS [save]]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 3;
  PreviewSession session;
  if (!session.started()) {
    std::fprintf(stderr, "bench_scan: the drawing toolkit did not start\n");
    return 1;
  }
  ScanAsTheDialogDoes(session, folder);
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const Scan scan = ScanAsTheDialogDoes(session, folder);
    times.push_back(scan.ms);
    std::printf("scanned %zu drawings (%zu with previews) in %.0f ms, first thumbnail after %.0f ms\n",
                scan.drawings, scan.entries, scan.listedMs, scan.ms);
    std::fflush(stdout);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("median: %.0f ms with %d reading threads; peak memory %.1f MB\n", Median(times),
              ReadingThreads(), static_cast<double>(usage.ru_maxrss) / 1024.0);
  if (argc == 4) {
    session.SetEntries(session.LoadEntries(FindDrawingFiles(folder), 0, EntryThumbnails::OnDemand));
    session.ShowEntry(0, +1);
    std::size_t written = 0;
    const auto start = Clock::now();
    session.SaveAll(OutputFormat::Bmp, [&](int, SaveOutcome&& outcome) {
      if (outcome.status == SaveStatus::Written) ++written;
    });
    const double ms = Milliseconds(start, Clock::now());
    getrusage(RUSAGE_SELF, &usage);
    std::printf("Save All: %zu of %zu BMP files written in %.0f ms with %d threads; peak memory %.1f MB\n",
                written, session.size(), ms, WorkerThreads(), static_cast<double>(usage.ru_maxrss) / 1024.0);
  }
  return 0;
}
