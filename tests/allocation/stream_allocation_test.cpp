// Opening streams while memory runs out: the handle, its registry entry, the
// path and the file are all given back, and the failure is TSERR_MEMORY.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/tessera.h"
#include "tests/support/alloc_failure.h"
#include "tests/support/live_resources.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::AllocationFailure;
using testsupport::LiveResources;
using Bytes = std::vector<std::uint8_t>;

int openDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

struct Opened {
  ImageStream* stream;
  std::int32_t error;
};

class StreamAllocation : public ::testing::Test {
 protected:
  void SetUp() override { tsCleanup(); }  // the thread's state exists before anything fails
};

TEST_F(StreamAllocation, ARegistryThatCannotGrowFailsTheOpenCleanly) {
  // The handle registry is the only user of operator new on these paths:
  // its failure once escaped both entry points as std::bad_alloc, leaving
  // the handle, the path copy and the open file behind.
  const Bytes data(16, 7);
  testsupport::TempDir dir;
  const std::string path = dir.write("kept.bin", {1, 2, 3});
  const LiveResources before;
  const int descriptors = openDescriptors();
  Opened source{};
  Opened sink{};
  {
    AllocationFailure failure(testsupport::kOperatorNew, 1, true);
    source.stream = tsOpenMemorySource(data.data(), static_cast<std::uint32_t>(data.size()));
    source.error = tsGetLastError();
    sink.stream = tsOpenFileSink(path.c_str());
    sink.error = tsGetLastError();
    EXPECT_TRUE(failure.failed());
  }
  EXPECT_EQ(source.stream, nullptr);
  EXPECT_EQ(source.error, TSERR_MEMORY);
  EXPECT_EQ(sink.stream, nullptr);
  EXPECT_EQ(sink.error, TSERR_MEMORY);
  EXPECT_EQ(LiveResources{}, before);
  EXPECT_EQ(openDescriptors(), descriptors) << "the file was closed";
  EXPECT_EQ(testsupport::readFile(path), (Bytes{1, 2, 3})) << "nothing was opened for writing";
}

TEST_F(StreamAllocation, EveryFailedAllocationWhileOpeningIsTsErrMemory) {
  const Bytes data(16, 7);
  testsupport::TempDir dir;
  const std::string path = dir.file("out.bin");
  const LiveResources before;
  const int descriptors = openDescriptors();
  // fopen itself needs memory: without it the file cannot be opened.
  auto check = [&](const Opened& opened, bool failed, auto close, bool file = false) {
    if (opened.stream == nullptr) {
      EXPECT_TRUE(failed);
      if (!file || opened.error != TSERR_FILE_CREATE) {
        EXPECT_EQ(opened.error, TSERR_MEMORY);
      }
    } else {
      close(opened.stream);
    }
    EXPECT_EQ(LiveResources{}, before);
    EXPECT_EQ(openDescriptors(), descriptors);
  };
  testsupport::sweepEachAllocationKind(
      [&] {
        ImageStream* s = tsOpenMemorySource(data.data(), static_cast<std::uint32_t>(data.size()));
        return Opened{s, tsGetLastError()};
      },
      [&](const Opened& opened, bool failed) { check(opened, failed, tsCloseSource); });
  testsupport::sweepEachAllocationKind(
      [&] {
        ImageStream* s = tsOpenFileSink(path.c_str());
        return Opened{s, tsGetLastError()};
      },
      [&](const Opened& opened, bool failed) { check(opened, failed, tsCloseSink, true); });
}

}  // namespace
