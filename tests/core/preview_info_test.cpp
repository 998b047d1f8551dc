// What the listing reads from a preview's header: kind and size without
// decoding, and nothing from a header that is cut short or refused.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/decode_preview.h"
#include "app/core/preview_info.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/png_builder.h"

namespace coretest {
namespace {

using namespace pictrove;

std::vector<std::uint8_t> Bmp(std::int32_t width, std::int32_t height, std::uint16_t bitCount = 24,
                              std::uint32_t compression = 0) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = bitCount;
  layout.compression = compression;
  if (bitCount <= 8) layout.palette = testsupport::greyPalette(1 << bitCount);
  return testsupport::bmpFileBytes(layout);  // the header is enough; rows may be missing
}

std::vector<std::uint8_t> Png(std::uint32_t width, std::uint32_t height) {
  testsupport::PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.sample = [](std::uint32_t, std::uint32_t, int) -> std::uint32_t { return 7; };
  return testsupport::pngFileBytes(picture);
}

TEST(PreviewInfo, SizeAndKindAsTheHeaderStatesThem) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    PreviewKind kind;
    std::uint32_t width, height;
  };
  std::vector<std::uint8_t> cut = Bmp(30, 20);
  cut.resize(53);
  std::vector<std::uint8_t> pngNoHeader = Png(5, 6);
  std::vector<std::uint8_t> pngSignature = Png(1, 1);
  pngSignature.resize(8);
  pngNoHeader[12] = 'X';  // the first chunk is not IHDR
  const Case cases[] = {
      {"bottom-up rows", Bmp(216, 140), PreviewKind::Bmp, 216, 140},
      {"top-down rows", Bmp(30, -20), PreviewKind::Bmp, 30, 20},
      {"8 bits", Bmp(7, 3, 8), PreviewKind::Bmp, 7, 3},
      {"run-length 4", Bmp(9, 9, 4, 2), PreviewKind::Bmp, 9, 9},
      {"run-length 8", Bmp(9, 9, 8, 1), PreviewKind::Bmp, 9, 9},
      {"bit fields", Bmp(9, 9, 16, 3), PreviewKind::Bmp, 9, 9},
      {"7 bits", Bmp(16, 16, 7), PreviewKind::Bmp, 0, 0},
      {"run-length 8 at 4 bits", Bmp(9, 9, 4, 1), PreviewKind::Bmp, 0, 0},
      {"unknown compression", Bmp(9, 9, 24, 9), PreviewKind::Bmp, 0, 0},
      {"no width", Bmp(0, 5), PreviewKind::Bmp, 0, 0},
      {"negative width", Bmp(-5, 5), PreviewKind::Bmp, 0, 0},
      {"no height", Bmp(5, 0), PreviewKind::Bmp, 0, 0},
      {"most negative height", Bmp(5, INT32_MIN), PreviewKind::Bmp, 0, 0},
      {"a side too long", Bmp(16385, 1), PreviewKind::Bmp, 0, 0},
      {"too many pixels", Bmp(4097, 4096), PreviewKind::Bmp, 0, 0},
      {"largest allowed", Bmp(4096, 4096), PreviewKind::Bmp, 4096, 4096},
      {"header cut short", cut, PreviewKind::Bmp, 0, 0},
      {"png", Png(597, 448), PreviewKind::Png, 597, 448},
      {"png without IHDR first", pngNoHeader, PreviewKind::Png, 0, 0},
      {"png signature only", pngSignature, PreviewKind::Png, 0, 0},
      {"neither", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, PreviewKind::Unknown, 0, 0},
      {"empty", {}, PreviewKind::Unknown, 0, 0},
  };
  for (const Case& c : cases) {
    const PreviewInfo info = ReadPreviewInfo(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()));
    EXPECT_EQ(info.kind, c.kind) << c.what;
    EXPECT_EQ(info.width, c.width) << c.what;
    EXPECT_EQ(info.height, c.height) << c.what;
  }
  EXPECT_EQ(ReadPreviewInfo(nullptr, 100).kind, PreviewKind::Unknown);
}

// For pictures that decode, the header and the decoder agree.
TEST(PreviewInfo, AgreesWithTheDecoder) {
  testsupport::BmpLayout eight;
  eight.width = 13;
  eight.height = -5;
  eight.bitCount = 8;
  eight.palette = testsupport::greyPalette(256);
  eight.pixels = testsupport::packRows(13, 5, 8, [](int x, int) { return static_cast<std::uint32_t>(x); }, true);
  for (const auto& file : {testsupport::bmpFileBytes(eight), Png(33, 21)}) {
    const auto length = static_cast<std::uint32_t>(file.size());
    const RgbPicture picture = DecodePreview(file.data(), length);
    ASSERT_FALSE(picture.empty());
    const PreviewInfo info = ReadPreviewInfo(file.data(), length);
    EXPECT_EQ(info.width, picture.width());
    EXPECT_EQ(info.height, picture.height());
  }
}

}  // namespace
}  // namespace coretest
