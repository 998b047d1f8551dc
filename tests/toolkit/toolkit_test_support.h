// Helpers shared by the toolkit's tests: a started toolkit, scripted message
// boxes, an allocator that fails on request, and file fixtures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace toolkittest {

// Starts the toolkit with the embedded init data through the application's
// hooks before each test and stops it afterwards.
class StartedToolkit : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// Answers message boxes from a script (IDCANCEL once it runs out) and keeps
// what they showed.
class ScriptedMessageBoxes {
 public:
  explicit ScriptedMessageBoxes(std::vector<int> answers = {});
  ~ScriptedMessageBoxes();
  ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
  ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

  struct Shown {
    std::string text;
    UINT style;
  };
  const std::vector<Shown>& shown() const { return shown_; }

 private:
  std::vector<int> answers_;
  std::vector<Shown> shown_;
};

// While alive, the toolkit's allocation number `failAt` (1 = the next one)
// fails; the others succeed. Counts every allocation.
class FailingAllocation {
 public:
  explicit FailingAllocation(int failAt);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;
  int allocations() const;
};

// Bytes whose value depends on their position (position * 7 + position / 251),
// so that no two nearby blocks look alike.
std::vector<std::uint8_t> patternBytes(std::size_t length);

}  // namespace toolkittest
