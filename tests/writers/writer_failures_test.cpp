// What every writer does with bad sinks and failing files: the codes of each
// failure with the system's reason, no size reported for a file that was not
// written completely, and the same bytes whichever kind of sink they go to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "imaging/core/image_stream.h"
#include "imaging/writers/writer_support.h"
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
      EXPECT_EQ(tsGetLastSystemError(), ENOSPC) << w.name << " " << in.width;
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
    EXPECT_NE(tsGetLastSystemError(), 0) << path;
  }
}

TEST(WriterFailures, AFullMemorySinkFailsLikeAFullDisk) {
  // 60 bytes: a bitmap's headers fit, nothing else does.
  const Picture in = mixedRgb(180, 140, 6);
  for (const Writer& w : kWriters) {
    ImageStream* small = tsOpenMemorySink(60);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(w.write(small, in), 0u) << w.name;
    EXPECT_EQ(tsGetLastError(), TSERR_WRITE) << w.name;
    EXPECT_EQ(tsGetLastSystemError(), EFBIG) << w.name;
    std::uint32_t size = 0;
    EXPECT_NE(tsMemorySinkData(small, &size), nullptr);
    EXPECT_LE(size, 60u) << w.name;
    tsCloseSink(small);
  }
}

TEST(WriterSinks, EveryWriterWritesTheSameBytesToMemoryAsToAFile) {
  testsupport::TempDir dir;
  const Picture rgb = mixedRgb(181, 67, 12);
  const Picture indices{97, 31, 1, noise(97 * 31, 13)};
  const Bytes palette = distinctPalette();
  const ResolutionInfo dpi{300, 150, 2};
  struct Call {
    const char* name;
    std::function<std::uint32_t(ImageStream*)> write;
  };
  const std::uint8_t* p = rgb.pixels.data();
  const std::uint8_t* i = indices.pixels.data();
  const std::uint8_t* pal = palette.data();
  const Call calls[] = {
      {"BMP 24", [&](ImageStream* s) { return tsWriteBMP(s, p, 181, 67, 24, 0, nullptr, 0); }},
      {"BMP 8", [&](ImageStream* s) { return tsWriteBMP(s, i, 97, 31, 8, 256, pal, 0); }},
      {"BMP run-length", [&](ImageStream* s) { return tsWriteBMP(s, i, 97, 31, 8, 256, pal, 1); }},
      {"PCX 24", [&](ImageStream* s) { return tsWritePCX(s, p, 181, 67, 24, nullptr); }},
      {"PCX 8", [&](ImageStream* s) { return tsWritePCX(s, i, 97, 31, 8, pal); }},
      {"JPG", [&](ImageStream* s) { return tsWriteJPG(s, p, 181, 67, 100, 1, 24, nullptr); }},
      {"JPG grey", [&](ImageStream* s) { return tsWriteJPG(s, i, 97, 31, 75, 0, 8, &dpi); }},
      {"PNG", [&](ImageStream* s) {
         return tsWritePNG(s, p, 181, 67, 181 * 3, 8, 0, nullptr, 2, 0.0, 0, nullptr);
       }},
      {"PNG palette interlaced", [&](ImageStream* s) {
         return tsWritePNG(s, i, 97, 31, 97, 8, 256, pal, 3, 0.45455, 1, &dpi);
       }},
      {"TIFF", [&](ImageStream* s) { return tsWriteTIFF(s, p, 181, 67, 24, nullptr, 1, nullptr); }},
      {"TIFF LZW", [&](ImageStream* s) { return tsWriteTIFF(s, p, 181, 67, 24, nullptr, 5, &dpi); }},
      {"TIFF JPEG", [&](ImageStream* s) { return tsWriteTIFF(s, p, 181, 67, 24, nullptr, 7, nullptr); }},
      {"TIFF palette", [&](ImageStream* s) { return tsWriteTIFF(s, i, 97, 31, 8, pal, 1, nullptr); }},
  };
  // Files carry a time stamp: both writes see the same one.
  const tessera::WriterClock previous = tessera::setWriterClock([] { return std::time_t{1700000000}; });
  for (const Call& c : calls) {
    const Written file = writeFile(dir.file("same"), c.write);
    const Written memory = writeMemory(c.write);
    ASSERT_EQ(file.error, TSERR_NONE) << c.name;
    EXPECT_EQ(memory.error, TSERR_NONE) << c.name;
    EXPECT_EQ(memory.result, file.result) << c.name;
    EXPECT_EQ(memory.file, file.file) << c.name;
  }
  tessera::setWriterClock(previous);
}

TEST(WriterFailures, SuccessClearsTheLastError) {
  testsupport::TempDir dir;
  const Picture in = mixedRgb(9, 5, 5);
  for (const Writer& w : kWriters) {
    ASSERT_EQ(w.write(nullptr, in), 0u);
    ASSERT_EQ(tsOpenFileSink(dir.file("missing/x").c_str()), nullptr);
    ASSERT_EQ(tsGetLastSystemError(), ENOENT);
    const Written ok = writeFile(dir.file(w.name), [&](ImageStream* s) {
      const std::uint32_t result = w.write(s, in);
      EXPECT_EQ(tsGetLastSystemError(), 0) << w.name;
      return result;
    });
    EXPECT_EQ(ok.error, TSERR_NONE) << w.name;
    EXPECT_EQ(ok.result, ok.file.size()) << w.name;
  }
}
