// The ordered work behind scans: every item once, results in item order
// whatever finishes first, a bounded number in flight, errors passed on.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/core/ordered_work.h"
#include "app/core/worker_threads.h"

namespace coretest {
namespace {

using pictrove::RunInOrder;

TEST(OrderedWork, ResultsArriveInOrderWhateverFinishesFirst) {
  for (int threads : {1, 2, 4, 8}) {
    std::vector<std::size_t> seen;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    RunInOrder(
        200, threads,
        [&](std::size_t i) {
          const int now = ++running;
          int most = mostAtOnce.load();
          while (now > most && !mostAtOnce.compare_exchange_weak(most, now)) {
          }
          // Later items often finish first.
          std::this_thread::sleep_for(std::chrono::microseconds((200 - i) % 7 * 50));
          --running;
          return i * 3;
        },
        [&](std::size_t i, std::size_t&& result) {
          EXPECT_EQ(result, i * 3);
          seen.push_back(i);
        });
    ASSERT_EQ(seen.size(), 200u) << threads;
    for (std::size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], i) << threads;
    EXPECT_LE(mostAtOnce.load(), threads) << "never more work at once than threads";
  }
}

TEST(OrderedWork, ResultsWaitingToBeConsumedAreBounded) {
  std::atomic<int> alive{0};
  std::atomic<int> mostAlive{0};
  struct Counted {
    std::atomic<int>* counter = nullptr;
    Counted() = default;
    explicit Counted(std::atomic<int>* c) : counter(c) { ++*counter; }
    Counted(Counted&& other) noexcept : counter(other.counter) { other.counter = nullptr; }
    Counted& operator=(Counted&& other) noexcept {
      if (counter != nullptr) --*counter;
      counter = other.counter;
      other.counter = nullptr;
      return *this;
    }
    ~Counted() {
      if (counter != nullptr) --*counter;
    }
  };
  RunInOrder(
      1000, 2,
      [&](std::size_t) {
        Counted made(&alive);
        int most = mostAlive.load();
        while (alive > most && !mostAlive.compare_exchange_weak(most, alive)) {
        }
        return made;
      },
      [&](std::size_t i, Counted&&) {
        // A slow consumer: producers run ahead until the ring is full.
        if (i % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      });
  EXPECT_EQ(alive.load(), 0) << "every result freed";
  EXPECT_LE(mostAlive.load(), static_cast<int>(2 * pictrove::kResultsPerThread + 2)) << "memory does not grow with the item count";
}

TEST(OrderedWork, NothingToDoAndErrorsReachTheCaller) {
  int calls = 0;
  RunInOrder(
      0, 4, [&](std::size_t) { return ++calls; }, [&](std::size_t, int&&) { ++calls; });
  EXPECT_EQ(calls, 0);
  for (int threads : {1, 3}) {
    EXPECT_THROW(RunInOrder(
                     50, threads,
                     [](std::size_t i) {
                       if (i == 17) throw std::runtime_error("bad item");
                       return i;
                     },
                     [](std::size_t, std::size_t&&) {}),
                 std::runtime_error)
        << threads;
    std::size_t consumed = 0;
    EXPECT_THROW(RunInOrder(
                     50, threads, [](std::size_t i) { return i; },
                     [&](std::size_t i, std::size_t&&) {
                       if (i == 9) throw std::runtime_error("cannot take it");
                       ++consumed;
                     }),
                 std::runtime_error);
    EXPECT_EQ(consumed, 9u) << "items after the failing one are not consumed";
  }
}

TEST(WorkerThreads, PinnedByTheEnvironmentOrTheMachinesCores) {
  const char* saved = std::getenv("PICTROVE_THREADS");
  const std::string previous = saved ? saved : "";
  const int cores = [] {
    unsetenv("PICTROVE_THREADS");
    return pictrove::WorkerThreads();
  }();
  EXPECT_GE(cores, 1);
  struct Case {
    const char* value;
    int expected;  // 0: the machine's count
  };
  const Case cases[] = {{"1", 1}, {"3", 3}, {"256", 256}, {"0", 0},  {"257", 0},
                        {"-2", 0}, {"2x", 0}, {"", 0},     {" 2", 0}, {"99999999999", 0}};
  for (const Case& c : cases) {
    setenv("PICTROVE_THREADS", c.value, 1);
    EXPECT_EQ(pictrove::WorkerThreads(), c.expected == 0 ? cores : c.expected) << "'" << c.value << "'";
    // Reading keeps a share's worth of reads in flight unless pinned.
    EXPECT_EQ(pictrove::ReadingThreads(),
              c.expected == 0 ? std::max(cores, pictrove::kReadsInFlight) : c.expected)
        << "'" << c.value << "'";
  }
  if (saved) {
    setenv("PICTROVE_THREADS", previous.c_str(), 1);
  } else {
    unsetenv("PICTROVE_THREADS");
  }
}

}  // namespace
}  // namespace coretest
