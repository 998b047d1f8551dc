// The real drawings of the shared folder: the sizes its README lists and
// byte-exact images, checked against a reading of the files made here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/builders/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Drawing {
  const char* name;
  std::uint32_t size;  // BMP bytes + 14, PNG bytes, or 0
  bool png;
};

constexpr Drawing kDrawings[] = {
    {"r11-old.dwg", 0, false},
    {"r13-example.dwg", 31304 + 14, false},
    {"r14-plan.dwg", 21944 + 14, false},
    {"r2000-sample.dwg", 16904 + 14, false},
    {"r2000-no-preview.dwg", 0, false},
    {"r2004-example.dwg", 31304 + 14, false},
    {"r2007-line.dwg", 27176 + 14, false},
    {"r2010-large-preview.dwg", 302120 + 14, false},
    {"r2013-arc.dwg", 1088, true},
    {"r2018-sample.dwg", 2015, true},
    {"r2018-no-image.dwg", 0, false},
};

std::int32_t i32(const Bytes& in, std::size_t at) { return static_cast<std::int32_t>(testsupport::getU32(in, at)); }

// The entry of that code in the file's preview directory, read directly.
bool findEntry(const Bytes& file, int wanted, std::int32_t* start, std::int32_t* size) {
  const auto locator = static_cast<std::size_t>(i32(file, 13));
  const int count = file.at(locator + 20);
  std::size_t at = locator + 21;
  bool found = false;
  for (int i = 0; i < count; ++i) {
    const int code = file.at(at++);
    if (code == 1 || code == 2 || code == 3 || code == 6) {
      if (code == wanted) {
        *start = i32(file, at);
        *size = i32(file, at + 4);
        found = true;
      }
      at += 8;
    }
  }
  return found;
}

class RealDrawings : public toolkittest::StartedToolkit {
 protected:
  void SetUp() override {
    if (testsupport::realDrawingsDir().empty()) GTEST_SKIP() << "the real drawings folder is absent";
    StartedToolkit::SetUp();
  }
  static std::string path(const Drawing& drawing) {
    return testsupport::realDrawingsDir() + "/" + drawing.name;
  }
};

}  // namespace

TEST_F(RealDrawings, SizesMatchTheListedPreviews) {
  for (const Drawing& drawing : kDrawings) {
    EXPECT_EQ(PreviewImageSize(path(drawing).c_str()), drawing.size) << drawing.name;
  }
}

TEST_F(RealDrawings, ExtractionIsByteExact) {
  for (const Drawing& drawing : kDrawings) {
    const Bytes file = testsupport::readFile(path(drawing));
    Bytes buffer(drawing.size + 16, 0xCC);
    std::uint32_t length = 0;
    const std::int16_t result = ExtractPreviewImage(path(drawing).c_str(), buffer.data(), drawing.size, &length);
    if (drawing.size == 0) {
      EXPECT_EQ(result, 0) << drawing.name;
      EXPECT_EQ(CurrentErrorNumber(), 23) << drawing.name;
      continue;
    }
    ASSERT_EQ(result, 1) << drawing.name;
    ASSERT_EQ(length, drawing.size) << drawing.name;
    std::int32_t start = 0;
    std::int32_t size = 0;
    ASSERT_TRUE(findEntry(file, drawing.png ? 6 : 2, &start, &size)) << drawing.name;
    Bytes expected;
    if (!drawing.png) {
      // Every real preview is 8-bit with a 256-entry table: rows at 14 + 40 + 1024.
      expected = {'B', 'M'};
      testsupport::putU32(expected, static_cast<std::uint32_t>(size) + 14);
      testsupport::putU32(expected, 0);
      testsupport::putU32(expected, 1078);
    }
    expected.insert(expected.end(), file.begin() + start, file.begin() + start + size);
    buffer.resize(length);
    EXPECT_EQ(buffer, expected) << drawing.name;
  }
}
