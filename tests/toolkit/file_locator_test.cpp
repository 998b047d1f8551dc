// The engine's file locator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"
#include "toolkit/file_locator.h"

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
