// The previews of the real drawings, as the toolkit hands them out, decode to
// the same pixels as Qt's image readers give for the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/host/init_data_stream.h"
#include "tests/imaging/decode_helpers.h"
#include "tests/imaging/qt_reference.h"
#include "tests/support/temp_dir.h"
#include "toolkit/preview.h"
#include "toolkit/startup.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class RealPreviews : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testsupport::realDrawingsDir().empty()) GTEST_SKIP() << "no folder of real drawings";
    InstallToolkitHooks();
    std::int16_t error = 0;
    ASSERT_EQ(ToolkitStart(nullptr, &error), 1) << "error " << error;
  }
  void TearDown() override { ToolkitStop(); }
};

TEST_F(RealPreviews, EveryPreviewDecodesAsQtDecodesIt) {
  int bitmaps = 0;
  int pngs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(testsupport::realDrawingsDir())) {
    if (entry.path().extension() != ".dwg") continue;
    const std::string path = entry.path().string();
    const std::uint32_t size = PreviewImageSize(path.c_str());
    if (size == 0) continue;
    Bytes file(size);
    std::uint32_t length = 0;
    ASSERT_EQ(ExtractPreviewImage(path.c_str(), file.data(), size, &length), 1) << path;
    file.resize(length);

    const bool isBitmap = file.size() > 2 && file[0] == 'B' && file[1] == 'M';
    const auto ours = isBitmap ? imagingtest::decodeBmp(file) : imagingtest::decodePng(file);
    ASSERT_TRUE(ours.ok) << path << " error " << ours.error;
    EXPECT_EQ(ours.error, TSERR_NONE) << path;
    const auto theirs = imagingtest::qtDecode(file);
    ASSERT_TRUE(theirs.ok) << path << ": Qt could not read it";
    EXPECT_EQ(ours.width, theirs.width) << path;
    EXPECT_EQ(ours.height, theirs.height) << path;
    ASSERT_EQ(ours.pixels.size(), theirs.rgb.size()) << path;
    // Opaque pictures agree exactly; compositing transparency may round apart by 1.
    EXPECT_LE(imagingtest::maxDifference(ours.pixels, theirs.rgb), theirs.hasAlpha ? 1 : 0) << path;
    (isBitmap ? bitmaps : pngs) += 1;
  }
  EXPECT_GE(bitmaps, 6) << "the folder's bitmap previews";
  EXPECT_GE(pngs, 2) << "the folder's PNG previews";
  std::printf("compared %d bitmap and %d PNG previews\n", bitmaps, pngs);
}

}  // namespace
