// The toolkit's critical-error handler reports, among other things, that
// memory is exhausted: it must show its texts and end or return as always
// without allocating anything, and nothing it calls may throw out of it.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "app/host/critical_error.h"
#include "platform/message_box.h"
#include "tests/support/alloc_failure.h"

namespace {

using testsupport::AllocationFailure;

constexpr unsigned kEveryKind =
    testsupport::kGlobalMemory | testsupport::kOperatorNew | testsupport::kCAllocator;

TEST(CriticalErrorWithoutMemory, ShowsItsTextsAndEndsWithTheirCodes) {
  struct Case {
    std::int16_t code;
    int exitCode;
    const char* text;
  };
  // Without a toolkit the current error number is 0.
  const Case cases[] = {
      {1, 1, "Critical error: File read"},
      {2, 2, "Critical error: No error \\(0\\)"},
      {4, 4, "Critical error: write abort"},
      {5, 5, "Critical error: buffer overrun"},
      {6, 6, "Critical error: bad data detected"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          AllocationFailure nothing(kEveryKind, 1, true);
          ToolkitCriticalError(c.code);
        },
        ::testing::ExitedWithCode(c.exitCode), c.text)
        << "code " << c.code;
  }
}

TEST(CriticalErrorWithoutMemory, ReturnsWithoutAllocatingAnything) {
  for (const std::int16_t code : {std::int16_t{3}, std::int16_t{0}, std::int16_t{99}}) {
    ::testing::internal::CaptureStderr();
    std::int16_t answer = -1;
    std::uint64_t allocations = 0;
    {
      AllocationFailure counting(kEveryKind, 0);
      answer = ToolkitCriticalError(code);
      allocations = counting.allocations();
    }
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, 0) << "code " << code;
    EXPECT_EQ(allocations, 0u) << "code " << code;
    EXPECT_EQ(shown, code == 3 ? "Critical error: disk full\n" : "") << "code " << code;
  }
}

TEST(CriticalErrorWithoutMemory, AHandlerThatThrowsFallsBackToStandardError) {
  SetMessageBoxHandler([](const std::string&, UINT) -> int { throw std::bad_alloc(); });
  ::testing::internal::CaptureStderr();
  std::int16_t answer = -1;
  EXPECT_NO_THROW(answer = ToolkitCriticalError(3));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Critical error: disk full\n");
  EXPECT_EQ(answer, 0) << "Cancel, as without a handler";

  // A handler that answers is still asked, with the same text and style.
  std::string text;
  UINT style = 0;
  SetMessageBoxHandler([&](const std::string& t, UINT s) {
    text = t;
    style = s;
    return IDRETRY;
  });
  EXPECT_EQ(ToolkitCriticalError(3), 1);
  EXPECT_EQ(text, "Critical error: disk full");
  EXPECT_EQ(style, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
  SetMessageBoxHandler(nullptr);
}

}  // namespace
