// Path and label text, the "*.dwg" search, and output naming.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/core/text_utils.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace pictrove;

TEST(ShortenPath, KeepsUpTo35CharactersAndCutsLongerOnes) {
  const std::string exact(35, 'a');
  EXPECT_EQ(ShortenPath(exact), exact);
  EXPECT_EQ(ShortenPath(""), "");
  const std::string longer = "/home/someone/drawings/projects/2024/site-plans";
  EXPECT_EQ(ShortenPath(longer), longer.substr(0, 35) + "...");
  EXPECT_EQ(ShortenPath(std::string(36, 'b')).size(), 38u);
}

TEST(ShortenPath, CountsCharactersAndNeverSplitsOne) {
  std::string accented;
  for (int i = 0; i < 40; ++i) accented += "\xC3\xA9";  // é
  const std::string shortened = ShortenPath(accented);
  EXPECT_EQ(shortened, accented.substr(0, 70) + "...");
  EXPECT_TRUE(IsReadableText(shortened));
}

TEST(ReadableText, PassesUtf8AndRepairsEverythingElse) {
  EXPECT_EQ(ReadableText("plan \xC3\xA9t\xC3\xA9.dwg"), "plan \xC3\xA9t\xC3\xA9.dwg");
  // A Latin-1 byte reads as its character; a stray C1 byte and control
  // characters become the replacement character.
  EXPECT_EQ(ReadableText("caf\xE9.dwg"), "caf\xC3\xA9.dwg");
  EXPECT_EQ(ReadableText("a\x85z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(ReadableText("a\nb"), "a\xEF\xBF\xBD" "b");
  for (const std::string& hostile : {std::string("\xC0\xAF"), std::string("\xED\xA0\x80"),
                                    std::string("\xF4\x90\x80\x80"), std::string("\xE2\x82"),
                                    std::string("\xFF\xFE"), std::string(1, '\0')}) {
    EXPECT_TRUE(IsReadableText(ReadableText(hostile))) << hostile;
    EXPECT_FALSE(IsReadableText(hostile));
  }
}

TEST(EscapeForLine, EscapesControlBytesOnly) {
  EXPECT_EQ(EscapeForLine("a\tb\nc\x7F"), "a\\x09b\\x0Ac\\x7F");
  EXPECT_EQ(EscapeForLine("caf\xE9 plan.dwg"), "caf\xE9 plan.dwg");
}

TEST(DrawingSearch, MatchesTheExtensionInAnyCase) {
  for (const char* name : {"a.dwg", "PLAN.DWG", "x.Dwg", ".dwg", "a.b.dwg", "a.dxf", "PLAN.DXF", "x.dXf"})
    EXPECT_TRUE(MatchesDrawingPattern(name)) << name;
  for (const char* name : {"a.dwgx", "adwg", "a.dw", "dwg", "a.dwg.bak", "", "a.dxfx", "adxf", "a.dx", "a.dwf"})
    EXPECT_FALSE(MatchesDrawingPattern(name)) << name;
}

TEST(DrawingSearch, SortsNamesWithoutRegardToCase) {
  testsupport::TempDir dir;
  for (const char* name : {"b.dwg", "A.dwg", "c.DWG", "a2.dwg", "B.txt", "Z.dwg", "b.DXF", "a2.dxf"})
    dir.write(name, {1, 2, 3});
  const std::vector<FoundFile> found = FindDrawingFiles(dir.path());
  std::vector<std::string> names;
  for (const FoundFile& file : found) names.push_back(file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.dwg", "a2.dwg", "a2.dxf", "b.dwg", "b.DXF", "c.DWG", "Z.dwg"}));
  EXPECT_EQ(found.front().path, dir.path() + "/A.dwg");
  // A trailing slash does not double.
  EXPECT_EQ(FindDrawingFiles(dir.path() + "/").front().path, dir.path() + "/A.dwg");
}

TEST(DrawingSearch, MissingOrUnreadableFolderYieldsNothing) {
  testsupport::TempDir dir;
  EXPECT_TRUE(FindDrawingFiles(dir.file("missing")).empty());
  EXPECT_TRUE(FindDrawingFiles("").empty());
  // A file given as the folder.
  EXPECT_TRUE(FindDrawingFiles(dir.write("plan.dwg", {1})).empty());
}

TEST(OutputNaming, ReplacesTheTextAfterTheNamesLastDot) {
  EXPECT_EQ(OutputPathFor("/work/plan.dwg", "JPG"), "/work/plan.JPG");
  EXPECT_EQ(OutputPathFor("/work/plan.dwg", "TIFF"), "/work/plan.TIFF");
  EXPECT_EQ(OutputPathFor("/work/a.b.dwg", "PNG"), "/work/a.b.PNG");
  EXPECT_EQ(OutputPathFor("/work/.dwg", "PNG"), "/work/.PNG");
  // A dot in a folder's name is not the name's: "." and the extension go on.
  EXPECT_EQ(OutputPathFor("/work/my.folder/plan", "BMP"), "/work/my.folder/plan.BMP");
  EXPECT_EQ(OutputPathFor("plan", "PCX"), "plan.PCX");
}

TEST(OutputNaming, ListItemsAreTheFiveFormatsInOrder) {
  const char* expected[] = {"BMP", "JPG", "PCX", "PNG", "TIFF"};
  for (int i = 0; i < kOutputFormatCount; ++i) {
    EXPECT_STREQ(OutputFormatText(i), expected[i]);
    EXPECT_EQ(OutputFormatIndex(expected[i]), i);
  }
  EXPECT_EQ(OutputFormatText(-1), nullptr);
  EXPECT_EQ(OutputFormatText(5), nullptr);
  EXPECT_EQ(OutputFormatIndex("png"), -1);
  EXPECT_EQ(OutputFormatIndex("GIF"), -1);
}

}  // namespace
