// What every writer does with bad sinks and failing files: the codes of each
// failure, and no size reported for a file that was not written completely.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "imaging/core/image_stream.h"
#include "tests/support/temp_dir.h"
#include "tests/writers/writer_test_support.h"

using namespace writertest;

namespace {

struct Writer {
  const char* name;
  std::function<std::uint32_t(ImageStream*, const Picture&)> write;
};

// Each writer as the application calls it, on a 24-bit RGB picture.
const Writer kWriters[] = {
    {"BMP", [](ImageStream* s, const Picture& p) {
       return tsWriteBMP(s, p.pixels.data(), p.width, p.height, 24, 0, nullptr, 0);
     }},
    {"JPG", [](ImageStream* s, const Picture& p) {
       return tsWriteJPG(s, p.pixels.data(), p.width, p.height, 100, 1, 24, nullptr);
     }},
    {"PCX", [](ImageStream* s, const Picture& p) {
       return tsWritePCX(s, p.pixels.data(), p.width, p.height, 24, nullptr);
     }},
    {"PNG", [](ImageStream* s, const Picture& p) {
       return tsWritePNG(s, p.pixels.data(), p.width, p.height, p.width * 3, 8, 0, nullptr, 2, 0.0,
                         0, nullptr);
     }},
    {"TIFF", [](ImageStream* s, const Picture& p) {
       return tsWriteTIFF(s, p.pixels.data(), p.width, p.height, 24, nullptr, 1, nullptr);
     }},
};

}  // namespace

TEST(WriterFailures, NullAndForeignSinksAreRefused) {
  const Picture in = mixedRgb(4, 4, 1);
  // A record with the right signatures that was never opened by the library.
  ImageStream forged{};
  forged.signature1 = tessera::kSignature1;
  forged.signature2 = tessera::kSignature2;
  forged.kind = tessera::kFileStream;
  forged.file = stderr;
  forged.writable = 1;
  for (const Writer& w : kWriters) {
    EXPECT_EQ(w.write(nullptr, in), 0u) << w.name;
    EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM) << w.name;
    EXPECT_EQ(w.write(&forged, in), 0u) << w.name;
    EXPECT_EQ(tsGetLastError(), TSERR_BAD_STREAM) << w.name;
  }
}

TEST(WriterFailures, ASourceCannotBeWrittenTo) {
  const Picture in = mixedRgb(4, 4, 2);
  const std::uint8_t byte = 0;
  // A failed header write keeps the code callers of the bitmap writer know;
  // libtiff fails while opening, the others on their first write.
  const std::int32_t expected[] = {TSERR_MEMORY, TSERR_WRITE, TSERR_WRITE, TSERR_WRITE,
                                   TSERR_TIFF_OPEN};
  for (std::size_t i = 0; i < std::size(kWriters); ++i) {
    ImageStream* source = tsOpenMemorySource(&byte, 1);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(kWriters[i].write(source, in), 0u) << kWriters[i].name;
    EXPECT_EQ(tsGetLastError(), expected[i]) << kWriters[i].name;
    tsCloseSource(source);
  }
}

TEST(WriterFailures, AFullDiskIsAlwaysReported) {
  // A tiny picture fits the stream's buffer and fails only at the final
  // flush; a thumbnail fails in the middle of the data.
  const Picture pictures[] = {mixedRgb(4, 4, 3), mixedRgb(180, 140, 4)};
  for (const Picture& in : pictures) {
    for (const Writer& w : kWriters) {
      ImageStream* full = tsOpenFileSink("/dev/full");
      ASSERT_NE(full, nullptr);
      EXPECT_EQ(w.write(full, in), 0u) << w.name << " " << in.width;
      EXPECT_EQ(tsGetLastError(), TSERR_WRITE) << w.name << " " << in.width;
      tsCloseSink(full);
    }
  }
}

TEST(WriterFailures, AnUnwritableFolderFailsAtOpen) {
  testsupport::TempDir dir;
  const std::string plainFile = dir.write("plain", {1});
  std::vector<std::string> paths = {plainFile + "/out.bmp"};
  const std::string locked = dir.file("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  // Root may write into a read-only folder; then only the other path applies.
  if (access(locked.c_str(), W_OK) != 0) paths.push_back(locked + "/out.bmp");
  for (const std::string& path : paths) {
    EXPECT_EQ(tsOpenFileSink(path.c_str()), nullptr) << path;
    EXPECT_EQ(tsGetLastError(), TSERR_FILE_CREATE) << path;
  }
}

TEST(WriterFailures, SuccessClearsTheLastError) {
  testsupport::TempDir dir;
  const Picture in = mixedRgb(9, 5, 5);
  for (const Writer& w : kWriters) {
    ASSERT_EQ(w.write(nullptr, in), 0u);
    const Written ok = writeFile(dir.file(w.name), [&](ImageStream* s) { return w.write(s, in); });
    EXPECT_EQ(ok.error, TSERR_NONE) << w.name;
    EXPECT_EQ(ok.result, ok.file.size()) << w.name;
  }
}
