// The block-cached file: opening only regular files, seeking and block
// loads, byte, block and line reads, push-back, the LRU cache and read
// failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "app/host/critical_error.h"
#include "toolkit/cached_file.h"
#include "toolkit/cached_file_direct.h"

using testsupport::TempDir;
using toolkittest::FailingAllocation;
using toolkittest::patternBytes;
using toolkittest::ScriptedMessageBoxes;

namespace {

std::string text(const char* s) { return s; }

std::vector<std::uint8_t> bytesOf(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

class CachedFileTest : public ::testing::Test {
 protected:
  CachedFile* open(const std::vector<std::uint8_t>& content) {
    path_ = dir_.write("file.dwg", content);
    CachedFile* file = CachedFileOpen(path_.c_str());
    EXPECT_NE(file, nullptr);
    return file;
  }

  TempDir dir_;
  std::string path_;
};

}  // namespace

TEST_F(CachedFileTest, OnlyRegularNonEmptyFilesOpen) {
  EXPECT_EQ(CachedFileOpen(nullptr), nullptr);
  EXPECT_EQ(CachedFileOpen(dir_.file("missing.dwg").c_str()), nullptr);
  EXPECT_EQ(CachedFileOpen(dir_.write("empty.dwg", {}).c_str()), nullptr);

  ASSERT_EQ(mkdir(dir_.file("folder.dwg").c_str(), 0755), 0);
  EXPECT_EQ(CachedFileOpen(dir_.file("folder.dwg").c_str()), nullptr);

  // A FIFO without a writer would block a plain open and a read forever.
  ASSERT_EQ(mkfifo(dir_.file("pipe.dwg").c_str(), 0644), 0);
  EXPECT_EQ(CachedFileOpen(dir_.file("pipe.dwg").c_str()), nullptr);

  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir_.file("socket.dwg");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(CachedFileOpen(socketPath.c_str()), nullptr);
  close(sock);

  EXPECT_EQ(CachedFileOpen("/dev/zero"), nullptr) << "a device never reaches its end";

  const std::string target = dir_.write("real.dwg", bytesOf("xyz"));
  ASSERT_EQ(symlink(target.c_str(), dir_.file("link.dwg").c_str()), 0);
  CachedFile* linked = CachedFileOpen(dir_.file("link.dwg").c_str());
  ASSERT_NE(linked, nullptr) << "a link to a regular file is fine";
  EXPECT_EQ(CachedFileGetByte(linked), 'x');
  EXPECT_EQ(CachedFileClose(linked), 0);
}

TEST_F(CachedFileTest, SeekLoadsTheAlignedBlockAndTellFollowsTheCursor) {
  const auto content = patternBytes(30000);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(CachedFileSeek(file, 10000, 0), 0);
  EXPECT_EQ(file->blockPosition, 8192);
  EXPECT_EQ(file->blockLength, 8192);
  EXPECT_EQ(CachedFileGetByte(file), content[10000]);
  EXPECT_EQ(CachedFileTell(file), 10001);

  CachedFileSeek(file, -2, 1);
  EXPECT_EQ(CachedFileTell(file), 9999);
  EXPECT_EQ(CachedFileGetByte(file), content[9999]);

  CachedFileSeek(file, -1, 2);
  EXPECT_EQ(CachedFileTell(file), 29999);
  EXPECT_EQ(CachedFileGetByte(file), content[29999]);
  EXPECT_EQ(CachedFileLength(file), 30000);
  CachedFileClose(file);
}

TEST_F(CachedFileTest, SeeksOutsideTheFileOrWithUnknownOriginsLeaveThePositionAlone) {
  const auto content = patternBytes(100);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  CachedFileSeek(file, 40, 0);
  CachedFileSeek(file, -1, 0);
  CachedFileSeek(file, -41, 1);
  CachedFileSeek(file, -101, 2);
  CachedFileSeek(file, 5, 3);
  CachedFileSeek(file, 5, -1);
  EXPECT_EQ(CachedFileTell(file), 40);
  EXPECT_EQ(CachedFileGetByte(file), content[40]);
  CachedFileSeek(file, 0x7FFFFFF0, 1);  // beyond 32-bit positions
  EXPECT_EQ(CachedFileTell(file), 41);
  CachedFileClose(file);
}

TEST_F(CachedFileTest, ReadingPastTheEndDeliversWholeItemsAndSetsTheEndFlag) {
  const auto content = bytesOf("abcde");
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  char out[16] = {};
  EXPECT_EQ(CachedFileRead(out, 1, 13, file), 5u);
  EXPECT_EQ(std::string(out, 5), "abcde");
  EXPECT_EQ(CachedFileAtEnd(file), 1);
  EXPECT_EQ(CachedFileGetByte(file), 0);

  CachedFileSeek(file, 0, 0);
  EXPECT_EQ(CachedFileAtEnd(file), 0);
  EXPECT_EQ(CachedFileRead(out, 13, 1, file), 0u);
  EXPECT_EQ(CachedFileAtEnd(file), 1);

  CachedFileSeek(file, 1, 0);
  EXPECT_EQ(CachedFileRead(out, 2, 3, file), 2u) << "four bytes left: two whole items";
  CachedFileSeek(file, 0, 0);
  EXPECT_EQ(CachedFileRead(out, 0, 3, file), 3u) << "nothing to copy";
  CachedFileClose(file);
}

TEST_F(CachedFileTest, ByteAndBlockReadsAcrossBlocksMatchTheFile) {
  const auto content = patternBytes(3 * 8192 + 123);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  std::vector<std::uint8_t> got(content.size());
  CachedFileSeek(file, 100, 0);
  ASSERT_EQ(CachedFileRead(got.data() + 100, 1, 20000, file), 20000u);
  for (std::size_t i = 20100; i < content.size(); ++i) got[i] = static_cast<std::uint8_t>(CachedFileGetByte(file));
  EXPECT_EQ(CachedFileGetByte(file), 0);
  EXPECT_EQ(CachedFileAtEnd(file), 1);
  EXPECT_TRUE(std::equal(got.begin() + 100, got.end(), content.begin() + 100));
  CachedFileClose(file);
}

TEST_F(CachedFileTest, DirectReadsMatchTheFileLeaveTheCacheAloneAndStopAtItsEnd) {
  const auto content = patternBytes(5 * 8192 + 321);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  CachedFileSeek(file, 50, 0);
  std::vector<std::uint8_t> got(content.size(), 0xCC);
  ASSERT_EQ(CachedFileReadDirect(file, 7, got.data(), content.size() - 7), content.size() - 7);
  EXPECT_TRUE(std::equal(got.begin(), got.end() - 7, content.begin() + 7));
  EXPECT_EQ(CachedFileTell(file), 50);
  EXPECT_EQ(CachedFileGetByte(file), content[50]);
  EXPECT_EQ(CachedFileOpenedLength(file), static_cast<std::int64_t>(content.size()));

  // A file that shrinks after it was opened delivers what is left.
  ASSERT_EQ(truncate(path_.c_str(), 3 * 8192), 0);
  EXPECT_EQ(CachedFileReadDirect(file, 8192, got.data(), 4 * 8192), 2u * 8192);
  EXPECT_EQ(CachedFileReadDirect(file, 4 * 8192, got.data(), 10), 0u);
  EXPECT_EQ(CachedFileReadDirect(file, -1, got.data(), 10), 0u);
  CachedFileClose(file);
}

TEST_F(CachedFileTest, TheNinthBlockReplacesTheLeastRecentlyUsedOne) {
  const auto content = patternBytes(10 * 8192);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  for (int block = 1; block < 8; ++block) CachedFileSeek(file, block * 8192, 0);
  CachedFileSeek(file, 0, 0);  // block 0 used again: block 1 is now the oldest

  // Change blocks 1 and 2 on disk: a block served from the cache keeps the
  // old bytes, a block read again shows the new ones.
  const int writer = ::open(path_.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  const std::vector<std::uint8_t> changed(2 * 8192, 0xEE);
  ASSERT_EQ(pwrite(writer, changed.data(), changed.size(), 8192), static_cast<ssize_t>(changed.size()));
  close(writer);

  CachedFileSeek(file, 8 * 8192 + 5, 0);  // the ninth distinct block
  EXPECT_EQ(CachedFileGetByte(file), content[8 * 8192 + 5]);
  CachedFileSeek(file, 2 * 8192 + 5, 0);
  EXPECT_EQ(CachedFileGetByte(file), content[2 * 8192 + 5]) << "block 2 was still cached";
  CachedFileSeek(file, 8192 + 5, 0);
  EXPECT_EQ(CachedFileGetByte(file), 0xEE) << "block 1 was replaced and read again";
  CachedFileClose(file);
}

TEST_F(CachedFileTest, LinesEndWithCrLfCrLfOrLfCr) {
  CachedFile* file = open(bytesOf("ab\r\ncd\n\ref\rgh\nij"));
  ASSERT_NE(file, nullptr);
  char line[10];
  char* end = CachedFileGetLine(line, sizeof line, file);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(text(line), "ab\r");
  EXPECT_EQ(end, line + 3);
  EXPECT_EQ(text(CachedFileGetLine(line, sizeof line, file) ? line : ""), "cd\n");
  EXPECT_EQ(text(CachedFileGetLine(line, sizeof line, file) ? line : ""), "ef\r");
  EXPECT_EQ(text(CachedFileGetLine(line, sizeof line, file) ? line : ""), "gh\n");
  end = CachedFileGetLine(line, sizeof line, file);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(text(line), "ij") << "the last line has no terminator";
  EXPECT_EQ(end, line + 2);
  EXPECT_EQ(CachedFileGetLine(line, sizeof line, file), nullptr);
  CachedFileClose(file);
}

TEST_F(CachedFileTest, AShortBufferCutsTheLineAndConsumesTheLastByteStored) {
  CachedFile* file = open(bytesOf("ab\r\ncd\r\n"));
  ASSERT_NE(file, nullptr);
  char line[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(CachedFileGetLine(line, 0, file), nullptr);
  char* end = CachedFileGetLine(line, 2, file);
  EXPECT_EQ(end, line + 1);
  EXPECT_EQ(text(line), "a");
  EXPECT_EQ(CachedFileGetByte(file), '\r') << "the b was consumed";
  CachedFileClose(file);
}

TEST_F(CachedFileTest, UngetPushesBackTheByteJustRead) {
  const auto content = patternBytes(9000);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  const int first = CachedFileGetByte(file);
  EXPECT_EQ(CachedFileUngetByte(first, file), 1);
  EXPECT_EQ(CachedFileTell(file), 0);
  EXPECT_EQ(CachedFileGetByte(file), first);

  // At the start of the file there is nothing before: nothing moves.
  CachedFileSeek(file, 0, 0);
  EXPECT_EQ(CachedFileUngetByte('z', file), 1);
  EXPECT_EQ(CachedFileTell(file), 0);
  EXPECT_EQ(CachedFileGetByte(file), content[0]);

  // At the start of a block no byte of the block was read: step back.
  CachedFileSeek(file, 8192, 0);
  EXPECT_EQ(CachedFileUngetByte('z', file), 1);
  EXPECT_EQ(CachedFileTell(file), 8191);
  EXPECT_EQ(CachedFileGetByte(file), content[8191]);
  EXPECT_EQ(CachedFileGetByte(file), content[8192]);

  // After the end: the 0 read there is taken back, the file stays at its end.
  CachedFileSeek(file, 0, 2);
  EXPECT_EQ(CachedFileGetByte(file), 0);
  EXPECT_EQ(CachedFileAtEnd(file), 1);
  EXPECT_EQ(CachedFileUngetByte(0, file), 1);
  EXPECT_EQ(CachedFileAtEnd(file), 0);
  EXPECT_EQ(CachedFileTell(file), 9000);
  CachedFileClose(file);
}

namespace {

// Makes every read of `file` fail (reading a folder fails with EISDIR) until
// restore() puts the real descriptor back.
class BrokenDescriptor {
 public:
  BrokenDescriptor(CachedFile* file, const std::string& folder) : file_(file), saved_(dup(file->descriptor)) {
    const int broken = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    dup2(broken, file->descriptor);
    close(broken);
  }
  ~BrokenDescriptor() { close(saved_); }
  void restore() { dup2(saved_, file_->descriptor); }

 private:
  CachedFile* file_;
  int saved_;
};

}  // namespace

TEST_F(CachedFileTest, AFailedReadIsRetriedWhenTheUserChoosesRetry) {
  const auto content = patternBytes(20000);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  BrokenDescriptor broken(file, dir_.path());
  int boxes = 0;
  SetMessageBoxHandler([&](const std::string& message, UINT style) {
    ++boxes;
    EXPECT_EQ(message, "Critical error: File read");
    EXPECT_EQ(style, 53u);
    if (boxes == 2) broken.restore();  // the second attempt fails too, the third succeeds
    return IDRETRY;
  });
  CachedFileSeek(file, 10000, 0);
  EXPECT_EQ(boxes, 2);
  EXPECT_EQ(CachedFileGetByte(file), content[10000]);

  // A direct read fails and is retried the same way.
  BrokenDescriptor again(file, dir_.path());
  boxes = 0;
  SetMessageBoxHandler([&](const std::string&, UINT) {
    if (++boxes == 2) again.restore();
    return IDRETRY;
  });
  std::vector<std::uint8_t> got(content.size());
  EXPECT_EQ(CachedFileReadDirect(file, 0, got.data(), got.size()), got.size());
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(boxes, 2);
  EXPECT_EQ(got, content);
  CachedFileClose(file);
}

// Where nobody is asked (the command line, the thumbnailer), a failed read
// is given up at once: the block reads as the end of the file and the
// reason stays with the thread until it is cleared.
TEST_F(CachedFileTest, AFailedReadIsGivenUpWhereNobodyIsAsked) {
  const auto content = patternBytes(40000);
  CachedFile* file = open(content);
  ASSERT_NE(file, nullptr);
  BrokenDescriptor broken(file, dir_.path());
  ScriptedMessageBoxes boxes;
  FailUnreadableFiles(true);
  CachedFileClearReadError();
  CachedFileSeek(file, 10000, 0);
  EXPECT_EQ(CachedFileGetByte(file), 0);
  EXPECT_EQ(CachedFileAtEnd(file), 1);
  FailUnreadableFiles(false);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(CachedFileReadError(), EISDIR);
  CachedFileClearReadError();
  EXPECT_EQ(CachedFileReadError(), 0);

  // Work done ahead on a thread of its own gives up the same way, while the
  // others still ask.
  std::thread ahead([&] {
    FailUnreadableFilesOnThisThread(true);
    CachedFileSeek(file, 17000, 0);
    EXPECT_EQ(CachedFileGetByte(file), 0);
    EXPECT_EQ(CachedFileReadError(), EISDIR);
  });
  ahead.join();
  EXPECT_TRUE(boxes.shown().empty());
  SetMessageBoxHandler([&](const std::string& message, UINT) {
    EXPECT_EQ(message, "Critical error: File read");
    broken.restore();
    return IDRETRY;
  });
  CachedFileSeek(file, 30000, 0);
  EXPECT_EQ(CachedFileGetByte(file), content[30000]) << "asked, retried and read";
  SetMessageBoxHandler(nullptr);
  CachedFileClose(file);
}

TEST_F(CachedFileTest, AFailedReadEndsTheProgramOnCancel) {
  const std::string path = dir_.write("file.dwg", patternBytes(20000));
  EXPECT_EXIT(
      {
        CachedFile* file = CachedFileOpen(path.c_str());
        BrokenDescriptor broken(file, dir_.path());
        ScriptedMessageBoxes boxes({IDCANCEL});
        CachedFileSeek(file, 10000, 0);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(CachedFileTest, NoMemoryForTheBlockBuffersIsFatal) {
  const std::string path = dir_.write("file.dwg", patternBytes(100));
  {
    FailingAllocation failing(1);
    EXPECT_EQ(CachedFileOpen(path.c_str()), nullptr) << "no record: a plain failure";
  }
  EXPECT_EXIT(
      {
        FailingAllocation failing(5);  // the fourth block buffer
        CachedFileOpen(path.c_str());
      },
      ::testing::ExitedWithCode(2), "Critical error");
}
