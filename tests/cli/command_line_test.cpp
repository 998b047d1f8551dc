// The headless command line: arguments, listing, exporting (beside the
// drawings or into a folder of their own, of one folder or a tree), the
// counter on a terminal, exit codes, and that the remembered settings are
// read but never written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "app/cli/command_line.h"
#include "app/cli/drawing_tree.h"
#include "app/cli/progress_line.h"
#include "app/dialog/settings_store.h"
#include "platform/gdi.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/cli/terminal_screen.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

using pictrove::CommandLine;

class MemorySettings : public pictrove::SettingsStore {
 public:
  std::map<std::string, int> values;
  int writes = 0;
  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override {
    const auto it = values.find(section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
  }
  void WriteProfileInt(const std::string&, const std::string&, int) override { ++writes; }
  std::string GetProfileString(const std::string&, const std::string&,
                               const std::string& defaultValue) override {
    return defaultValue;
  }
  void WriteProfileString(const std::string&, const std::string&, const std::string&) override {
    ++writes;
  }
};

int ScreenDepth() {
  HDC screen = GetDC(nullptr);
  const int depth = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return depth;
}

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunPictrove(const std::vector<std::string>& arguments, MemorySettings& settings,
                   pictrove::Terminals terminals = {}) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = CommandLine(arguments).Run(settings, out, err, terminals);
  return Result{code, out.str(), err.str()};
}

TEST(CommandLineArguments, ReadsEachModeAndRefusesTheRest) {
  EXPECT_EQ(CommandLine({}).mode(), CommandLine::Mode::Dialog);
  const CommandLine list({"--list", "/some/folder"});
  EXPECT_EQ(list.mode(), CommandLine::Mode::List);
  EXPECT_EQ(list.folder(), "/some/folder");
  EXPECT_EQ(list.format(), -1);
  const CommandLine exportPng({"--export", "F", "--format", "png"});
  EXPECT_EQ(exportPng.mode(), CommandLine::Mode::Export);
  EXPECT_EQ(exportPng.format(), 3);
  EXPECT_EQ(CommandLine({"--format", "TIFF", "--export", "F"}).format(), 4);
  EXPECT_EQ(CommandLine({"--help"}).mode(), CommandLine::Mode::Help);
  EXPECT_EQ(CommandLine({"-h"}).mode(), CommandLine::Mode::Help);
  EXPECT_EQ(CommandLine({"--version"}).mode(), CommandLine::Mode::Version);
  EXPECT_EQ(CommandLine({"-v"}).mode(), CommandLine::Mode::Version);

  const std::vector<std::vector<std::string>> bad = {
      {"--list"},
      {"--list", ""},
      {"--export", "F", "--format"},
      {"--export", "F", "--format", "GIF"},
      {"--export", "F", "--format", "PNG", "--format", "BMP"},
      {"--list", "F", "--format", "PNG"},
      {"--format", "PNG"},
      {"--list", "a", "--export", "b"},
      {"--version", "--help"},
      {"--what"},
      {"--list", "F", "--list", "G"},
      {"--list", "F", "extra"},
      {"--export", "F", "--output"},
      {"--export", "F", "--output="},
      {"--list", "F", "--output", "D"},
      {"--recursive"},
      {"--recursive", "plan.dwg"},
      {"--help", "--recursive"},
      {"one", "two"},
      {""},
  };
  for (const auto& arguments : bad) {
    const CommandLine parsed(arguments);
    EXPECT_EQ(parsed.mode(), CommandLine::Mode::Invalid) << ::testing::PrintToString(arguments);
    EXPECT_FALSE(parsed.error().empty());
  }
}

TEST(CommandLineArguments, ValuesFollowASpaceOrAnEqualsSignAndKeepTheirBytes) {
  struct Case {
    std::vector<std::string> arguments;
    std::string folder;
    int format;
    std::string output;
    bool recursive;
  };
  const Case cases[] = {
      {{"--export=F", "--format=PNG"}, "F", 3, "", false},
      {{"--export", "F", "-f", "bmp", "-o", "D"}, "F", 0, "D", false},
      {{"--export", "F", "--output=out dir", "-r"}, "F", -1, "out dir", true},
      {{"--list", "pl\xE4ne", "--recursive"}, "pl\xE4ne", -1, "", true},
      {{"-r", "--export", "F", "-fJpg", "--output", "pl\xE4ne"}, "F", 1, "pl\xE4ne", true},
  };
  for (const Case& c : cases) {
    const CommandLine parsed(c.arguments);
    ASSERT_NE(parsed.mode(), CommandLine::Mode::Invalid) << parsed.error();
    EXPECT_EQ(parsed.folder(), c.folder);
    EXPECT_EQ(parsed.format(), c.format);
    EXPECT_EQ(parsed.outputFolder(), c.output);
    EXPECT_EQ(parsed.recursive(), c.recursive);
  }
}

TEST(CommandLineArguments, OnePathOpensTheDialogOnIt) {
  for (const std::string& path : {std::string("/some/plan.dwg"), std::string("pl\xE4ne"),
                                  std::string("-leading-dash.dwg")}) {
    const CommandLine parsed = path[0] == '-' ? CommandLine({"--", path}) : CommandLine({path});
    EXPECT_EQ(parsed.mode(), CommandLine::Mode::Dialog) << parsed.error();
    EXPECT_EQ(parsed.path(), path);
  }
  EXPECT_EQ(CommandLine({}).path(), "");
}

TEST(CommandLineRun, HelpVersionAndBadArguments) {
  MemorySettings settings;
  const Result version = RunPictrove({"--version"}, settings);
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "Pictrove Version 1.0\n");
  const Result help = RunPictrove({"--help"}, settings);
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--export FOLDER"), std::string::npos);
  const Result bad = RunPictrove({"--export"}, settings);
  EXPECT_EQ(bad.code, 2);
  EXPECT_TRUE(bad.out.empty());
  EXPECT_NE(bad.err.find("Usage:"), std::string::npos);
  EXPECT_NE(bad.err.find("--export needs a folder"), std::string::npos);
  EXPECT_NE(RunPictrove({"--export", "F", "--format"}, settings)
                .err.find("pictrove: --format needs one of BMP, JPG, PCX, PNG, TIFF\n"),
            std::string::npos);
  const Result unknown = RunPictrove({"--what"}, settings);
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("'what'"), std::string::npos) << unknown.err;
}

TEST(CommandLineRun, HelpDescribesEveryOptionWithExamples) {
  MemorySettings settings;
  const Result help = RunPictrove({"-h"}, settings);
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: pictrove [PATH]\n", 0), 0u) << help.out;
  for (const char* text : {"--list FOLDER", "--export FOLDER", "-f, --format FORMAT", "-o, --output DIR",
                           "-r, --recursive", "-h, --help", "-v, --version", "Examples:",
                           "--format=PNG", "Exit status:"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 78u) << line;
}

class CommandLineFolder : public ::testing::Test {
 protected:
  testsupport::TempDir dir;
  MemorySettings settings;
};

TEST_F(CommandLineFolder, ListPrintsNameSizeAndKindOfEachPreview) {
  dir.write("b.dwg", PngDrawing(64, 48, 0x336699));
  dir.write("A.dwg", BmpDrawing(216, 140, 0x808080, 8, "AC1012"));
  dir.write("c.dwg", NoPreviewDrawing());
  dir.write("d.dwg", BrokenPreviewDrawing());
  dir.write("tab\there.dwg", BmpDrawing(10, 20, 0x808080));
  dir.write("huge.dwg", BmpDrawing(700, 500, 0x808080));  // over 1 MiB: read in a turn
  dir.write("B.DXF", DxfDrawing(30, 20, 0x808080));
  const std::string noPreview = "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n";
  dir.write("e.dxf", std::vector<std::uint8_t>(noPreview.begin(), noPreview.end()));
  const int depthBefore = ScreenDepth();
  const Result result = RunPictrove({"--list", dir.path()}, settings);
  EXPECT_EQ(ScreenDepth(), depthBefore) << "the run puts the screen depth back";
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out,
            "A.dwg\t216x140\tBMP\n"
            "b.dwg\t64x48\tPNG\n"
            "B.DXF\t30x20\tBMP\n"
            "d.dwg\t0x0\tBMP\n"
            "huge.dwg\t700x500\tBMP\n"
            "tab\\x09here.dwg\t10x20\tBMP\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(settings.writes, 0);
}

TEST_F(CommandLineFolder, NothingFoundExitsWithThreeAndTheMessage) {
  dir.write("c.dwg", NoPreviewDrawing());
  for (const char* mode : {"--list", "--export"}) {
    const Result result = RunPictrove({mode, dir.path()}, settings);
    EXPECT_EQ(result.code, 3) << mode;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "No bitmap previews have been found in the following folder:\n\n" + dir.path() + "\n");
  }
}

TEST_F(CommandLineFolder, FolderThatCannotBeScannedIsABadArgumentWithTheSystemsReason) {
  dir.write("plan.dwg", BmpDrawing(40, 30, 0x808080));
  const struct {
    std::string folder;
    const char* reason;
  } cases[] = {
      {dir.file("missing"), "No such file or directory"},
      {dir.file("plan.dwg"), "Not a directory"},
      {"/etc/passwd/x", "Not a directory"},
  };
  for (const auto& c : cases) {
    for (const char* mode : {"--list", "--export"}) {
      const Result result = RunPictrove({mode, c.folder}, settings);
      EXPECT_EQ(result.code, 2) << mode << " " << c.folder;
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, "pictrove: " + c.folder + ": " + c.reason + "\n");
    }
  }
}

TEST_F(CommandLineFolder, ExportWritesEveryPreviewInTheChosenFormat) {
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("b.dwg", PngDrawing(40, 30, 0x808080));
  dir.write("c.dwg", BmpDrawing(700, 500, 0x808080));  // over 1 MiB: read in a turn
  const Result result = RunPictrove({"--export", dir.path(), "--format", "PCX"}, settings);
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, dir.file("a.PCX") + "\n" + dir.file("b.PCX") + "\n" + dir.file("c.PCX") + "\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(testsupport::readFile(dir.file("b.PCX")).at(0), 0x0A);
  EXPECT_EQ(settings.writes, 0);
}

TEST_F(CommandLineFolder, ExportWithoutFormatUsesTheRememberedOne) {
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  settings.values["Settings/OutputType"] = 4;
  EXPECT_EQ(RunPictrove({"--export", dir.path()}, settings).out, dir.file("a.TIFF") + "\n");
  settings.values.clear();
  EXPECT_EQ(RunPictrove({"--export", dir.path()}, settings).out, dir.file("a.JPG") + "\n") << "default";
  settings.values["Settings/OutputType"] = -1;
  const Result none = RunPictrove({"--export", dir.path()}, settings);
  EXPECT_EQ(none.code, 2);
  EXPECT_NE(none.err.find("--format"), std::string::npos);
  EXPECT_EQ(settings.writes, 0);
}

TEST_F(CommandLineFolder, ExportReportsEachFailureAndExitsWithOne) {
  dir.write("a.dwg", BrokenPreviewDrawing());
  dir.write("b.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("c.dwg", BmpDrawing(40, 30, 0x808080));
  ASSERT_EQ(mkdir(dir.file("c.BMP").c_str(), 0755), 0);
  const Result result = RunPictrove({"--export", dir.path(), "--format", "BMP"}, settings);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, dir.file("b.BMP") + "\n");
  EXPECT_EQ(result.err, dir.file("a.BMP") + ": no picture to save\n" + dir.file("c.BMP") +
                            ": cannot create the file (Is a directory)\n");
}

TEST_F(CommandLineFolder, ExportKeepsTheFirstOfTwoImagesWithOneName) {
  dir.write("plan.DWG", BmpDrawing(40, 30, 0x0000FF));
  dir.write("plan.dwg", BmpDrawing(40, 30, 0xFF0000));
  dir.write("plan.dxf", DxfDrawing(40, 30, 0x00FF00));
  dir.write("a.dxf", DxfDrawing(40, 30, 0x00FF00));
  const std::vector<std::uint8_t> first = [&] {
    testsupport::TempDir alone;
    alone.write("plan.DWG", BmpDrawing(40, 30, 0x0000FF));
    EXPECT_EQ(RunPictrove({"--export", alone.path(), "--format", "BMP"}, settings).code, 0);
    return testsupport::readFile(alone.file("plan.BMP"));
  }();
  const Result result = RunPictrove({"--export", dir.path(), "--format", "BMP"}, settings);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, dir.file("a.BMP") + "\n" + dir.file("plan.BMP") + "\n");
  const std::string refused =
      dir.file("plan.BMP") + ": its image would replace another drawing's image just written\n";
  EXPECT_EQ(result.err, refused + refused) << "plan.dwg, then plan.dxf";
  EXPECT_EQ(testsupport::readFile(dir.file("plan.BMP")), first);
}

TEST_F(CommandLineFolder, OutputFolderIsMadeAndTakesTheImagesNamedAfterTheDrawings) {
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("v1.2 plan.DWG", PngDrawing(40, 30, 0x808080));
  dir.write("c.dwg", NoPreviewDrawing());
  const std::string output = dir.file("out/deeper");
  const Result result = RunPictrove({"--export", dir.path(), "--format=PNG", "--output", output}, settings);
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out, output + "/a.PNG\n" + output + "/v1.2 plan.PNG\n");
  EXPECT_EQ(testsupport::readFile(output + "/a.PNG").at(1), 'P');
  struct stat st {};
  EXPECT_NE(stat(dir.file("a.PNG").c_str(), &st), 0) << "nothing beside the drawings";

  // A second run replaces the images; an output folder given with a slash
  // names the same files.
  EXPECT_EQ(RunPictrove({"--export", dir.path(), "-f", "png", "-o", output + "/"}, settings).out,
            result.out);
}

TEST_F(CommandLineFolder, OutputFolderThatCannotBeMadeIsABadArgument) {
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  const std::string file = dir.write("taken", {1});
  for (const std::string& output : {file, file + "/below"}) {
    const Result result = RunPictrove({"--export", dir.path(), "-f", "BMP", "-o", output}, settings);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.err, "pictrove: " + output + ": Not a directory\n");
  }
}

TEST_F(CommandLineFolder, OutputFolderNeverWritesThroughALinkToTheDrawing) {
  const std::vector<std::uint8_t> drawing = BmpDrawing(40, 30, 0x808080);
  dir.write("a.dwg", drawing);
  ASSERT_EQ(mkdir(dir.file("out").c_str(), 0755), 0);
  ASSERT_EQ(symlink(dir.file("a.dwg").c_str(), dir.file("out/a.BMP").c_str()), 0);
  const Result result = RunPictrove({"--export", dir.path(), "-f", "BMP", "-o", dir.file("out")}, settings);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.err, dir.file("out/a.BMP") + ": cannot create the file (it is the drawing itself)\n");
  EXPECT_EQ(testsupport::readFile(dir.file("a.dwg")), drawing);
}

// plan.PNG planted as a link to another drawing (symbolic or hard): the
// export replaces the link with plan's image and leaves other.dwg as it was.
TEST_F(CommandLineFolder, ExportReplacesALinkToAnotherDrawingAndKeepsThatDrawing) {
  const std::vector<std::uint8_t> other = BmpDrawing(30, 20, 0x102030);
  dir.write("other.dwg", other);
  dir.write("plan.dwg", BmpDrawing(40, 30, 0x808080));
  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symbolic link");
    unlink(dir.file("plan.PNG").c_str());
    unlink(dir.file("other.PNG").c_str());
    ASSERT_EQ((hard ? link : symlink)(dir.file("other.dwg").c_str(), dir.file("plan.PNG").c_str()), 0);
    const Result result = RunPictrove({"--export", dir.path(), "-f", "PNG"}, settings);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, dir.file("other.PNG") + "\n" + dir.file("plan.PNG") + "\n");
    EXPECT_EQ(testsupport::readFile(dir.file("other.dwg")), other);
    const std::vector<std::uint8_t> image = testsupport::readFile(dir.file("plan.PNG"));
    ASSERT_GT(image.size(), 8u);
    EXPECT_EQ(image[1], 'P');
  }
}

// A tree with drawings at every level, names in mixed case, a link to a
// folder (which would loop) and a folder of images named like a drawing.
class CommandLineTree : public CommandLineFolder {
 protected:
  void SetUp() override {
    for (const char* folder : {"b-sub", "B-sub2", "b-sub/inner", "a-sub", "empty", "zz.dwg"})
      ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
    dir.write("top.dwg", BmpDrawing(40, 30, 0x808080));
    dir.write("A-top.dwg", PngDrawing(20, 10, 0x808080));
    dir.write("a-sub/x.dwg", BmpDrawing(30, 20, 0x808080));
    dir.write("b-sub/y.dwg", BmpDrawing(31, 20, 0x808080));
    dir.write("b-sub/inner/z.dwg", BmpDrawing(32, 20, 0x808080));
    dir.write("b-sub/inner/none.dwg", NoPreviewDrawing());
    dir.write("B-sub2/w.dwg", BmpDrawing(33, 20, 0x808080));
    dir.write("zz.dwg/v.dwg", BmpDrawing(34, 20, 0x808080));
    ASSERT_EQ(symlink(dir.path().c_str(), dir.file("b-sub/loop").c_str()), 0);
  }
};

TEST_F(CommandLineTree, RecursiveListGoesDepthFirstInNameOrderWithRelativeNames) {
  const Result result = RunPictrove({"--list", dir.path(), "--recursive"}, settings);
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out,
            "A-top.dwg\t20x10\tPNG\n"
            "top.dwg\t40x30\tBMP\n"
            "a-sub/x.dwg\t30x20\tBMP\n"
            "b-sub/y.dwg\t31x20\tBMP\n"
            "b-sub/inner/z.dwg\t32x20\tBMP\n"
            "B-sub2/w.dwg\t33x20\tBMP\n"
            "zz.dwg/v.dwg\t34x20\tBMP\n");
  EXPECT_EQ(result.err, "");
  // Without --recursive only the folder's own drawings.
  EXPECT_EQ(RunPictrove({"--list", dir.path()}, settings).out,
            "A-top.dwg\t20x10\tPNG\ntop.dwg\t40x30\tBMP\n");
}

TEST_F(CommandLineTree, RecursiveExportBesideTheDrawingsOrMirroredUnderTheOutputFolder) {
  const Result beside = RunPictrove({"--export", dir.path(), "-r", "--format=BMP"}, settings);
  EXPECT_EQ(beside.code, 0) << beside.err;
  EXPECT_NE(beside.out.find(dir.file("b-sub/inner/z.BMP") + "\n"), std::string::npos);

  const std::string output = dir.file("mirror");
  const Result mirrored =
      RunPictrove({"--export", dir.path(), "--recursive", "--format=TIFF", "--output", output}, settings);
  EXPECT_EQ(mirrored.code, 0) << mirrored.err;
  const std::string expected = output + "/A-top.TIFF\n" + output + "/top.TIFF\n" + output +
                               "/a-sub/x.TIFF\n" + output + "/b-sub/y.TIFF\n" + output +
                               "/b-sub/inner/z.TIFF\n" + output + "/B-sub2/w.TIFF\n" + output +
                               "/zz.dwg/v.TIFF\n";
  EXPECT_EQ(mirrored.out, expected);
  struct stat st {};
  EXPECT_NE(stat((output + "/empty").c_str(), &st), 0) << "no folders without images";
  EXPECT_EQ(testsupport::readFile(output + "/b-sub/inner/z.TIFF").at(0), 'I');

  // A second recursive run walks the mirror inside the tree too, which
  // holds no drawings.
  EXPECT_EQ(RunPictrove({"--export", dir.path(), "-r", "-f", "TIFF", "-o", output}, settings).out,
            expected);
}

TEST_F(CommandLineTree, SubfoldersSortLikeDrawingNames) {
  std::vector<std::string> names;
  ASSERT_EQ(pictrove::ListSubfolders(dir.path(), names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"a-sub", "b-sub", "B-sub2", "empty", "zz.dwg"}));
  EXPECT_TRUE(pictrove::NameLess("B", "b")) << "ties in byte order";
  EXPECT_TRUE(pictrove::NameLess("a", "B"));
  EXPECT_NE(pictrove::ListSubfolders(dir.file("top.dwg"), names), 0);
}

// The counter, on a clock the test moves.
class ProgressTest : public ::testing::Test {
 protected:
  double now = 100.0;
  std::ostringstream err;
  pictrove::ProgressLine progress{err, 40, [this] { return now; }};
};

TEST_F(ProgressTest, ShowsDoneOfFoundAndTheRateAtMostTenTimesASecond) {
  // Steps of powers of two, so that the clock's sums are exact.
  now += 0.5;
  progress.Advance();
  EXPECT_EQ(ScreenLines(err.str()).back(), "1 of 40 drawings, 2.0/s");
  now += 0.0625;
  progress.Advance();  // too soon: not shown
  EXPECT_EQ(ScreenLines(err.str()).back(), "1 of 40 drawings, 2.0/s");
  now += 0.0625;
  progress.Advance();
  EXPECT_EQ(ScreenLines(err.str()).back(), "3 of 40 drawings, 4.8/s");
  for (int i = 0; i < 30; ++i) {
    now += 0.03125;
    progress.Advance();
  }
  // Shown again every fourth step, 0.125 s apart: the last at 31.
  EXPECT_EQ(ScreenLines(err.str()).back(), "31 of 40 drawings, 21/s");
  const std::string written = err.str();
  EXPECT_EQ(std::count(written.begin(), written.end(), '\r'), 2 + 7);
  EXPECT_EQ(progress.done(), 33u);
  progress.Finish();
  EXPECT_EQ(ScreenLines(err.str()), std::vector<std::string>{""}) << "erased at the end";
  EXPECT_EQ(err.str().find('\n'), std::string::npos);
}

TEST_F(ProgressTest, LinesPrintedAboveItAreWholeAndItFollowsThem) {
  now += 1;
  for (int i = 0; i < 11; ++i) progress.Advance();
  now += 0.5;
  progress.Advance();
  progress.PrintAbove([&] { err << "/x/a.BMP: cannot create the file\n"; });
  progress.PrintAbove([&] { err << "/x/b.BMP: no picture to save\n"; });
  EXPECT_EQ(ScreenLines(err.str()),
            (std::vector<std::string>{"/x/a.BMP: cannot create the file", "/x/b.BMP: no picture to save",
                                      "12 of 40 drawings, 8.0/s"}));
  progress.Finish();
  progress.Advance();
  progress.PrintAbove([&] { err << "late\n"; });
  EXPECT_EQ(ScreenLines(err.str()).back(), "") << "nothing is drawn once finished";
}

TEST_F(CommandLineFolder, ExportShowsTheCounterOnlyOnATerminal) {
  dir.write("a.dwg", BrokenPreviewDrawing());
  // More drawings than the first batch whose reads decide the threads for
  // the rest: all of them come out, in name order.
  std::string written;
  for (int i = 10; i < 30; ++i) {
    dir.write("d" + std::to_string(i) + ".dwg", BmpDrawing(40, 30, 0x808080));
    written += dir.file("d" + std::to_string(i) + ".BMP") + "\n";
  }
  const Result plain = RunPictrove({"--export", dir.path(), "-f", "BMP"}, settings);
  EXPECT_EQ(plain.err, dir.file("a.BMP") + ": no picture to save\n") << "no counter when redirected";
  EXPECT_EQ(plain.out, written);

  pictrove::Terminals terminals;
  terminals.err = true;
  const Result shown = RunPictrove({"--export", dir.path(), "-f", "BMP"}, settings, terminals);
  EXPECT_EQ(shown.code, 1);
  EXPECT_NE(shown.err.find("of 21 drawings"), std::string::npos) << shown.err;
  EXPECT_EQ(ScreenLines(shown.err),
            (std::vector<std::string>{dir.file("a.BMP") + ": no picture to save", ""}))
      << "the failure stays whole and the counter is gone";
  EXPECT_EQ(shown.out, plain.out) << "standard output is not the terminal: untouched";
  // The list mode never shows it.
  EXPECT_EQ(RunPictrove({"--list", dir.path()}, settings, terminals).err.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace apptest
