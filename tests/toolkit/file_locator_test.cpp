// The host functions that need more than passing a call through, and the
// engine's file locator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"
#include "toolkit/file_locator.h"
#include "toolkit/host_functions.h"

TEST(HostFunctions, StreamsRoundTrip) {
  testsupport::TempDir dir;
  const std::string path = dir.file("stream.txt");
  std::FILE* out = HostStreamOpen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_GE(HostStreamPutText("line\n", out), 0);
  EXPECT_EQ(HostStreamWrite("abc", 1, 3, out), 3u);
  EXPECT_EQ(HostStreamTell(out), 8);
  EXPECT_EQ(HostStreamClose(out), 0);

  std::FILE* in = HostStreamOpen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(HostStreamSeek(in, 5, SEEK_SET), 0);
  char got[4] = {};
  EXPECT_EQ(HostStreamRead(got, 1, 3, in), 3u);
  EXPECT_STREQ(got, "abc");
  HostStreamClose(in);
  EXPECT_EQ(HostStreamOpen(dir.file("missing").c_str(), "rb"), nullptr);
  EXPECT_EQ(HostFileTest(path.c_str(), R_OK), 0);
  EXPECT_NE(HostFileTest(dir.file("missing").c_str(), F_OK), 0);
}

TEST(HostFunctions, MemoryCopyAndRelease) {
  char from[6] = "hello";
  char to[6] = "-----";
  EXPECT_EQ(HostMemoryCopy(to, from, 3), 1);
  EXPECT_STREQ(to, "hel--");
  EXPECT_EQ(HostMemoryCopy(to, nullptr, 0), 1);
  EXPECT_EQ(HostMemoryRelease(HostMemoryAllocate(10)), 1);
  EXPECT_EQ(HostMemoryStart(), 1);
  EXPECT_EQ(HostMemoryStop(), 1);
}

TEST(FileLocator, TriesTheNameItsLastComponentAndTheSearchPath) {
  testsupport::TempDir dir;
  const std::string font = dir.write("font.shx", {1});
  char found[512];
  EXPECT_EQ(LocateToolkitFile(font.c_str(), found, sizeof found), 1);
  EXPECT_EQ(std::string(found), font);

  const std::string elsewhere = "/no/such/folder/font.shx";
  unsetenv(kSearchPathVariable);
  EXPECT_EQ(LocateToolkitFile(elsewhere.c_str(), found, sizeof found), 0);
  setenv(kSearchPathVariable, ("/no/such:;" + dir.path()).c_str(), 1);
  EXPECT_EQ(LocateToolkitFile(elsewhere.c_str(), found, sizeof found), 1);
  EXPECT_EQ(std::string(found), font);
  EXPECT_EQ(LocateToolkitFile("C:\\fonts\\font.shx", found, sizeof found), 1) << "either separator";
  EXPECT_EQ(LocateToolkitFile(elsewhere.c_str(), found, font.size()), 0) << "no room for the zero";
  EXPECT_EQ(LocateToolkitFile("/no/such/folder/", found, sizeof found), 0);
  EXPECT_EQ(LocateToolkitFile("", found, sizeof found), 0);
  EXPECT_EQ(LocateToolkitFile(nullptr, found, sizeof found), 0);
  unsetenv(kSearchPathVariable);
}
