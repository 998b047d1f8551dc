#include "tests/toolkit/toolkit_test_support.h"

#include <cstdlib>
#include <utility>

#include "app/host/init_data_stream.h"
#include "toolkit/hooks.h"
#include "toolkit/host_functions.h"
#include "toolkit/startup.h"

namespace toolkittest {

void StartedToolkit::SetUp() {
  InstallToolkitHooks();
  std::int16_t error = -1;
  ASSERT_EQ(ToolkitStart(nullptr, &error), 1) << "error " << error;
}

void StartedToolkit::TearDown() {
  ToolkitStop();
  ResetInitDataHooks();
  SetCriticalErrorHandler(nullptr);
}

ScriptedMessageBoxes::ScriptedMessageBoxes(std::vector<int> answers) : answers_(std::move(answers)) {
  SetMessageBoxHandler([this](const std::string& text, UINT style) {
    shown_.push_back(Shown{text, style});
    if (answers_.empty()) return IDCANCEL;
    const int answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer;
  });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { SetMessageBoxHandler(nullptr); }

namespace {

int gFailAt = 0;
int gAllocations = 0;

void* CountingAllocate(std::size_t bytes) {
  ++gAllocations;
  if (gAllocations == gFailAt) return nullptr;
  return std::malloc(bytes);
}

}  // namespace

FailingAllocation::FailingAllocation(int failAt) {
  gFailAt = failAt;
  gAllocations = 0;
  SetHostAllocator(CountingAllocate);
}

FailingAllocation::~FailingAllocation() { SetHostAllocator(nullptr); }

int FailingAllocation::allocations() const { return gAllocations; }

std::vector<std::uint8_t> patternBytes(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

}  // namespace toolkittest
