// Status message texts and the current error number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/context.h"
#include "toolkit/messages.h"

namespace {

std::string text(std::int16_t number) { return ErrorText(number); }

}  // namespace

TEST(ErrorText, NumbersOutsideTheTableHaveOneText) {
  EXPECT_EQ(text(0), "No error");
  EXPECT_EQ(text(307), "Error reading ACIS object");
  for (std::int16_t number : {308, -1, 32767, -32768}) {
    EXPECT_EQ(text(number), "Error number out of range") << number;
  }
}

TEST(ErrorText, ComposedAndPlainEntries) {
  struct Case {
    std::int16_t number;
    const char* text;
  };
  const Case cases[] = {
      {1, "Can't allocate control block"},  // a stored first byte of 0 is a phrase code
      {2, "General failure"},
      {3, "Can't open file"},
      {4, "Error reading header"},
      {9, "Error in xdata read malloc"},
      {23, "No BMP present in this file"},
      {45, "Error loading linetypes"},
      {97, "Error deleting entity xdata"},
      {102, "Error freeing regapp"},
      {128, "Can't resolve header mlstyle"},
      {134, "Can't malloc for raster file write"},
      {135, "Error in raster data"},
      {162, "Attempt to read from null blob"},
      {182, "Unable to open init file"},
      {183, "Incorrect init file version"},
      {216, "Can't allocate vm temp memory"},
      {284, "Can't allocate Draftcore internal data"},
      {293, "Error allocating shapefile"},
      {294, "Can't init shfile system"},
  };
  for (const Case& c : cases) EXPECT_EQ(text(c.number), c.text) << c.number;
}

TEST(ErrorText, ComposedTextsShareOneBufferWhilePlainOnesStay) {
  const char* composed = ErrorText(3);
  const char* plain = ErrorText(2);
  const char* again = ErrorText(4);  // another call that composes
  EXPECT_EQ(composed, again);
  ErrorText(45);
  EXPECT_STREQ(composed, "Error loading linetypes") << "the first pointer now shows the second text";
  EXPECT_STREQ(plain, "General failure");
}

TEST(ErrorText, TheTableHas213ComposedEntriesOfAtMost45Characters) {
  const char* shared = ErrorText(1);
  int composed = 0;
  std::size_t longest = 0;
  for (std::int16_t number = 0; number < kMessageCount; ++number) {
    const char* message = ErrorText(number);
    ASSERT_GT(std::strlen(message), 0u) << number;
    if (message == shared) {
      ++composed;
      longest = std::max(longest, std::strlen(message));
    }
  }
  EXPECT_EQ(composed, 213);
  EXPECT_EQ(longest, 45u);
}

TEST(CurrentErrorNumber, IsZeroWithoutAToolkit) {
  ASSERT_EQ(gToolkitContext, nullptr);
  EXPECT_EQ(CurrentErrorNumber(), 0);
}

class CurrentErrorNumberStarted : public toolkittest::StartedToolkit {};

TEST_F(CurrentErrorNumberStarted, ReportsTheLow16Bits) {
  EXPECT_EQ(CurrentErrorNumber(), 0) << "after a successful start";
  gToolkitContext->errorNumber = 0x10000 + 216;
  EXPECT_EQ(CurrentErrorNumber(), 216);
  gToolkitContext->errorNumber = 0xFFFF;
  EXPECT_EQ(CurrentErrorNumber(), -1);
}
