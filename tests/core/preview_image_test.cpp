// Reading previews into a buffer kept from drawing to drawing: larger ones
// grow it, smaller ones reuse it, and what cannot be read leaves nothing
// behind; each thread learns its own outcome.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/core/preview_image.h"
#include "app/core/toolkit_session.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/support/temp_dir.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"

namespace coretest {
namespace {

using namespace pictrove;

TEST(PreviewImage, OneBufferServesDrawingsOfEverySize) {
  const ToolkitSession toolkit;
  ASSERT_TRUE(toolkit.started());
  testsupport::TempDir dir;
  struct Case {
    std::string name;
    std::vector<std::uint8_t> drawing;
    bool read;
    PreviewKind kind;
    // A DXF's image must equal the image of this DWG, read before it.
    std::string sameAs = {};
  };
  std::vector<std::uint8_t> cut = apptest::BmpDrawing(300, 200, 0x336699);
  cut.resize(cut.size() - 100);
  const Case cases[] = {
      {"small.dwg", apptest::BmpDrawing(20, 10, 0x102030), true, PreviewKind::Bmp},
      {"large.dwg", apptest::BmpDrawing(300, 200, 0x405060), true, PreviewKind::Bmp},  // 180 KB
      {"png.dwg", apptest::PngDrawing(30, 20, 0x708090), true, PreviewKind::Png},
      {"none.dwg", apptest::NoPreviewDrawing(), false, PreviewKind::Unknown},
      {"cut.dwg", cut, false, PreviewKind::Unknown},
      {"huge.dwg", apptest::BmpDrawing(700, 500, 0x112233), true, PreviewKind::Bmp},  // 1 MB
      {"small-again.dwg", apptest::BmpDrawing(20, 10, 0x102030), true, PreviewKind::Bmp},
      {"small.DXF", apptest::DxfDrawing(20, 10, 0x102030), true, PreviewKind::Bmp, "small.dwg"},
      {"large.dxf", apptest::DxfDrawing(300, 200, 0x405060), true, PreviewKind::Bmp, "large.dwg"},  // 360 KB
      // DXF content under another name is still read as DXF.
      {"dxf-named.dwg", apptest::DxfDrawing(20, 10, 0x102030), true, PreviewKind::Bmp, "small.dwg"},
  };
  PreviewImage image;
  for (const Case& c : cases) {
    const std::string path = dir.write(c.name, c.drawing);
    EXPECT_EQ(ReadPreviewImage(path, image), c.read) << c.name;
    EXPECT_EQ(image.kind, c.kind) << c.name;
    if (!c.read) {
      EXPECT_EQ(image.length, 0u) << c.name;
      continue;
    }
    // Exactly what the toolkit hands out for the drawing (or for the DWG
    // with the same bitmap), measured apart.
    const std::string dwg = c.sameAs.empty() ? path : dir.file(c.sameAs);
    const std::uint32_t size = PreviewImageSize(dwg.c_str());
    ASSERT_EQ(image.length, size) << c.name;
    std::vector<std::uint8_t> expected(size);
    std::uint32_t length = 0;
    ASSERT_EQ(ExtractPreviewImage(dwg.c_str(), expected.data(), size, &length), 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image.data.get())) << c.name;
    EXPECT_GE(image.capacity, image.length);
  }
  EXPECT_FALSE(ReadPreviewImage(dir.file("missing.dwg"), image));
  EXPECT_GE(image.capacity, 1'050'000u) << "the buffer kept its largest size";
  image.Trim(kKeptPreviewBytes);
  EXPECT_EQ(image.capacity, 0u) << "a buffer above the kept size is let go";
  ASSERT_TRUE(ReadPreviewImage(dir.file("small.dwg"), image));
  image.Trim(kKeptPreviewBytes);
  EXPECT_GT(image.capacity, 0u) << "a small buffer stays";
  // A limit leaves a larger preview unread, DXF twin and all, and takes
  // the smaller ones.
  image.largest = 500'000;
  EXPECT_FALSE(ReadPreviewImage(dir.file("huge.dwg"), image));
  EXPECT_TRUE(image.tooLarge);
  EXPECT_LE(image.capacity, 500'000u);
  EXPECT_TRUE(ReadPreviewImage(dir.file("large.dxf"), image));
  EXPECT_FALSE(image.tooLarge);
}

TEST(PreviewImage, EachThreadReadsItsOwnErrorNumber) {
  const ToolkitSession toolkit;
  ASSERT_TRUE(toolkit.started());
  testsupport::TempDir dir;
  const std::string none = dir.write("none.dwg", apptest::NoPreviewDrawing());
  const std::string good = dir.write("good.dwg", apptest::BmpDrawing(20, 10, 0x102030));
  std::vector<std::uint8_t> buffer(1 << 16);
  std::uint32_t length = 0;
  std::int16_t seenBeside = -1;
  ASSERT_EQ(ExtractPreviewImage(none.c_str(), buffer.data(), 1 << 16, &length), 0);
  std::thread beside([&] {
    std::vector<std::uint8_t> own(1 << 16);
    std::uint32_t ownLength = 0;
    ExtractPreviewImage(good.c_str(), own.data(), 1 << 16, &ownLength);
    seenBeside = ThreadErrorNumber();
  });
  beside.join();
  EXPECT_EQ(seenBeside, kErrNone);
  EXPECT_EQ(ThreadErrorNumber(), kErrNoPreview) << "the other thread's success is not this one's";
  EXPECT_EQ(CurrentErrorNumber(), kErrNone) << "the shared number holds the last one set";
}

}  // namespace
}  // namespace coretest
