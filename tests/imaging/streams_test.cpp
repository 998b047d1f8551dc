// Sources, sinks, handle validation and the per-thread last error.
#include <gtest/gtest.h>
#include <sys/stat.h>

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
