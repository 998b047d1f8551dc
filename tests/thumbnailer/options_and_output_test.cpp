// The thumbnailer's command line, and writing its PNG file so that the
// output only ever appears whole.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/global_memory.h"
#include "tests/support/temp_dir.h"
#include "thumbnailer/png_replace.h"
#include "thumbnailer/thumbnailer_options.h"

namespace pictrove {
namespace {

using Mode = ThumbnailerOptions::Mode;

struct OptionsCase {
  std::vector<std::string> arguments;
  Mode mode;
  std::uint32_t size;
  std::string input;
};

TEST(ThumbnailerOptions, ReadsSizesOperandsAndRefusesTheRest) {
  const OptionsCase cases[] = {
      {{"in.dwg", "out"}, Mode::Thumbnail, 256, "in.dwg"},
      {{"-s", "128", "in.dwg", "out"}, Mode::Thumbnail, 128, "in.dwg"},
      {{"-s1024", "in.dwg", "out"}, Mode::Thumbnail, 1024, "in.dwg"},
      {{"--size", "512", "in.dwg", "out"}, Mode::Thumbnail, 512, "in.dwg"},
      {{"in.dwg", "--size=4096", "out"}, Mode::Thumbnail, 4096, "in.dwg"},
      {{"-s", "1", "--", "-in.dwg", "out"}, Mode::Thumbnail, 1, "-in.dwg"},
      {{"-", "out"}, Mode::Thumbnail, 256, "-"},
      {{"--help"}, Mode::Help, 256, ""},
      {{"in.dwg", "-h"}, Mode::Help, 256, ""},
      {{"--version"}, Mode::Version, 256, ""},
      {{}, Mode::Invalid, 256, ""},
      {{"in.dwg"}, Mode::Invalid, 256, ""},
      {{"a", "b", "c"}, Mode::Invalid, 256, ""},
      {{"", "out"}, Mode::Invalid, 256, ""},
      {{"-s"}, Mode::Invalid, 256, ""},
      {{"-s", "0", "a", "b"}, Mode::Invalid, 0, ""},
      {{"-s", "4097", "a", "b"}, Mode::Invalid, 0, ""},
      {{"-s", "99999999999", "a", "b"}, Mode::Invalid, 0, ""},
      {{"-s", "+12", "a", "b"}, Mode::Invalid, 0, ""},
      {{"-s", "12px", "a", "b"}, Mode::Invalid, 0, ""},
      {{"-s", "64", "-s", "64", "a", "b"}, Mode::Invalid, 64, ""},
      {{"--sizes=3", "a", "b"}, Mode::Invalid, 256, ""},
      {{"-x", "a", "b"}, Mode::Invalid, 256, ""},
  };
  for (const OptionsCase& c : cases) {
    std::string shown;
    for (const std::string& a : c.arguments) shown += "'" + a + "' ";
    const ThumbnailerOptions options = ParseThumbnailerOptions(c.arguments);
    EXPECT_EQ(options.mode, c.mode) << shown;
    EXPECT_EQ(options.mode == Mode::Invalid, !options.error.empty()) << shown;
    if (c.mode == Mode::Thumbnail) {
      EXPECT_EQ(options.size, c.size) << shown;
      EXPECT_EQ(options.input, c.input) << shown;
      EXPECT_EQ(options.output, "out") << shown;
    }
  }
}

TEST(ThumbnailerOptions, UsageNamesEveryOptionAndExitCode) {
  const std::string usage = ThumbnailerUsageText();
  for (const char* word : {"-s, --size SIZE", "--help", "--version", "0 written", "1 no usable",
                           "2 bad arguments", "3 OUTPUT", "4 the drawing toolkit"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(TemporaryPrefix, LiesInTheOutputsFolder) {
  EXPECT_EQ(TemporaryPrefixFor("thumb"), "./.pictrove-thumbnailer-");
  EXPECT_EQ(TemporaryPrefixFor("/thumb"), "/.pictrove-thumbnailer-");
  EXPECT_EQ(TemporaryPrefixFor("/tmp/a/thumb"), "/tmp/a/.pictrove-thumbnailer-");
  EXPECT_EQ(TemporaryPrefixFor("a/thumb.png"), "a/.pictrove-thumbnailer-");
}

ThumbnailPicture Grey(std::uint32_t width, std::uint32_t height) {
  auto* pixels = static_cast<std::uint8_t*>(GlobalAlloc(GPTR, std::size_t{width} * height * 3));
  std::memset(pixels, 0x80, std::size_t{width} * height * 3);
  return ThumbnailPicture(RgbPicture(pixels, width, height));
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class UmaskScope {
 public:
  explicit UmaskScope(mode_t mask) : before_(umask(mask)) {}
  ~UmaskScope() { umask(before_); }
  UmaskScope(const UmaskScope&) = delete;
  UmaskScope& operator=(const UmaskScope&) = delete;

 private:
  mode_t before_;
};

bool IsPng(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() > 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
}

TEST(WritePngReplacing, NewOutputsGetTheUmasksPermissions) {
  const testsupport::TempDir dir;
  const std::string output = dir.file("thumb");
  for (const mode_t mask : {mode_t{022}, mode_t{077}}) {
    std::filesystem::remove(output);
    const UmaskScope scope(mask);
    ASSERT_EQ(WritePngReplacing(output, Grey(5, 3)), PngWriteResult::Written);
    EXPECT_TRUE(IsPng(testsupport::readFile(output)));
    struct stat info {};
    ASSERT_EQ(stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
  }
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"thumb"});
}

// tumbler makes the output file itself and reads the thumbnail back through
// the descriptor it keeps open: the file must be written, not replaced.
TEST(WritePngReplacing, AnExistingFileIsWrittenInPlace) {
  const testsupport::TempDir dir;
  const std::string output = dir.write("tumbler-XXXX.png", {});
  ASSERT_EQ(chmod(output.c_str(), 0600), 0);
  const int reader = open(output.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(WritePngReplacing(output, Grey(7, 4)), PngWriteResult::Written);
  std::vector<std::uint8_t> seen(64);
  const ssize_t got = pread(reader, seen.data(), seen.size(), 0);
  close(reader);
  ASSERT_GT(got, 8);
  seen.resize(static_cast<std::size_t>(got));
  EXPECT_TRUE(IsPng(seen));
  struct stat info {};
  ASSERT_EQ(stat(output.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"tumbler-XXXX.png"});
}

// An existing output is written in place only when it is a file of that one
// name: a symbolic or hard link is replaced, and its target left as it was.
TEST(WritePngReplacing, ALinkIsReplacedNotWrittenThrough) {
  for (const bool symbolic : {true, false}) {
    SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
    const testsupport::TempDir dir;
    const std::string target = dir.write("target", {'k', 'e', 'e', 'p'});
    if (symbolic) {
      std::filesystem::create_symlink(target, dir.file("thumb"));
    } else {
      std::filesystem::create_hard_link(target, dir.file("thumb"));
    }
    ASSERT_EQ(WritePngReplacing(dir.file("thumb"), Grey(2, 2)), PngWriteResult::Written);
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("thumb")));
    EXPECT_TRUE(IsPng(testsupport::readFile(dir.file("thumb"))));
    EXPECT_EQ(testsupport::readFile(target), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"target", "thumb"}));
  }
}

TEST(WritePngReplacing, FailuresLeaveNothingBehind) {
  const testsupport::TempDir dir;
  // No such folder: no temporary file can be made.
  EXPECT_EQ(WritePngReplacing(dir.file("missing/thumb"), Grey(2, 2)), PngWriteResult::CannotCreate);
  // A folder in the output's place: the rename fails and the temporary goes.
  std::filesystem::create_directory(dir.file("taken"));
  EXPECT_EQ(WritePngReplacing(dir.file("taken"), Grey(2, 2)), PngWriteResult::WriteFailed);
  // Nothing to write.
  EXPECT_EQ(WritePngReplacing(dir.file("empty"), ThumbnailPicture()), PngWriteResult::WriteFailed);
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"taken"});
  EXPECT_TRUE(Names(dir.file("taken")).empty());
}

}  // namespace
}  // namespace pictrove
