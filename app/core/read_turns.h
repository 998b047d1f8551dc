// Turns for the steps of a many-threaded run that take processor time or
// much memory: many threads may wait on storage at once, while no more than
// a few decode, compose and encode, or hold a large preview. A turn given
// back wakes one waiting thread, not all of them (a counting semaphore woke
// them all, at some 45,000 context switches a run).
#pragma once

#include <condition_variable>
#include <mutex>

namespace pictrove {

class Turns {
 public:
  explicit Turns(int count) : free_(count > 1 ? count : 1) {}
  void Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [this] { return free_ > 0; });
    --free_;
  }
  void Give() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++free_;
    }
    freed_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  int free_;
};

// One thread's turn for one item: taken when it is first needed, given
// back when the item is done.
class Turn {
 public:
  explicit Turn(Turns& turns) : turns_(turns) {}
  ~Turn() {
    if (held_) turns_.Give();
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
  void Take() {
    if (held_) return;
    turns_.Take();
    held_ = true;
  }

 private:
  Turns& turns_;
  bool held_ = false;
};

}  // namespace pictrove
