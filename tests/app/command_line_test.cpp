// The headless command line: arguments, listing, exporting, exit codes, and
// that the remembered settings are read but never written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>

#include "app/command_line.h"
#include "app/settings_store.h"
#include "platform/gdi.h"
#include "tests/app/drawing_fixtures.h"
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

Result RunPictrove(const std::vector<std::string>& arguments, MemorySettings& settings) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = CommandLine(arguments).Run(settings, out, err);
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
  EXPECT_EQ(CommandLine({"--version"}).mode(), CommandLine::Mode::Version);

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
      {"folder"},
  };
  for (const auto& arguments : bad) {
    const CommandLine parsed(arguments);
    EXPECT_EQ(parsed.mode(), CommandLine::Mode::Invalid) << arguments.front();
    EXPECT_FALSE(parsed.error().empty());
  }
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
  const int depthBefore = ScreenDepth();
  const Result result = RunPictrove({"--list", dir.path()}, settings);
  EXPECT_EQ(ScreenDepth(), depthBefore) << "the run puts the screen depth back";
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out,
            "A.dwg\t216x140\tBMP\n"
            "b.dwg\t64x48\tPNG\n"
            "d.dwg\t0x0\tBMP\n"
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
  EXPECT_EQ(RunPictrove({"--list", dir.file("missing")}, settings).code, 3);
}

TEST_F(CommandLineFolder, ExportWritesEveryPreviewInTheChosenFormat) {
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("b.dwg", PngDrawing(40, 30, 0x808080));
  const Result result = RunPictrove({"--export", dir.path(), "--format", "PCX"}, settings);
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.out, dir.file("a.PCX") + "\n" + dir.file("b.PCX") + "\n");
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
  const std::vector<std::uint8_t> first = [&] {
    testsupport::TempDir alone;
    alone.write("plan.DWG", BmpDrawing(40, 30, 0x0000FF));
    EXPECT_EQ(RunPictrove({"--export", alone.path(), "--format", "BMP"}, settings).code, 0);
    return testsupport::readFile(alone.file("plan.BMP"));
  }();
  const Result result = RunPictrove({"--export", dir.path(), "--format", "BMP"}, settings);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, dir.file("plan.BMP") + "\n");
  EXPECT_EQ(result.err, dir.file("plan.BMP") +
                            ": its image would replace another drawing's image just written\n");
  EXPECT_EQ(testsupport::readFile(dir.file("plan.BMP")), first);
}

}  // namespace
}  // namespace apptest
