// Runs one piece of work per item on several threads and hands the results
// on in item order, one at a time, as soon as each is ready: the shape of a
// scan (the dialog's entry list, the command line's lines and files).
//
// oneTBB's pipeline does the scheduling: a serial stage hands out the item
// numbers, a parallel stage runs `produce`, and a serial in-order stage runs
// `consume`. At most sixteen results per thread exist at any time, held in
// a ring of slots made up front, so memory stays flat however many items
// there are; sixteen rather than a few, so that one slow item (a drawing
// with a large preview) does not hold the other threads up while its
// successors wait to be consumed. With one thread everything runs on the calling thread, in
// order, without any pool.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_pipeline.h>
#include <oneapi/tbb/task_arena.h>

#include "app/core/handoff.h"
#include "app/core/worker_threads.h"

namespace pictrove {

// How many results per thread may be made but not yet consumed.
inline constexpr std::size_t kResultsPerThread = 16;

// oneTBB keeps one worker fewer than the machine has cores unless told
// otherwise. The limit is process-wide, so it is raised once, to the most
// threads a run may ask for; each run's arena then holds it to its own
// count. Never destroyed: oneTBB may still be running at exit.
inline void AllowWorkerThreads() {
  static const auto* const limit = new tbb::global_control(
      tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(kMaxWorkerThreads));
  (void)limit;
}

// produce(i) -> Result runs for every i in [0, count), on up to `threads`
// threads at once; consume(i, Result&&) runs on one thread at a time, for
// i = 0, 1, ... in order. Result must be default-constructible and movable.
// An exception from either ends the run (results not yet consumed are
// dropped) and reaches the caller.
template <typename Produce, typename Consume>
void RunInOrder(std::size_t count, int threads, Produce&& produce, Consume&& consume) {
  using Result = decltype(produce(std::size_t{0}));
  if (count == 0) return;
  if (threads <= 1) {
    for (std::size_t i = 0; i < count; ++i) consume(i, produce(i));
    return;
  }

  struct Slot {
    std::size_t index = 0;
    Result result{};
  };
  // Items i and i + ring.size() are never in flight together: the pipeline
  // admits no more items than it has tokens, and both ends run in order.
  std::vector<Slot> ring(static_cast<std::size_t>(threads) * kResultsPerThread);
  std::size_t next = 0;

  // Each stage tells the thread sanitizer what it hands on (see handoff.h):
  // what the caller set up reaches every stage, a slot travels from stage
  // to stage, each serial stage sees its own previous call, and the caller
  // sees everything once the run is over.
  HandOff setUp;
  HandOff handedOut;
  HandOff consumed;
  setUp.Publish();
  auto takeBack = [&] {
    handedOut.Receive();
    consumed.Receive();
    for (const Slot& slot : ring) HandOff::Acquire(&slot);
  };

  auto handOut = [&](tbb::flow_control& flow) -> Slot* {
    HandOffScope serial(&handedOut);
    if (next == count) {
      flow.stop();
      return nullptr;
    }
    Slot* slot = &ring[next % ring.size()];
    HandOffScope travelling(slot);
    slot->index = next++;
    return slot;
  };
  auto work = [&](Slot* slot) {
    setUp.Receive();
    HandOffScope travelling(slot);
    slot->result = produce(slot->index);
    return slot;
  };
  auto takeIn = [&](Slot* slot) {
    HandOffScope serial(&consumed);
    std::size_t index = 0;
    Result result;
    {
      HandOffScope travelling(slot);
      index = slot->index;
      result = std::move(slot->result);
      slot->result = Result{};
    }
    consume(index, std::move(result));
  };

  AllowWorkerThreads();
  tbb::task_arena arena(threads);
  try {
    arena.execute([&] {
      tbb::parallel_pipeline(
          ring.size(), tbb::make_filter<void, Slot*>(tbb::filter_mode::serial_in_order, handOut) &
                           tbb::make_filter<Slot*, Slot*>(tbb::filter_mode::parallel, work) &
                           tbb::make_filter<Slot*, void>(tbb::filter_mode::serial_in_order, takeIn));
    });
  } catch (...) {
    // The pipeline has finished every stage it started.
    takeBack();
    throw;
  }
  takeBack();
}

}  // namespace pictrove
