// The application's glue: the init data stream over the embedded block and
// the critical-error handler's texts, buttons and outcomes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "app/host/critical_error.h"
#include "app/host/init_data_stream.h"
#include "platform/message_box.h"
#include "platform/resource.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/context.h"
#include "toolkit/hooks.h"

using toolkittest::ScriptedMessageBoxes;

namespace {

struct EmbeddedBlock {
  const std::uint8_t* data;
  DWORD size;
};

EmbeddedBlock embeddedBlock() {
  HRSRC resource = FindResourceA(nullptr, "#129", "INITDATA");
  return EmbeddedBlock{static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource))),
                       SizeofResource(nullptr, resource)};
}

}  // namespace

TEST(Resources, OnlyTheInitDataBlockExists) {
  const EmbeddedBlock block = embeddedBlock();
  ASSERT_NE(block.data, nullptr);
  EXPECT_GT(block.size, 11249u);
  EXPECT_EQ(FindResourceA(nullptr, "#130", "INITDATA"), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, "#129", "BITMAP"), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, nullptr, "INITDATA"), nullptr);
  EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST(InitDataStream, OpeningAgainStartsOverAtTheFirstByte) {
  const EmbeddedBlock block = embeddedBlock();
  void* handle = InitDataOpen(nullptr);
  EXPECT_EQ(handle, reinterpret_cast<void*>(1));
  EXPECT_EQ(InitDataReadByte(handle), block.data[0]);
  EXPECT_EQ(InitDataReadByte(handle), block.data[1]);
  InitDataOpen("ignored");
  EXPECT_EQ(InitDataReadByte(nullptr), block.data[0]) << "the handle is not looked at";
  EXPECT_EQ(InitDataClose(handle), 0);
  EXPECT_EQ(InitDataReadByte(handle), block.data[1]) << "closing does not reposition";
}

TEST(InitDataStream, ReadBlockDeliversWholeItemsAndAdvances) {
  const EmbeddedBlock block = embeddedBlock();
  InitDataOpen(nullptr);
  InitDataSeek(nullptr, 10, 0);
  std::uint8_t out[152];
  EXPECT_EQ(InitDataReadBlock(out, 4, 38, nullptr), 38u);
  EXPECT_EQ(std::memcmp(out, block.data + 10, 152), 0);
  EXPECT_EQ(TheInitDataStream().position, block.data + 162);

  InitDataSeek(nullptr, -5, 2);
  EXPECT_EQ(InitDataReadBlock(out, 2, 4, nullptr), 2u) << "five bytes left: two whole items";
  EXPECT_EQ(std::memcmp(out, block.data + block.size - 5, 4), 0);
  EXPECT_EQ(InitDataReadByte(nullptr), block.data[block.size - 1]);
  EXPECT_EQ(InitDataReadByte(nullptr), 0) << "nothing past the end";
  EXPECT_EQ(InitDataReadBlock(out, 1, 1, nullptr), 0u);
}

TEST(InitDataStream, SeeksFromEachOriginAndStaysInsideTheBlock) {
  const EmbeddedBlock block = embeddedBlock();
  InitDataOpen(nullptr);
  EXPECT_EQ(InitDataSeek(nullptr, -1, 2), 0);
  EXPECT_EQ(InitDataReadByte(nullptr), block.data[block.size - 1]);
  InitDataSeek(nullptr, 100, 0);
  InitDataSeek(nullptr, -40, 1);
  EXPECT_EQ(TheInitDataStream().position, block.data + 60);
  for (auto [offset, origin] : {std::pair{-1, 0}, std::pair{-61, 1}, std::pair{1, 2}, std::pair{5, 9}}) {
    InitDataSeek(nullptr, offset, origin);
    EXPECT_EQ(TheInitDataStream().position, block.data + 60) << offset << " from " << origin;
  }
}

TEST(InitDataStream, InstallingSetsTheFiveHooksAndTheHandler) {
  InstallToolkitHooks();
  const InitDataHooks& hooks = CurrentInitDataHooks();
  EXPECT_EQ(hooks.open, InitDataOpen);
  EXPECT_EQ(hooks.readByte, InitDataReadByte);
  EXPECT_EQ(hooks.readBlock, InitDataReadBlock);
  EXPECT_EQ(hooks.seek, InitDataSeek);
  EXPECT_EQ(hooks.close, InitDataClose);
  EXPECT_EQ(InstalledCriticalErrorHandler(), ToolkitCriticalError);
  ResetInitDataHooks();
  SetCriticalErrorHandler(nullptr);
}

TEST(CriticalError, DiskFullAsksAndReportsTheAnswer) {
  ScriptedMessageBoxes boxes({IDRETRY, IDCANCEL});
  EXPECT_EQ(ToolkitCriticalError(3), 1);
  EXPECT_EQ(ToolkitCriticalError(3), 0);
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].text, "Critical error: disk full");
  EXPECT_EQ(boxes.shown()[0].style, 53u);
}

TEST(CriticalError, AFileReadRetryReturnsZero) {
  ScriptedMessageBoxes boxes({IDRETRY});
  EXPECT_EQ(ToolkitCriticalError(1), 0);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "Critical error: File read");
  EXPECT_EQ(boxes.shown()[0].style, 53u);
}

TEST(CriticalError, UnknownCodesShowNothing) {
  ScriptedMessageBoxes boxes;
  for (std::int16_t code : {0, 7, -1, 258}) EXPECT_EQ(ToolkitCriticalError(code), 0) << code;
  EXPECT_TRUE(boxes.shown().empty());
}

namespace {

// Shows the box's text and style on standard error, so that a death test
// can check them, and answers `answer`.
void ShowOnStandardError(int answer) {
  SetMessageBoxHandler([answer](const std::string& text, UINT style) {
    std::fprintf(stderr, "[%s] style %u\n", text.c_str(), style);
    return answer;
  });
}

}  // namespace

TEST(CriticalErrorDeathTest, FatalCodesEndTheProgramWithTheirOwnExitCode) {
  struct Case {
    std::int16_t code;
    const char* shown;
  };
  const Case cases[] = {
      {4, "\\[Critical error: write abort\\] style 48"},
      {5, "\\[Critical error: buffer overrun\\] style 48"},
      {6, "\\[Critical error: bad data detected\\] style 48"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          ShowOnStandardError(IDOK);
          ToolkitCriticalError(c.code);
        },
        ::testing::ExitedWithCode(c.code), c.shown);
  }
}

TEST(CriticalErrorDeathTest, CancellingAFailedReadEndsTheProgramWithCode1) {
  EXPECT_EXIT(
      {
        ShowOnStandardError(IDCANCEL);
        ToolkitCriticalError(1);
      },
      ::testing::ExitedWithCode(1), "\\[Critical error: File read\\] style 53");
}

class CriticalErrorStarted : public toolkittest::StartedToolkit {};

TEST_F(CriticalErrorStarted, TheFatalCodeShowsTheCurrentErrorNumber) {
  gToolkitContext->errorNumber = 216;
  EXPECT_EXIT(
      {
        ShowOnStandardError(IDOK);
        ToolkitCriticalError(2);
      },
      ::testing::ExitedWithCode(2), "\\[Critical error: Can't allocate vm temp memory \\(216\\)\\] style 48");
  gToolkitContext->errorNumber = 23;
  EXPECT_EXIT(
      {
        ShowOnStandardError(IDOK);
        ToolkitCriticalError(2);
      },
      ::testing::ExitedWithCode(2), "\\[Critical error: No BMP present in this file \\(23\\)\\]");
}

TEST(MessageBoxDefault, WritesToStandardErrorAndCancelsRetryBoxes) {
  SetMessageBoxHandler(nullptr);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(AfxMessageBox("Asked", MB_RETRYCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("Told", MB_OK | MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Asked\nTold\n");
}
