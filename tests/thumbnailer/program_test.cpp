// pictrove-thumbnailer as the thumbnail services run it, over drawings made
// here: every kind of preview at the four standard sizes, into an output
// name without an extension, and the drawings that must fail cleanly.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/dialog/process_runner.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/dxf_builder.h"
#include "tools/builders/png_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::BmpLayout;
using Bytes = std::vector<std::uint8_t>;

constexpr int kExitNoThumbnail = 1;
constexpr int kExitUsage = 2;
constexpr int kExitWriteFailed = 3;

// An 8-bit run-length bitmap: each row one run of index 1 over the left
// half and one of index 2 over the right half.
Bytes RunLengthDib(int width, int height) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = 8;
  layout.compression = 1;
  layout.palette = {0xFFFFFF, 0x000000, 0x3060C0};
  layout.coloursUsed = 3;
  for (int y = 0; y < height; ++y) {
    layout.pixels.insert(layout.pixels.end(), {static_cast<std::uint8_t>(width / 2), 1,
                                               static_cast<std::uint8_t>(width - width / 2), 2, 0, 0});
  }
  layout.pixels.insert(layout.pixels.end(), {0, 1});
  return testsupport::dibBytes(layout);
}

Bytes IndexedDib(int width, int height, int bitCount) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount == 8) layout.palette = testsupport::greyPalette(256);
  layout.pixels = testsupport::packRows(width, height, bitCount, [bitCount](int x, int y) {
    if (bitCount == 24) return x < 10 ? 0xFF0000u : 0x20A040u;
    return static_cast<std::uint32_t>((x * 7 + y * 3) & 0xFF);
  });
  return testsupport::dibBytes(layout);
}

// RGBA: transparent left column band (which must come out white), an
// opaque dark blue elsewhere.
Bytes AlphaPng(std::uint32_t width, std::uint32_t height) {
  testsupport::PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.colourType = testsupport::kPngRgba;
  picture.sample = [](std::uint32_t x, std::uint32_t, int channel) -> std::uint32_t {
    if (channel == 3) return x < 8 ? 0 : 255;
    return channel == 2 ? 128 : 0;
  };
  return testsupport::pngFileBytes(picture);
}

struct Drawing {
  const char* name;
  Bytes bytes;
  std::uint32_t width = 0;  // the preview's size; 0 x 0 where the run must fail
  std::uint32_t height = 0;
};

const std::vector<Drawing>& Drawings() {
  static const std::vector<Drawing> drawings = [] {
    const Bytes bmp24 = testsupport::dwgWithDib("AC1018", IndexedDib(301, 701, 24));
    Bytes garbage(4000);
    std::uint32_t state = 12345;
    for (auto& b : garbage) b = static_cast<std::uint8_t>((state = state * 1103515245 + 12345) >> 24);
    return std::vector<Drawing>{
        {"bmp8", testsupport::dwgWithDib("AC1015", IndexedDib(600, 300, 8)), 600, 300},
        {"bmp24", bmp24, 301, 701},
        {"rle8", testsupport::dwgWithDib("AC1014", RunLengthDib(200, 90)), 200, 90},
        {"png-alpha", testsupport::dwgWithPng("AC1032", AlphaPng(1000, 250)), 1000, 250},
        {"no-preview", testsupport::DwgBuilder("AC1015").headerEntry().bytes()},
        {"truncated", Bytes(bmp24.begin(), bmp24.begin() + static_cast<long>(bmp24.size() / 2))},
        {"garbage", garbage},
        {"empty", {}},
        // DXF drawings, found by their content under the .dwg name.
        {"dxf24", testsupport::DxfBuilder().preview(IndexedDib(301, 701, 24)).bytes(), 301, 701},
        {"dxf-binary8",
         testsupport::DxfBuilder(testsupport::DxfKind::Binary).preview(IndexedDib(600, 300, 8)).bytes(), 600, 300},
    };
  }();
  return drawings;
}

// Decodes a PNG file to RGB; nullopt when it is not one.
struct Decoded {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Bytes rgb;
};
std::optional<Decoded> ReadPng(const Bytes& file) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (file.size() < 8 || !png_image_begin_read_from_memory(&image, file.data(), file.size()))
    return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  Decoded decoded{image.width, image.height, Bytes(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, decoded.rgb.data(), 0, nullptr)) return std::nullopt;
  return decoded;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

apptest::ProcessResult RunThumbnailer(const std::vector<std::string>& arguments) {
  return apptest::RunProgram(PICTROVE_THUMBNAILER, arguments, {}, 60);
}

class ThumbnailerRun : public testing::TestWithParam<std::tuple<std::size_t, std::uint32_t>> {};

TEST_P(ThumbnailerRun, WritesAFittedPngOrFailsLeavingNothing) {
  const Drawing& drawing = Drawings()[std::get<0>(GetParam())];
  const std::uint32_t size = std::get<1>(GetParam());
  const testsupport::TempDir dir;
  const std::string input = dir.write(std::string(drawing.name) + ".dwg", drawing.bytes);
  const std::string output = dir.file("thumbnail");
  const apptest::ProcessResult run = RunThumbnailer({"-s", std::to_string(size), input, output});

  if (drawing.width == 0) {
    EXPECT_EQ(run.exitCode, kExitNoThumbnail) << run.err;
    EXPECT_NE(run.err.find(input), std::string::npos) << run.err;
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{std::string(drawing.name) + ".dwg"});
    return;
  }
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{std::string(drawing.name) + ".dwg", "thumbnail"}));
  const std::optional<Decoded> png = ReadPng(testsupport::readFile(output));
  ASSERT_TRUE(png.has_value()) << "not a PNG file";
  const std::uint32_t longer = std::max(drawing.width, drawing.height);
  EXPECT_EQ(std::max(png->width, png->height), std::min(size, longer));
  EXPECT_LE(png->width, drawing.width);
  EXPECT_LE(png->height, drawing.height);
  // Proportions within the rounding of the shorter side to whole pixels.
  const auto skew = static_cast<std::int64_t>(png->width) * drawing.height -
                    static_cast<std::int64_t>(png->height) * drawing.width;
  EXPECT_LE(std::llabs(skew), longer / 2 + 1) << png->width << " x " << png->height;

  if (std::string(drawing.name) == "png-alpha") {
    // Transparent pixels were composed over white; opaque ones keep their blue.
    const std::uint8_t* first = png->rgb.data();
    EXPECT_GE(std::min({first[0], first[1], first[2]}), 250);
    const std::uint8_t* last = png->rgb.data() + png->rgb.size() - 3;
    EXPECT_LE(last[0], 5);
    EXPECT_NEAR(last[2], 128, 3);
  } else if (std::string(drawing.name) == "bmp24" || std::string(drawing.name) == "dxf24") {
    const std::uint8_t* last = png->rgb.data() + png->rgb.size() - 3;
    EXPECT_NEAR(last[0], 0x20, 3);
    EXPECT_NEAR(last[1], 0xA0, 3);
    EXPECT_NEAR(last[2], 0x40, 3);
  }
}

std::string CaseName(const testing::TestParamInfo<ThumbnailerRun::ParamType>& info) {
  std::string name = Drawings()[std::get<0>(info.param)].name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name + "_" + std::to_string(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Drawings, ThumbnailerRun,
                         testing::Combine(testing::Range<std::size_t>(0, 10),
                                          testing::Values(128u, 256u, 512u, 1024u)),
                         CaseName);

TEST(ThumbnailerProgram, BadArgumentsAndUnwritableOutputsLeaveNothing) {
  const testsupport::TempDir dir;
  const std::string input =
      dir.write("drawing.dwg", testsupport::dwgWithDib("AC1015", IndexedDib(40, 30, 8)));
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
  };
  const Case cases[] = {
      {{input}, kExitUsage},
      {{"-s", "0", input, dir.file("out")}, kExitUsage},
      {{"-s", "huge", input, dir.file("out")}, kExitUsage},
      {{"--bogus", input, dir.file("out")}, kExitUsage},
      {{input, dir.file("no-such-folder/out")}, kExitWriteFailed},
      {{input, dir.path()}, kExitWriteFailed},  // a folder in the output's place
      {{dir.file("missing.dwg"), dir.file("out")}, kExitNoThumbnail},
      {{dir.path(), dir.file("out")}, kExitNoThumbnail},  // a folder as the drawing
  };
  for (const Case& c : cases) {
    const apptest::ProcessResult run = RunThumbnailer(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.back() << "\n" << run.err;
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"drawing.dwg"});

  const apptest::ProcessResult help = RunThumbnailer({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: pictrove-thumbnailer"), std::string::npos);
}

}  // namespace
