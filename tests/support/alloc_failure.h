// Making allocations fail on purpose, one at a time, to see that every
// failure ends in a clean error: the harness counts the calling thread's
// allocations and fails the Nth, and a sweep runs an operation with N = 1,
// 2, ... until a run completes without reaching its failure.
//
// Three kinds of allocation can be counted:
//   - the global memory blocks of platform/global_memory (through its hook);
//   - every replaceable operator new (new, new[], and their nothrow forms;
//     the program's operator new and delete are replaced for this);
//   - the C allocator: malloc, calloc, realloc, aligned_alloc, memalign and
//     posix_memalign, replaced in the test program and passed on to the C
//     library (or to AddressSanitizer's allocator in the sanitizer build).
//     This is how libpng, libjpeg and libtiff reach memory, so it covers
//     them; a global block counts here too, as the C allocation beneath it.
//
// Only programs that link the alloc_failure library get the replacements.
// Nothing is counted or failed unless an AllocationFailure is alive on the
// calling thread, so the rest of the program runs as usual.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace testsupport {

enum AllocationKind : unsigned {
  kGlobalMemory = 1u << 0,
  kOperatorNew = 1u << 1,
  kCAllocator = 1u << 2,
};

// Names of the kinds in a mask, for test messages ("global memory", ...).
std::string allocationKindNames(unsigned kinds);

// While alive, counts the calling thread's allocations of the chosen kinds.
// Allocation number `failAt` (1 = the next one) fails; with `andAfter`, every
// one after it fails too. failAt 0 only counts. Not nestable.
class AllocationFailure {
 public:
  AllocationFailure(unsigned kinds, std::uint64_t failAt, bool andAfter = false);
  ~AllocationFailure();
  AllocationFailure(const AllocationFailure&) = delete;
  AllocationFailure& operator=(const AllocationFailure&) = delete;

  // Allocations counted so far, the failed ones included.
  std::uint64_t allocations() const;
  // True once an allocation was made to fail.
  bool failed() const;
};

// The C allocator itself, never counted or failed: for memory whose failure
// a sweep leaves to other tests (the drawing-file toolkit's, which ends the
// process by design). Blocks are freed with free.
void* uncountedMalloc(std::size_t bytes);

// Runs operation() with the 1st, 2nd, ... counted allocation of `kinds`
// failing, and check(outcome, failureHappened) after each run with nothing
// armed. The sweep ends with the first run that completes without reaching
// its failure (that run's check sees false), or at the first fatal test
// failure, or when `limit` runs were not enough (a test failure). Returns the
// number of runs.
//
// operation() runs with allocations failing: it should call the code under
// test and return what it needs (pointers, sizes, codes) as a plain value,
// and leave test assertions, strings and containers to check().
template <class Operation, class Check>
std::uint64_t sweepAllocationFailures(unsigned kinds, Operation&& operation, Check&& check,
                                      std::uint64_t limit = 100000) {
  using Outcome = decltype(operation());
  for (std::uint64_t n = 1; n <= limit; ++n) {
    std::optional<Outcome> outcome;
    bool failed = false;
    {
      AllocationFailure failure(kinds, n);
      outcome.emplace(operation());
      failed = failure.failed();
    }
    {
      SCOPED_TRACE(allocationKindNames(kinds) + " allocation " + std::to_string(n) +
                   (failed ? " failed" : " not reached"));
      check(*outcome, failed);
    }
    if (!failed || ::testing::Test::HasFatalFailure()) return n;
  }
  ADD_FAILURE() << "a run still failed after " << limit << " allocations";
  return limit;
}

// The sweep above once for each kind in turn (global memory, operator new,
// the C allocator). Returns the runs of all three.
template <class Operation, class Check>
std::uint64_t sweepEachAllocationKind(Operation&& operation, Check&& check) {
  std::uint64_t runs = 0;
  for (const unsigned kind : {kGlobalMemory, kOperatorNew, kCAllocator}) {
    runs += sweepAllocationFailures(kind, operation, check);
    if (::testing::Test::HasFatalFailure()) break;
  }
  return runs;
}

}  // namespace testsupport
