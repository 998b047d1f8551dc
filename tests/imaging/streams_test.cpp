// Sources, sinks, handle validation, the per-thread last error and the
// system reason that goes with it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "imaging/core/image_stream.h"
#include "imaging/tessera.h"
#include "tests/support/temp_dir.h"

using tessera::StreamRef;

namespace {

void setLastError(std::int32_t code) {
  // A failing open records its code; BAD_PARAM is the only one reachable at will.
  ASSERT_EQ(code, TSERR_BAD_PARAM);
  ASSERT_EQ(tsOpenMemorySource(nullptr, 1), nullptr);
}

}  // namespace

TEST(MemorySource, RefusesNullBufferAndZeroSize) {
  const std::uint8_t byte = 1;
  EXPECT_EQ(tsOpenMemorySource(nullptr, 10), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsOpenMemorySource(&byte, 0), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
}

TEST(MemorySource, SuccessfulOpenLeavesThePreviousErrorInPlace) {
  setLastError(TSERR_BAD_PARAM);
  const std::uint8_t data[4] = {1, 2, 3, 4};
  ImageStream* source = tsOpenMemorySource(data, sizeof data);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  tsCloseSource(source);
}

TEST(MemorySource, ReadsStopAtCapacity) {
  const std::uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  ImageStream* source = tsOpenMemorySource(data, sizeof data);
  StreamRef stream(source);
  std::uint8_t out[8] = {};
  EXPECT_EQ(stream.streamRead(out, 4), 4u);
  EXPECT_FALSE(stream.streamReadExact(out, 4)) << "only two bytes are left";
  EXPECT_EQ(out[0], 5);
  EXPECT_EQ(out[1], 6);
  EXPECT_EQ(stream.streamRead(out, 1), 0u);
  EXPECT_EQ(stream.streamTell(), 6u);
  EXPECT_EQ(stream.streamSize(), 6u);
  EXPECT_FALSE(stream.streamWriteBytes(data, 1)) << "memory streams are read-only";
  EXPECT_EQ(tsCloseSource(source), 6u) << "close reports the bytes consumed";
}

TEST(MemorySource, SeekMustStayBelowCapacity) {
  const std::uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  ImageStream* source = tsOpenMemorySource(data, sizeof data);
  StreamRef stream(source);
  EXPECT_FALSE(stream.streamSeek(6, 0));
  EXPECT_TRUE(stream.streamSeek(5, 0));
  EXPECT_EQ(stream.streamTell(), 5u);
  EXPECT_TRUE(stream.streamSeek(-5, 1));
  EXPECT_EQ(stream.streamTell(), 0u);
  EXPECT_FALSE(stream.streamSeek(-1, 1));
  EXPECT_FALSE(stream.streamSeek(0, 2)) << "no seeking from the end of memory";
  EXPECT_TRUE(stream.streamRewind());
  tsCloseSource(source);
}

TEST(FileSink, EmptyOrNullPathIsAFileCreateError) {
  EXPECT_EQ(tsOpenFileSink(""), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_FILE_CREATE);
  EXPECT_EQ(tsOpenFileSink(nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_FILE_CREATE);
}

TEST(FileSink, TruncatesAnExistingFileAndReportsItsLengthAtClose) {
  testsupport::TempDir dir;
  const std::string path = dir.write("out.bin", std::vector<std::uint8_t>(100, 7));
  ImageStream* sink = tsOpenFileSink(path.c_str());
  ASSERT_NE(sink, nullptr);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0) << "opening truncates";
  StreamRef stream(sink);
  EXPECT_TRUE(stream.streamIsValid());
  EXPECT_TRUE(stream.streamWriteBytes("hello", 5));
  EXPECT_TRUE(stream.streamWrite("abcdef", 2, 3));
  EXPECT_EQ(stream.streamTell(), 11u);
  EXPECT_STREQ(stream.path(), path.c_str());
  EXPECT_EQ(tsCloseSink(sink), 11u);
  EXPECT_EQ(testsupport::readFile(path).size(), 11u);
}

TEST(FileSink, KeepsPathsLongerThanTheOldLimit) {
  testsupport::TempDir dir;
  std::string path = dir.path();
  while (path.size() < 400) {
    path += "/a-rather-long-folder-name-for-deep-project-trees";
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  }
  path += "/drawing.PNG";
  ImageStream* sink = tsOpenFileSink(path.c_str());
  ASSERT_NE(sink, nullptr);
  EXPECT_STREQ(StreamRef(sink).path(), path.c_str());
  tsCloseSink(sink);
}

TEST(FileSink, MissingFolderIsAFileCreateError) {
  EXPECT_EQ(tsOpenFileSink("/nonexistent-folder-pictrove/x.bmp"), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_FILE_CREATE);
}

TEST(StreamValidation, RejectsForeignStaleAndDamagedHandles) {
  const std::uint8_t data[4] = {1, 2, 3, 4};
  ImageStream fake{};
  fake.signature1 = tessera::kSignature1;
  fake.signature2 = tessera::kSignature2;
  fake.kind = tessera::kMemoryStream;
  fake.buffer = data;
  fake.capacity = 4;
  EXPECT_FALSE(StreamRef(&fake).streamIsValid()) << "never opened by the library";
  EXPECT_FALSE(StreamRef(nullptr).streamIsValid());

  ImageStream* source = tsOpenMemorySource(data, sizeof data);
  ASSERT_TRUE(StreamRef(source).streamIsValid());
  source->signature2 = 0;
  EXPECT_FALSE(StreamRef(source).streamIsValid());
  source->signature2 = tessera::kSignature2;
  source->kind = 7;
  EXPECT_FALSE(StreamRef(source).streamIsValid());
  source->kind = tessera::kMemoryStream;
  tsCloseSource(source);
  // Closing twice, or closing a pointer that was never a stream, is refused.
  EXPECT_EQ(tsCloseSource(&fake), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_STREAM);
}

TEST(StreamClose, NullHandleIsABadParam) {
  EXPECT_EQ(tsCloseSource(nullptr), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsCloseSink(nullptr), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
}

TEST(ThreadState, LastErrorsDoNotMixBetweenThreads) {
  setLastError(TSERR_BAD_PARAM);
  std::int32_t seenByOther = -1;
  std::thread other([&] {
    seenByOther = tsGetLastError();
    tsOpenFileSink("");
  });
  other.join();
  EXPECT_EQ(seenByOther, TSERR_NONE);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  tsCleanup();
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM) << "clean-up releases nothing in use";
}

// ---- Failures that show only when a sink is closed ---------------------------

namespace {

// A file sink holding `bytes` in its stream buffer, not yet handed to the file.
ImageStream* sinkWithBufferedBytes(const std::string& path, std::size_t bytes) {
  ImageStream* sink = tsOpenFileSink(path.c_str());
  if (sink == nullptr) return nullptr;
  const std::vector<std::uint8_t> data(bytes, 0x5A);
  StreamRef(sink).streamWriteBytes(data.data(), data.size());
  return sink;
}

}  // namespace

TEST(FileSinkClose, DataThatCannotReachTheFileFailsTheClose) {
  testsupport::TempDir dir;
  ImageStream* sink = sinkWithBufferedBytes(dir.file("out.bin"), 100);
  ASSERT_NE(sink, nullptr);
  // The file turns full under the buffered data, as a quota would.
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  ASSERT_GE(dup2(full, fileno(sink->file)), 0);
  close(full);
  setLastError(TSERR_BAD_PARAM);
  EXPECT_EQ(tsCloseSink(sink), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_WRITE);
  EXPECT_EQ(tsGetLastSystemError(), ENOSPC);
}

TEST(FileSinkClose, AFileThatFailsToCloseFailsTheClose) {
  testsupport::TempDir dir;
  ImageStream* sink = sinkWithBufferedBytes(dir.file("out.bin"), 10);
  ASSERT_NE(sink, nullptr);
  ASSERT_TRUE(StreamRef(sink).streamFlush());
  // Everything reached the file; only closing it fails now.
  ASSERT_EQ(close(fileno(sink->file)), 0);
  EXPECT_EQ(tsCloseSink(sink), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_WRITE);
  EXPECT_EQ(tsGetLastSystemError(), EBADF);
  EXPECT_EQ(tsCloseSink(sink), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_STREAM) << "the handle was released all the same";
}

TEST(FileSinkClose, AGoodCloseLeavesTheLastErrorAlone) {
  testsupport::TempDir dir;
  ImageStream* sink = sinkWithBufferedBytes(dir.file("out.bin"), 10);
  setLastError(TSERR_BAD_PARAM);
  EXPECT_EQ(tsCloseSink(sink), 10u);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsGetLastSystemError(), 0);
}

// ---- The system's reason -----------------------------------------------------

TEST(SystemError, OpeningNamesTheReason) {
  testsupport::TempDir dir;
  const std::string plain = dir.write("plain", {1});
  struct Case {
    std::string path;
    std::int32_t reason;
  };
  const Case cases[] = {
      {dir.file("missing/out.bmp"), ENOENT},
      {plain + "/out.bmp", ENOTDIR},
      {dir.path(), EISDIR},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tsOpenFileSink(c.path.c_str()), nullptr) << c.path;
    EXPECT_EQ(tsGetLastError(), TSERR_FILE_CREATE) << c.path;
    EXPECT_EQ(tsGetLastSystemError(), c.reason) << c.path;
  }
  // Failures without a system cause clear it.
  EXPECT_EQ(tsOpenFileSink(""), nullptr);
  EXPECT_EQ(tsGetLastSystemError(), 0);
  EXPECT_EQ(tsOpenFileSink(dir.path().c_str()), nullptr);
  EXPECT_EQ(tsOpenMemorySource(nullptr, 1), nullptr);
  EXPECT_EQ(tsGetLastSystemError(), 0);
}

TEST(SystemError, IsKeptPerThread) {
  EXPECT_EQ(tsOpenFileSink("/nonexistent-folder-pictrove/x.bmp"), nullptr);
  std::int32_t seenByOther = -1;
  std::thread other([&] { seenByOther = tsGetLastSystemError(); });
  other.join();
  EXPECT_EQ(seenByOther, 0);
  EXPECT_EQ(tsGetLastSystemError(), ENOENT);
}

// ---- Memory sinks --------------------------------------------------------------

TEST(MemorySink, KeepsWhatIsWrittenAndGrowsAsNeeded) {
  ImageStream* sink = tsOpenMemorySink(0);
  ASSERT_NE(sink, nullptr);
  std::uint32_t size = 99;
  const std::uint8_t* data = tsMemorySinkData(sink, &size);
  ASSERT_NE(data, nullptr) << "an empty sink has an address too";
  EXPECT_EQ(size, 0u);

  // Many doublings, with a pattern that shows any byte out of place.
  StreamRef stream(sink);
  std::vector<std::uint8_t> expected;
  for (std::uint32_t i = 0; i < 3000; ++i) {
    std::uint8_t chunk[37];
    for (std::size_t k = 0; k < sizeof chunk; ++k) chunk[k] = static_cast<std::uint8_t>(i * 31 + k);
    ASSERT_TRUE(stream.streamWriteBytes(chunk, sizeof chunk)) << i;
    expected.insert(expected.end(), chunk, chunk + sizeof chunk);
  }
  data = tsMemorySinkData(sink, &size);
  ASSERT_EQ(size, expected.size());
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + size), expected);
  EXPECT_EQ(stream.streamSize(), expected.size());
  EXPECT_EQ(tsCloseSink(sink), expected.size());
}

TEST(MemorySink, SeeksAndOverwritesAsAFileDoes) {
  testsupport::TempDir dir;
  const std::string path = dir.file("same.bin");
  ImageStream* sinks[] = {tsOpenMemorySink(0), tsOpenFileSink(path.c_str())};
  for (ImageStream* sink : sinks) {
    ASSERT_NE(sink, nullptr);
    StreamRef s(sink);
    EXPECT_TRUE(s.streamWriteBytes("0123456789", 10));
    EXPECT_TRUE(s.streamSeek(2, tessera::kSeekSet));
    EXPECT_TRUE(s.streamWriteBytes("ab", 2));
    EXPECT_TRUE(s.streamSeek(-1, tessera::kSeekEnd));
    EXPECT_TRUE(s.streamWriteBytes("XY", 2));  // overwrites the last byte, then extends
    EXPECT_TRUE(s.streamSeek(3, tessera::kSeekCur));
    EXPECT_TRUE(s.streamWriteBytes("Z", 1));  // beyond the end: the gap reads as zeros
    EXPECT_EQ(s.streamTell(), 15u);
    EXPECT_TRUE(s.streamRewind());
    std::uint8_t back[20] = {};
    EXPECT_EQ(s.streamRead(back, sizeof back), 15u);
    EXPECT_EQ(std::memcmp(back, "01ab45678XY\0\0\0Z", 15), 0);
    EXPECT_FALSE(s.streamSeek(-1, tessera::kSeekSet));
  }
  std::uint32_t size = 0;
  const std::uint8_t* data = tsMemorySinkData(sinks[0], &size);
  const std::vector<std::uint8_t> inMemory(data, data + size);
  EXPECT_EQ(tsCloseSink(sinks[0]), 15u);
  EXPECT_EQ(tsCloseSink(sinks[1]), 15u);
  EXPECT_EQ(inMemory, testsupport::readFile(path));
}

TEST(MemorySink, RefusesToGrowPastItsLimit) {
  ImageStream* sink = tsOpenMemorySink(10);
  ASSERT_NE(sink, nullptr);
  StreamRef s(sink);
  EXPECT_TRUE(s.streamWriteBytes("12345678", 8));
  EXPECT_FALSE(s.streamWriteBytes("abc", 3)) << "all or nothing";
  EXPECT_TRUE(s.streamWriteBytes("ab", 2));
  EXPECT_FALSE(s.streamWriteBytes("c", 1));
  EXPECT_FALSE(s.streamWrite("c", SIZE_MAX / 2, 3)) << "a size that overflows";
  EXPECT_TRUE(s.streamSeek(10, tessera::kSeekSet));
  EXPECT_FALSE(s.streamSeek(11, tessera::kSeekSet));
  EXPECT_FALSE(s.streamSeek(INT64_MAX, tessera::kSeekCur));
  EXPECT_FALSE(s.streamSeek(INT64_MIN, tessera::kSeekEnd));
  EXPECT_EQ(tsCloseSink(sink), 10u);
}

TEST(MemorySink, DataIsRefusedForAnythingButAnOpenMemorySink) {
  std::uint32_t size = 0;
  EXPECT_EQ(tsMemorySinkData(nullptr, &size), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  ImageStream* sink = tsOpenMemorySink(0);
  EXPECT_EQ(tsMemorySinkData(sink, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  const std::uint8_t byte = 1;
  ImageStream* source = tsOpenMemorySource(&byte, 1);
  EXPECT_EQ(tsMemorySinkData(source, &size), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_STREAM);
  tsCloseSource(source);
  EXPECT_EQ(tsCloseSink(sink), 0u) << "nothing written";
  EXPECT_EQ(tsMemorySinkData(sink, &size), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_STREAM) << "closed";
}
