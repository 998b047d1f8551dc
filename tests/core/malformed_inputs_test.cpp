// Every input that fuzzing found hostile (fuzz/malformed/<target>/) runs
// through the entry point of the target that found it, and must end in a
// clean failure or a well-formed success: a buffer as large as the reported
// picture, an error code on every failure, nothing left allocated.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/decode_preview.h"
#include "app/core/encoded_thumbnail.h"
#include "app/core/output_format.h"
#include "app/core/preview_image.h"
#include "app/core/thumbnail.h"
#include "app/core/toolkit_session.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "tests/support/temp_dir.h"
#include "toolkit/dxf_preview.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"

namespace coretest {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Checks one decoder result: null with an error code, or a block that holds
// width x height x bytesPerPixel and is given back here.
void ExpectCleanDecode(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                       std::size_t bytesPerPixel, const std::string& what) {
  if (pixels == nullptr) {
    EXPECT_NE(tsGetLastError(), TSERR_NONE) << what;
    return;
  }
  EXPECT_GT(width, 0u) << what;
  EXPECT_GT(height, 0u) << what;
  EXPECT_GE(GlobalSize(pixels), std::size_t{width} * height * bytesPerPixel) << what;
  GlobalFree(pixels);
}

void DecodeBmp(const Bytes& file, const std::string& what) {
  for (const std::int32_t depth : {24, 8, 1}) {
    ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
    ASSERT_NE(source, nullptr) << what;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t table[1024];
    std::uint8_t* pixels = tsReadBMP(source, &width, &height, depth, table);
    ExpectCleanDecode(pixels, width, height, depth == 24 ? 3 : 1, what + " at depth " + std::to_string(depth));
    tsCloseSource(source);
  }
}

void DecodePng(const Bytes& file, const std::string& what) {
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  ASSERT_NE(source, nullptr) << what;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t* pixels = tsReadPNG(source, &width, &height);
  ExpectCleanDecode(pixels, width, height, 3, what);
  tsCloseSource(source);
}

// Sizing and extraction as the preview target drives them.
void ExtractPreview(const std::string& drawing, const std::string& what) {
  const std::uint32_t reported = PreviewImageSize(drawing.c_str());
  std::vector<std::uint8_t> buffer(reported);
  std::uint32_t length = 0;
  if (ExtractPreviewImage(drawing.c_str(), buffer.data(), reported, &length) == 1) {
    EXPECT_EQ(length, reported) << what;
  } else {
    EXPECT_NE(ThreadErrorNumber(), kErrNone) << what;
  }
}

// Sizing and extraction as the DXF preview target drives them.
void ExtractDxfPreview(const std::string& drawing, const std::string& what) {
  const std::uint32_t reported = DxfPreviewImageSize(drawing.c_str());
  std::vector<std::uint8_t> buffer(reported);
  std::uint32_t length = 0;
  if (ExtractDxfPreviewImage(drawing.c_str(), buffer.data(), reported, &length) == 1) {
    EXPECT_EQ(length, reported) << what;
  } else {
    EXPECT_NE(ThreadErrorNumber(), kErrNone) << what;
  }
}

// The whole path: preview, decode, thumbnail, every writer into memory.
void WriteThumbnails(const std::string& drawing, const std::string& what) {
  using namespace pictrove;
  PreviewImage image;
  if (!ReadPreviewImage(drawing, image)) return;
  const RgbPicture picture = DecodePreview(image.data.get(), image.length);
  if (picture.empty()) return;
  auto canvas = std::make_unique<ThumbnailPixels>();
  ComposeThumbnail(picture, *canvas);
  for (int type = 0; type < kOutputFormatCount; ++type) {
    const EncodedThumbnail encoded = EncodeThumbnail(static_cast<OutputFormat>(type), canvas->data(), kThumbWidth, kThumbHeight);
    EXPECT_TRUE(encoded.ok) << what << " as type " << type;
    EXPECT_FALSE(encoded.bytes.empty()) << what << " as type " << type;
  }
}

TEST(MalformedInputs, EveryCommittedFuzzFindingFailsCleanlyThroughItsEntryPoint) {
  const pictrove::ToolkitSession toolkit;
  ASSERT_TRUE(toolkit.started());
  struct Target {
    const char* name;
    // Takes the bytes and the same bytes as a file.
    std::function<void(const Bytes&, const std::string&, const std::string&)> run;
  };
  const Target targets[] = {
      {"fuzz_read_bmp", [](const Bytes& b, const std::string&, const std::string& w) { DecodeBmp(b, w); }},
      {"fuzz_read_png", [](const Bytes& b, const std::string&, const std::string& w) { DecodePng(b, w); }},
      {"fuzz_preview", [](const Bytes&, const std::string& p, const std::string& w) { ExtractPreview(p, w); }},
      {"fuzz_dxf_preview", [](const Bytes&, const std::string& p, const std::string& w) { ExtractDxfPreview(p, w); }},
      {"fuzz_thumbnail_writers",
       [](const Bytes&, const std::string& p, const std::string& w) { WriteThumbnails(p, w); }},
  };
  testsupport::TempDir dir;
  const std::size_t gdiBefore = GdiLiveObjectCount();
  std::size_t inputs = 0;
  for (const Target& target : targets) {
    for (const std::string& path : testsupport::malformedInputs(target.name)) {
      const Bytes bytes = testsupport::readFile(path);
      const std::string what = std::string(target.name) + ": " + path.substr(path.find_last_of('/') + 1);
      // A copy in the scratch folder, so that nothing can touch the committed file.
      const std::string copy = dir.write("input.dwg", bytes);
      target.run(bytes, copy, what);
      ++inputs;
    }
  }
  EXPECT_EQ(GdiLiveObjectCount(), gdiBefore);
  if (inputs == 0) GTEST_SKIP() << "no committed fuzz findings";
}

}  // namespace
}  // namespace coretest
