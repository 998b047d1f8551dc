// Toolkit start-up and shutdown over init data built in the test and served
// by recording hooks: the banner check, the hook call sequence, what the
// context receives, each allocation failure and its error number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/host/critical_error.h"
#include "tools/builders/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/charset_tables.h"
#include "toolkit/context.h"
#include "toolkit/file_locator.h"
#include "toolkit/hooks.h"
#include "toolkit/init_data.h"
#include "toolkit/messages.h"
#include "toolkit/startup.h"

using testsupport::putI32;
using testsupport::putU16;
using toolkittest::FailingAllocation;

namespace {

constexpr int kFont1Entries = 100;
constexpr int kFont2Entries = 103;

std::int32_t slotPosition(int slot) { return (slot == 0 || slot == 1 || slot == 23) ? -1 : 20000 + 300 * slot; }

// Init data of the start-up layout with recognisable values: font indexes
// numbered from 1 (first font) and 501 (second) with offsets of 10 per
// shape, data blocks of a byte pattern.
std::vector<std::uint8_t> initDataBytes(const std::string& banner) {
  std::vector<std::uint8_t> out(banner.begin(), banner.end());
  out.push_back(0);
  for (int slot = 0; slot < 38; ++slot) putI32(out, slotPosition(slot));
  auto font = [&](int entries, int firstNumber, std::size_t dataBytes, std::uint8_t seed) {
    for (int i = 0; i < entries; ++i) {
      putU16(out, static_cast<std::uint32_t>(firstNumber + i));
      putI32(out, 10 * i);
    }
    for (std::size_t i = 0; i < dataBytes; ++i) out.push_back(static_cast<std::uint8_t>(seed + i * 3));
  };
  font(kFont1Entries, 1, 4998, 11);
  font(kFont2Entries, 501, 4832, 99);
  return out;
}

// In-memory init data behind hooks that record how they are called.
struct RecordingSource {
  std::vector<std::uint8_t> bytes;
  std::size_t position = 0;
  bool failOpen = false;
  std::vector<std::string> calls;  // "open", "byte", "block 4x1", "seek", "close"
  std::vector<const void*> handles;
};

RecordingSource gSource;
int gHandleTag;

void* RecordOpen(const char*) {
  gSource.calls.push_back("open");
  if (gSource.failOpen) return nullptr;
  gSource.position = 0;
  return &gHandleTag;
}

int RecordByte(void* handle) {
  gSource.calls.push_back("byte");
  gSource.handles.push_back(handle);
  return gSource.position < gSource.bytes.size() ? gSource.bytes[gSource.position++] : 0;
}

std::size_t RecordBlock(void* destination, std::size_t size, std::size_t count, void* handle) {
  gSource.calls.push_back("block " + std::to_string(size) + "x" + std::to_string(count));
  gSource.handles.push_back(handle);
  const std::size_t left = gSource.bytes.size() - gSource.position;
  const std::size_t items = std::min(count, size == 0 ? count : left / size);
  std::memcpy(destination, gSource.bytes.data() + gSource.position, items * size);
  gSource.position += items * size;
  return items;
}

int RecordSeek(void* handle, std::int32_t, int) {
  gSource.calls.push_back("seek");
  gSource.handles.push_back(handle);
  return 0;
}

int RecordClose(void* handle) {
  gSource.calls.push_back("close");
  gSource.handles.push_back(handle);
  return 0;
}

std::int16_t gHandlerCalls = 0;
std::int16_t ReturningHandler(std::int16_t) {
  ++gHandlerCalls;
  return 0;
}
std::int16_t OtherHandler(std::int16_t) { return 0; }

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gSource = RecordingSource{};
    gSource.bytes = initDataBytes("Init data for tests\nH");
    SetInitOpenHook(RecordOpen);
    SetInitReadByteHook(RecordByte);
    SetInitReadBlockHook(RecordBlock);
    SetInitSeekHook(RecordSeek);
    SetInitCloseHook(RecordClose);
    SetCriticalErrorHandler(nullptr);
  }
  void TearDown() override {
    ToolkitStop();
    ResetInitDataHooks();
    SetCriticalErrorHandler(nullptr);
  }

  // Starts and returns the error number reported (0 on success).
  std::int16_t start(const char* name = nullptr) {
    std::int16_t error = 0;
    const std::int16_t result = ToolkitStart(name, &error);
    EXPECT_EQ(result, error == 0 ? 1 : 0);
    return error;
  }
};

}  // namespace

TEST_F(StartupTest, ASingleHBannerIsAccepted) {
  gSource.bytes = initDataBytes("H");
  std::int16_t error = 77;
  EXPECT_EQ(ToolkitStart(nullptr, &error), 1);
  EXPECT_EQ(error, 77) << "untouched on success";
  EXPECT_EQ(CurrentErrorNumber(), 0);
}

TEST_F(StartupTest, BannersNotEndingInCapitalHAreRefused) {
  for (const char* banner : {"", "Init data\nh", "Init data\nH ", "HHHx"}) {
    gSource.bytes = initDataBytes(banner);
    EXPECT_EQ(start(), 183) << '"' << banner << '"';
    EXPECT_EQ(gToolkitContext, nullptr);
  }
}

TEST_F(StartupTest, AnInitDataSourceThatCannotOpenFailsWith182) {
  gSource.failOpen = true;
  EXPECT_EQ(start(), 182);
  EXPECT_EQ(gToolkitContext, nullptr) << "no context remains after a failed start";
  ToolkitStop();  // and stopping then does nothing
}

TEST_F(StartupTest, TheHooksAreCalledInTheLayoutsOrder) {
  ASSERT_EQ(start(), 0);
  std::vector<std::string> expected = {"open"};
  const std::string banner = "Init data for tests\nH";
  for (std::size_t i = 0; i <= banner.size(); ++i) expected.push_back("byte");
  for (int i = 0; i < 38; ++i) expected.push_back("block 4x1");
  for (int i = 0; i < kFont1Entries; ++i) {
    expected.push_back("block 2x1");
    expected.push_back("block 4x1");
  }
  expected.push_back("block 4998x1");
  for (int i = 0; i < kFont2Entries; ++i) {
    expected.push_back("block 2x1");
    expected.push_back("block 4x1");
  }
  expected.push_back("block 4832x1");
  expected.push_back("close");
  EXPECT_EQ(gSource.calls, expected);
  EXPECT_EQ(std::count_if(gSource.calls.begin(), gSource.calls.end(),
                          [](const std::string& c) { return c.rfind("block", 0) == 0; }),
            446);
  for (const void* handle : gSource.handles) EXPECT_EQ(handle, &gHandleTag);
  EXPECT_EQ(gSource.position, gSource.bytes.size()) << "everything was read";
}

TEST_F(StartupTest, TheContextReceivesTheFontsAndTablePositions) {
  ASSERT_EQ(start(), 0);
  const ToolkitContext* context = gToolkitContext;
  ASSERT_NE(context, nullptr);
  for (int i = 0; i < kFont1Entries; ++i) {
    ASSERT_EQ(context->font1Index[i].shapeNumber, 1 + i);
    ASSERT_EQ(context->font1Index[i].offset, 10 * i);
  }
  for (int i = 0; i < kFont2Entries; ++i) {
    ASSERT_EQ(context->font2Index[i].shapeNumber, 501 + i);
    ASSERT_EQ(context->font2Index[i].offset, 10 * i);
  }
  EXPECT_EQ(context->font1Data[0], 11);
  EXPECT_EQ(context->font1Data[4997], static_cast<std::uint8_t>(11 + 4997 * 3));
  EXPECT_EQ(context->font2Data[0], 99);
  EXPECT_EQ(context->font2Data[4831], static_cast<std::uint8_t>(99 + 4831 * 3));
  for (int slot = 0; slot < kCharsetSlotCount; ++slot) EXPECT_EQ(gCharsetSlots[slot].position, slotPosition(slot));

  ASSERT_NE(gCharsetSlots[0].table, nullptr);
  ASSERT_NE(gCharsetSlots[1].table, nullptr);
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(gCharsetSlots[0].table[code], code);
    EXPECT_EQ(gCharsetSlots[1].table[code], code < 128 ? code : 0);
  }
  EXPECT_EQ(gCharsetSlots[2].table, nullptr) << "the engine loads the other slots";

  ASSERT_NE(context->font1, nullptr);
  ASSERT_NE(context->font2, nullptr);
  EXPECT_STREQ(context->font1->name, "SIMPLEX.SHX");
  EXPECT_EQ(context->font1->flags, 4);
  EXPECT_EQ(context->font1->shapeCount, 100);
  EXPECT_EQ(context->font1->index, context->font1Index);
  EXPECT_EQ(context->font1->block->length, 4998);
  EXPECT_EQ(context->font1->block->data, context->font1Data);
  EXPECT_STREQ(context->font2->name, "GDT.SHX");
  EXPECT_EQ(context->font2->flags, 68);
  EXPECT_EQ(context->font2->headerShapeCount, 103);
  EXPECT_EQ(context->font2->block->length, 4832);
  const std::int16_t header[5] = {21, 6, 2, 0, 258};
  EXPECT_TRUE(std::equal(header, header + 5, context->font2->header));
  EXPECT_EQ(context->fileLocator, LocateToolkitFile);
}

TEST_F(StartupTest, StopFreesTheTablesAndMayBeRepeated) {
  ToolkitStop();  // before any start
  ASSERT_EQ(start(), 0);
  ToolkitStop();
  EXPECT_EQ(gToolkitContext, nullptr);
  EXPECT_EQ(gCharsetSlots[0].table, nullptr);
  ToolkitStop();
  ASSERT_EQ(start(), 0) << "the hooks keep their values for a later start";
}

TEST_F(StartupTest, StartingARunningToolkitReplacesIt) {
  ASSERT_EQ(start(), 0);
  ASSERT_EQ(start(), 0);
  EXPECT_NE(gToolkitContext, nullptr);
}

TEST_F(StartupTest, EachFailedAllocationReportsItsStepsNumber) {
  // Allocations in start-up order: context, small block, four work buffers,
  // four init data tables, the slot 0 and 1 tables, two font records with a
  // descriptor each.
  const std::int16_t expected[] = {284, 216, 11, 12, 9, 10, 182, 182, 182, 182, 182, 182, 293, 293, 293, 293};
  for (int failAt = 1; failAt <= 16; ++failAt) {
    FailingAllocation failing(failAt);
    EXPECT_EQ(start(), expected[failAt - 1]) << "allocation " << failAt;
    EXPECT_EQ(gToolkitContext, nullptr) << "allocation " << failAt;
  }
  FailingAllocation counting(0);
  EXPECT_EQ(start(), 0);
  EXPECT_EQ(counting.allocations(), 16);
}

TEST_F(StartupTest, AFailedSlotTableAllocationLeavesNoTableBehind) {
  FailingAllocation failing(12);  // the slot 1 table
  EXPECT_EQ(start(), 182);
  EXPECT_EQ(gCharsetSlots[0].table, nullptr);
}

TEST_F(StartupTest, AnInstalledHandlerEndsTheProgramWhenTheSmallBlockFails) {
  SetCriticalErrorHandler(ToolkitCriticalError);
  EXPECT_EXIT(
      {
        FailingAllocation failing(2);
        start();
      },
      ::testing::ExitedWithCode(2), "Critical error: Can't allocate vm temp memory \\(216\\)");
}

TEST_F(StartupTest, AnInstalledHandlerEndsTheProgramWhenAFontRecordFails) {
  SetCriticalErrorHandler(ToolkitCriticalError);
  EXPECT_EXIT(
      {
        FailingAllocation failing(15);
        start();
      },
      ::testing::ExitedWithCode(2), "Critical error: Error allocating shapefile \\(293\\)");
}

TEST_F(StartupTest, AHandlerThatReturnsFromAFatalCodeStillFailsTheStart) {
  SetCriticalErrorHandler(ReturningHandler);
  gHandlerCalls = 0;
  {
    FailingAllocation failing(2);
    EXPECT_EQ(start(), 216);
  }
  {
    FailingAllocation failing(13);
    EXPECT_EQ(start(), 293);
  }
  EXPECT_EQ(gHandlerCalls, 2);
  EXPECT_EQ(gToolkitContext, nullptr);
}

TEST_F(StartupTest, TheContextKeepsTheHandlerInstalledBeforeTheStart) {
  SetCriticalErrorHandler(ReturningHandler);
  ASSERT_EQ(start(), 0);
  SetCriticalErrorHandler(OtherHandler);
  EXPECT_EQ(gToolkitContext->criticalErrorHandler, ReturningHandler);
  ASSERT_EQ(start(), 0);
  EXPECT_EQ(gToolkitContext->criticalErrorHandler, OtherHandler);
}

TEST_F(StartupTest, TheNameIsRememberedUpTo512Characters) {
  ASSERT_EQ(start(), 0);
  EXPECT_STREQ(RememberedInitDataName(), "");
  const std::string longName(600, 'n');
  ASSERT_EQ(start(longName.c_str()), 0);
  EXPECT_EQ(std::string(RememberedInitDataName()), longName.substr(0, 512));
}

TEST_F(StartupTest, TheDefaultHooksReadTheInitDataFromAFile) {
  ResetInitDataHooks();
  testsupport::TempDir dir;
  const std::string path = dir.write("init.dat", initDataBytes("From a file\nH"));
  ASSERT_EQ(start(path.c_str()), 0);
  EXPECT_EQ(gToolkitContext->font2Index[102].shapeNumber, 603);
  EXPECT_EQ(gToolkitContext->font2Data[4831], static_cast<std::uint8_t>(99 + 4831 * 3));
  EXPECT_EQ(start(dir.file("missing.dat").c_str()), 182);
  const std::string wrong = dir.write("wrong.dat", initDataBytes("From a file\nG"));
  EXPECT_EQ(start(wrong.c_str()), 183);
}

TEST_F(StartupTest, ShortInitDataLeavesZerosNotStaleMemory) {
  gSource.bytes = initDataBytes("H");
  gSource.bytes.resize(gSource.bytes.size() - 4832 - 618);  // the second font is missing
  ASSERT_EQ(start(), 0) << "reads are not checked at start-up";
  EXPECT_EQ(gToolkitContext->font2Index[0].shapeNumber, 0);
  EXPECT_EQ(gToolkitContext->font2Data[100], 0);
}
