// Preview extraction from drawings built in the test: versions, directory
// walks, the bitmap file header, PNG previews, hostile and truncated files,
// the caller's capacity and the error numbers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/host/critical_error.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/context.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"

using testsupport::BmpLayout;
using testsupport::dibBytes;
using testsupport::dibOfSize;
using testsupport::DwgBuilder;
using testsupport::dwgWithDib;
using testsupport::dwgWithPng;
using toolkittest::FailingAllocation;

namespace {

using Bytes = std::vector<std::uint8_t>;

// What a bitmap file image must hold: the file header with the given
// pixel-data offset, then the bitmap data unchanged.
Bytes bitmapFile(const Bytes& dib, std::uint32_t pixelOffset) {
  Bytes out = {'B', 'M'};
  testsupport::putU32(out, static_cast<std::uint32_t>(dib.size() + 14));
  testsupport::putU32(out, 0);
  testsupport::putU32(out, pixelOffset);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

// Bytes that merely look like a PNG file; the toolkit hands them out as they are.
Bytes fakePng(std::size_t bytes) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (std::size_t i = out.size(); i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(i * 13));
  out.resize(bytes);
  return out;
}

struct Extraction {
  std::int16_t result;
  std::int16_t error;
  std::uint32_t length;
  Bytes image;
};

class PreviewTest : public toolkittest::StartedToolkit {
 protected:
  std::string write(const Bytes& bytes, const std::string& name = "drawing.dwg") { return dir_.write(name, bytes); }

  // Extracts into a buffer of `capacity` bytes (the reported size when not
  // given) followed by guard bytes that must stay untouched.
  Extraction extract(const std::string& path, std::optional<std::uint32_t> capacity = std::nullopt) {
    const std::uint32_t room = capacity.value_or(PreviewImageSize(path.c_str()));
    Bytes buffer(room + 64, 0xCC);
    Extraction out{};
    out.length = 0xDEADBEEF;
    out.result = ExtractPreviewImage(path.c_str(), buffer.data(), room, &out.length);
    out.error = CurrentErrorNumber();
    for (std::size_t i = room; i < buffer.size(); ++i) {
      if (buffer[i] != 0xCC) {
        ADD_FAILURE() << "byte " << i << " written past the capacity of " << room;
        break;
      }
    }
    buffer.resize(room);
    out.image = buffer;
    return out;
  }

  // The drawing yields no preview: size 0, extraction fails with 23.
  void expectNoPreview(const Bytes& drawing, const std::string& what) {
    const std::string path = write(drawing);
    EXPECT_EQ(PreviewImageSize(path.c_str()), 0u) << what;
    const Extraction got = extract(path, 4096);
    EXPECT_EQ(got.result, 0) << what;
    EXPECT_EQ(got.error, 23) << what;
    EXPECT_EQ(got.length, 0xDEADBEEF) << what << ": length written on failure";
  }

  testsupport::TempDir dir_;
};

}  // namespace

TEST_F(PreviewTest, VersionsWithAPreviewSectionHandOutTheBitmap) {
  const Bytes dib = dibOfSize(1500, 0);
  for (const char* version : {"AC1012", "AC1014", "AC1015", "AC1018", "AC1021", "AC1024", "AC1027", "AC1032"}) {
    const std::string path = write(dwgWithDib(version, dib));
    EXPECT_EQ(PreviewImageSize(path.c_str()), dib.size() + 14) << version;
    const Extraction got = extract(path);
    EXPECT_EQ(got.result, 1) << version;
    EXPECT_EQ(got.error, 0) << version;
    EXPECT_EQ(got.length, dib.size() + 14) << version;
    EXPECT_EQ(got.image, bitmapFile(dib, 1078)) << version;
  }
}

TEST_F(PreviewTest, OlderAndUnknownVersionsHaveNoPreview) {
  const Bytes dib = dibOfSize(200, 0);
  for (const char* version : {"AC1002", "AC1003", "AC1004", "AC1006", "AC1009", "AC1013", "AC1016", "ac1015",
                              "AC101", "AC1.50", "", "MC0.0"}) {
    expectNoPreview(dwgWithDib(version, dib), version);
  }
}

TEST_F(PreviewTest, OnlyTheFirstSixCharactersNameTheVersion) {
  const Bytes dib = dibOfSize(200, 0);
  const std::string path = write(DwgBuilder("AC1015\x06zzzzzz").headerEntry().bmp(dib).bytes());
  EXPECT_EQ(PreviewImageSize(path.c_str()), dib.size() + 14);
}

TEST_F(PreviewTest, DirectoriesWithoutABitmapEntryHaveNoPreview) {
  expectNoPreview(DwgBuilder("AC1015").bytes(), "no entries");
  expectNoPreview(DwgBuilder("AC1014").headerEntry().wmf(Bytes(300, 7)).bytes(), "header and metafile only");
  expectNoPreview(DwgBuilder("AC1015").headerEntry().bmp(dibOfSize(100, 0)).entryCount(1).bytes(),
                  "the count stops before the bitmap entry");
}

TEST_F(PreviewTest, EntryCountsOf128AndAboveMeanNoEntries) {
  for (std::uint8_t count : {0x80, 0x81, 0xFF}) {
    expectNoPreview(DwgBuilder("AC1015").bmp(dibOfSize(100, 0)).entryCount(count).bytes(),
                    "count " + std::to_string(count));
  }
  DwgBuilder most("AC1015");
  for (int i = 0; i < 126; ++i) most.codeOnly(0);
  const std::string path = write(most.bmp(dibOfSize(100, 0)).bytes());
  EXPECT_EQ(PreviewImageSize(path.c_str()), 114u) << "127 entries are all walked";
}

TEST_F(PreviewTest, TheLastBitmapEntryWins) {
  const Bytes first = dibOfSize(300, 0);
  const Bytes second = dibOfSize(500, 16);
  const std::string path = write(DwgBuilder("AC1015").bmp(first).bmp(second).bytes());
  EXPECT_EQ(PreviewImageSize(path.c_str()), 514u);
  EXPECT_EQ(extract(path).image, bitmapFile(second, 14 + 40 + 64));
}

TEST_F(PreviewTest, OtherEntryCodesAreASingleByte) {
  const Bytes dib = dibOfSize(400, 0);
  // 0x85 is a negative code; 4 and 127 are unknown ones.
  const std::string path =
      write(DwgBuilder("AC1015").codeOnly(4).headerEntry().codeOnly(127).codeOnly(-123).bmp(dib).bytes());
  EXPECT_EQ(PreviewImageSize(path.c_str()), dib.size() + 14);
  EXPECT_EQ(extract(path).image, bitmapFile(dib, 1078));
}

TEST_F(PreviewTest, PixelDataOffsetFollowsTheHeaderAndColourTable) {
  struct Case {
    std::uint16_t bits;
    std::uint32_t coloursUsed;
    std::uint32_t compression;
    std::uint32_t headerSize;
    std::uint32_t offset;
  };
  const Case cases[] = {
      {8, 0, 0, 40, 1078},          // 256 entries
      {8, 16, 0, 40, 118},          // colours-used counts
      {4, 0, 0, 40, 118},           // 16 entries
      {1, 0, 0, 40, 62},            // 2 entries
      {24, 0, 0, 40, 54},           // no table
      {32, 0, 0, 40, 54},
      {24, 2, 0, 40, 62},           // a table the rows do not need
      {16, 0, 3, 40, 66},           // bit-field masks after a 40-byte header
      {32, 0, 3, 108, 122},         // masks inside a larger header
      {8, 0xFFFFFFFF, 0, 40, 0xFFFFFFFF},  // absurd counts saturate
  };
  for (const Case& c : cases) {
    BmpLayout bitmap;
    bitmap.bitCount = c.bits;
    bitmap.coloursUsed = c.coloursUsed;
    bitmap.compression = c.compression;
    bitmap.headerSize = c.headerSize;
    bitmap.pixels.assign(64, 0x5A);
    const Bytes dib = dibBytes(bitmap);
    const std::string path = write(dwgWithDib("AC1018", dib));
    const Extraction got = extract(path);
    ASSERT_EQ(got.result, 1);
    EXPECT_EQ(testsupport::getU32(got.image, 10), c.offset)
        << c.bits << " bits, " << c.coloursUsed << " colours, compression " << c.compression;
  }
}

TEST_F(PreviewTest, LargeBitmapsAreCopiedWhole) {
  for (std::size_t bytes : {std::size_t{8192}, std::size_t{8193}, std::size_t{3 * 8192}, std::size_t{70000},
                            std::size_t{40 * 8192 + 77}}) {
    const Bytes dib = dibOfSize(bytes, 0);
    const std::string path = write(dwgWithDib("AC1024", dib));
    EXPECT_EQ(PreviewImageSize(path.c_str()), bytes + 14) << bytes;
    const Extraction got = extract(path);
    ASSERT_EQ(got.result, 1) << bytes;
    EXPECT_EQ(got.length, bytes + 14);
    EXPECT_EQ(testsupport::getU32(got.image, 2), bytes + 14);
    EXPECT_EQ(got.image, bitmapFile(dib, 1078)) << bytes;
  }
}

TEST_F(PreviewTest, APngOnlyPreviewIsHandedOutUnchanged) {
  const Bytes png = fakePng(5 * 8192 + 9);
  const std::string path = write(dwgWithPng("AC1032", png));
  EXPECT_EQ(PreviewImageSize(path.c_str()), png.size());
  const Extraction got = extract(path);
  EXPECT_EQ(got.result, 1);
  EXPECT_EQ(got.length, png.size());
  EXPECT_EQ(got.image, png);
}

TEST_F(PreviewTest, ABitmapEntryIsPreferredToAPng) {
  const Bytes dib = dibOfSize(600, 0);
  const Bytes png = fakePng(100);
  for (const Bytes& drawing : {DwgBuilder("AC1027").png(png).bmp(dib).bytes(),
                               DwgBuilder("AC1027").bmp(dib).png(png).bytes()}) {
    const std::string path = write(drawing);
    EXPECT_EQ(PreviewImageSize(path.c_str()), dib.size() + 14);
    EXPECT_EQ(extract(path).image, bitmapFile(dib, 1078));
  }
}

TEST_F(PreviewTest, HostileEntriesAreNoPreview) {
  const std::int32_t dataAt = 200;
  const Bytes padding(4000, 0);
  struct Case {
    std::int8_t code;
    std::int32_t start;
    std::int32_t size;
    const char* what;
  };
  const Case cases[] = {
      {2, dataAt, 0, "size 0"},
      {2, dataAt, -40, "negative size"},
      {2, -1, 100, "negative start"},
      {2, INT32_MIN, 100, "most negative start"},
      {2, dataAt, 39, "shorter than the information header"},
      {2, dataAt, 3801, "ends one byte past the end"},
      {2, dataAt, 5 * 8192, "several blocks, running past the end"},
      {2, 4000, 1, "starts at the end"},
      {2, dataAt, INT32_MAX, "huge size"},
      {2, INT32_MAX, INT32_MAX, "start and size overflow together"},
      {6, dataAt, 0, "PNG of size 0"},
      {6, dataAt, -1, "PNG of negative size"},
      {6, -7, 10, "PNG with negative start"},
      {6, dataAt, 3801, "PNG past the end"},
  };
  for (const Case& c : cases) {
    expectNoPreview(DwgBuilder("AC1027").rawEntry(c.code, c.start, c.size).padTo(4000).bytes(), c.what);
  }
  // The edge that still fits.
  const std::string path = write(DwgBuilder("AC1027").rawEntry(2, dataAt, 3800).padTo(4000).bytes());
  EXPECT_EQ(PreviewImageSize(path.c_str()), 3814u);
}

TEST_F(PreviewTest, AHostileBitmapEntryIsNotReplacedByThePng) {
  expectNoPreview(DwgBuilder("AC1032").png(fakePng(100)).rawEntry(2, 100, -5).bytes(), "bad bitmap, good PNG");
}

TEST_F(PreviewTest, PreviewsAbove16MiBAreRefused) {
  constexpr std::int32_t kLimit = 16 * 1024 * 1024;
  for (const auto& [size, expected] : {std::pair{kLimit + 1, 0u}, std::pair{kLimit, kLimit + 14u}}) {
    const std::string path = write(DwgBuilder("AC1032").rawEntry(2, 1024, size).bytes());
    ASSERT_EQ(truncate(path.c_str(), kLimit + 4096), 0);  // sparse: the data lies inside the file
    EXPECT_EQ(PreviewImageSize(path.c_str()), expected) << size;
  }
}

TEST_F(PreviewTest, LocatorsOutsideTheFileFindNoDirectory) {
  const Bytes dib = dibOfSize(100, 0);
  const std::size_t length = DwgBuilder("AC1015").bmp(dib).bytes().size();
  for (std::int32_t locator : {-1, -16, INT32_MIN, INT32_MAX, INT32_MAX - 20, static_cast<std::int32_t>(length),
                               static_cast<std::int32_t>(length - 20)}) {
    expectNoPreview(DwgBuilder("AC1015").bmp(dib).locator(locator).bytes(), "locator " + std::to_string(locator));
  }
}

TEST_F(PreviewTest, EveryTruncationOfADrawingFailsCleanly) {
  const Bytes dib = dibOfSize(300, 0);
  const Bytes whole = dwgWithDib("AC1015", dib);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    const std::string path = write(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    ASSERT_EQ(PreviewImageSize(path.c_str()), 0u) << length;
    const Extraction got = extract(path, 4096);
    ASSERT_EQ(got.result, 0) << length;
    ASSERT_EQ(got.error, length == 0 ? 3 : 23) << length;
  }
  EXPECT_EQ(PreviewImageSize(write(whole).c_str()), dib.size() + 14);
}

TEST_F(PreviewTest, FilesThatCannotBeOpenedSetErrorNumber3) {
  ASSERT_EQ(mkdir(dir_.file("folder.dwg").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(dir_.file("pipe.dwg").c_str(), 0644), 0);
  for (const std::string& path : {dir_.file("missing.dwg"), dir_.file("folder.dwg"), dir_.file("pipe.dwg"),
                                  write({}, "empty.dwg")}) {
    EXPECT_EQ(ExtractPreviewImage(path.c_str(), nullptr, 0, nullptr), 0) << path;
    EXPECT_EQ(CurrentErrorNumber(), 3) << path;
    gToolkitContext->errorNumber = 0;
    EXPECT_EQ(PreviewImageSize(path.c_str()), 0u) << path;
    EXPECT_EQ(CurrentErrorNumber(), 3) << path;
  }
}

TEST_F(PreviewTest, SizingLeavesTheErrorNumberAloneWhileExtractionSetsIt) {
  const std::string none = write(DwgBuilder("AC1015").bytes(), "none.dwg");
  const std::string old = write(dwgWithDib("AC1009", dibOfSize(100, 0)), "old.dwg");
  const std::string good = write(dwgWithDib("AC1015", dibOfSize(100, 0)), "good.dwg");
  gToolkitContext->errorNumber = 135;
  EXPECT_EQ(PreviewImageSize(none.c_str()), 0u);
  EXPECT_EQ(PreviewImageSize(old.c_str()), 0u);
  EXPECT_EQ(PreviewImageSize(good.c_str()), 114u);
  EXPECT_EQ(CurrentErrorNumber(), 135);
  EXPECT_EQ(extract(good).error, 0);
  EXPECT_EQ(extract(old, 200).error, 23);
}

TEST_F(PreviewTest, ACapacityTooSmallFailsWithoutWritingPastIt) {
  const Bytes dib = dibOfSize(20000, 0);
  const std::string path = write(dwgWithDib("AC1015", dib));
  for (std::uint32_t capacity : {0u, 10u, 14u, 20013u}) {
    const Extraction got = extract(path, capacity);  // checks the guard bytes
    EXPECT_EQ(got.result, 0) << capacity;
    EXPECT_EQ(got.error, 135) << capacity;
    EXPECT_EQ(got.length, 0xDEADBEEF) << capacity;
  }
  std::uint32_t length = 0;
  EXPECT_EQ(ExtractPreviewImage(path.c_str(), nullptr, 100000, &length), 0);
  EXPECT_EQ(CurrentErrorNumber(), 135);
  const Extraction roomy = extract(path, 30000);
  EXPECT_EQ(roomy.result, 1);
  EXPECT_EQ(roomy.length, 20014u);
}

TEST_F(PreviewTest, ADrawingThatChangesBetweenTheTwoCallsIsReadAgain) {
  const std::string path = write(dwgWithDib("AC1015", dibOfSize(1000, 0)));
  const std::uint32_t size = PreviewImageSize(path.c_str());
  write(dwgWithDib("AC1015", dibOfSize(5000, 0)));
  EXPECT_EQ(extract(path, size).error, 135) << "the preview no longer fits";
  write(DwgBuilder("AC1015").bytes());
  EXPECT_EQ(extract(path, size).error, 23);
}

namespace {

std::int16_t gFatalCalls = 0;
std::int16_t ReturnFromFatal(std::int16_t code) {
  if (code == 2) ++gFatalCalls;
  return 0;
}

}  // namespace

TEST_F(PreviewTest, NoMemoryForTheTransferBufferFailsWith134) {
  const std::string path = write(dwgWithDib("AC1015", dibOfSize(100, 0)));
  Bytes buffer(114);
  std::uint32_t length = 0;
  // Opening takes the record and eight block buffers; the transfer buffer is next.
  gToolkitContext->criticalErrorHandler = nullptr;
  {
    FailingAllocation failing(10);
    EXPECT_EQ(ExtractPreviewImage(path.c_str(), buffer.data(), 114, &length), 0);
  }
  EXPECT_EQ(CurrentErrorNumber(), 134);

  gToolkitContext->criticalErrorHandler = ReturnFromFatal;
  gFatalCalls = 0;
  {
    FailingAllocation failing(10);
    EXPECT_EQ(ExtractPreviewImage(path.c_str(), buffer.data(), 114, &length), 0);
  }
  EXPECT_EQ(gFatalCalls, 1);
  EXPECT_EQ(CurrentErrorNumber(), 134);

  gToolkitContext->criticalErrorHandler = ToolkitCriticalError;
  EXPECT_EXIT(
      {
        FailingAllocation failing(10);
        ExtractPreviewImage(path.c_str(), buffer.data(), 114, &length);
      },
      ::testing::ExitedWithCode(2), "Critical error: Can't malloc for raster file write \\(134\\)");
}

TEST(PreviewWithoutToolkit, ReportsNothingAndDoesNotCrash) {
  EXPECT_EQ(PreviewImageSize("/nonexistent/drawing.dwg"), 0u);
  EXPECT_EQ(ExtractPreviewImage("/nonexistent/drawing.dwg", nullptr, 0, nullptr), 0);
}

// Found by fuzzing: a BMP entry may start at 0 and cover nearly the whole
// file, so the image (data + 14) is larger than the drawing itself.
TEST_F(PreviewTest, FuzzBitmapEntryCoveringTheWholeFile) {
  constexpr std::int32_t kFileBytes = 115;
  const Bytes drawing = DwgBuilder("AC1024").rawEntry(2, 0, kFileBytes - 1).padTo(kFileBytes).bytes();
  const std::string path = write(drawing);
  EXPECT_EQ(PreviewImageSize(path.c_str()), kFileBytes - 1 + 14u);
  const Extraction got = extract(path);
  ASSERT_EQ(got.result, 1);
  EXPECT_EQ(got.length, kFileBytes - 1 + 14u);
  EXPECT_TRUE(std::equal(drawing.begin(), drawing.end() - 1, got.image.begin() + 14));
}
