// The pictrove program itself, headless: no display, no lock, settings
// read and left untouched; the bundled samples and the real drawings; the
// counter on a terminal; a display that cannot be reached.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "tests/dialog/drawing_fixtures.h"
#include "tests/dialog/process_runner.h"
#include "tests/cli/terminal_screen.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

const std::string kProgram = PICTROVE_PROGRAM;

class ProgramTest : public ::testing::Test {
 protected:
  // A session without a display: only a home and config folder of its own.
  Environment Session() const {
    return {{"HOME", home.path()}, {"XDG_CONFIG_HOME", home.file("config")},
            {"XDG_RUNTIME_DIR", home.path()}};
  }
  std::string SettingsFile() const { return home.file("config/Quillory/Pictrove.conf"); }
  void Remember(int outputType) const {
    ASSERT_EQ(system(("mkdir -p '" + home.file("config/Quillory") + "'").c_str()), 0);
    std::ofstream(SettingsFile()) << "[Settings]\nOutputType=" << outputType << "\n";
  }

  testsupport::TempDir home;
  testsupport::TempDir drawings;
};

TEST_F(ProgramTest, VersionHelpAndBadArgumentsNeedNoDisplay) {
  ProcessResult version = RunProgram(kProgram, {"--version"}, Session());
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "Pictrove Version 1.0\n");
  ProcessResult bad = RunProgram(kProgram, {"--list"}, Session());
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("Usage: pictrove"), std::string::npos);
  EXPECT_EQ(bad.out, "");
}

TEST_F(ProgramTest, DialogWithoutADisplaySaysSoAndEnds) {
  ProcessResult result = RunProgram(kProgram, {}, Session(), 30);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("no display"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("--export"), std::string::npos);
}

TEST_F(ProgramTest, ExportUsesTheRememberedFormatAndLeavesTheSettingsAlone) {
  Remember(3);
  const std::string before = [&] {
    std::ifstream in(SettingsFile());
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  struct stat statBefore {};
  ASSERT_EQ(stat(SettingsFile().c_str(), &statBefore), 0);
  drawings.write("plan.dwg", BmpDrawing(120, 80, 0x336699));
  drawings.write("notes.dwg", NoPreviewDrawing());

  ProcessResult result = RunProgram(kProgram, {"--export", drawings.path()}, Session());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, drawings.file("plan.PNG") + "\n");
  EXPECT_EQ(testsupport::readFile(drawings.file("plan.PNG")).at(1), 'P');

  std::ifstream in(SettingsFile());
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
  struct stat statAfter {};
  ASSERT_EQ(stat(SettingsFile().c_str(), &statAfter), 0);
  EXPECT_EQ(statAfter.st_mtim.tv_sec, statBefore.st_mtim.tv_sec);
  EXPECT_EQ(statAfter.st_mtim.tv_nsec, statBefore.st_mtim.tv_nsec);
}

TEST_F(ProgramTest, ExitCodesOfExport) {
  drawings.write("a.dwg", BrokenPreviewDrawing());
  drawings.write("b.dwg", BmpDrawing(20, 20, 0x808080));
  ProcessResult some = RunProgram(kProgram, {"--export", drawings.path(), "--format", "tiff"}, Session());
  EXPECT_EQ(some.exitCode, 1);
  EXPECT_EQ(some.out, drawings.file("b.TIFF") + "\n");
  EXPECT_EQ(some.err, drawings.file("a.TIFF") + ": no picture to save\n");

  testsupport::TempDir empty;
  ProcessResult none = RunProgram(kProgram, {"--export", empty.path()}, Session());
  EXPECT_EQ(none.exitCode, 3);
  EXPECT_EQ(none.err, "No bitmap previews have been found in the following folder:\n\n" +
                          empty.path() + "\n");
}

// A link planted at an image's name is replaced by the image: the drawing
// it points to stays byte for byte as it was.
TEST_F(ProgramTest, ExportReplacesALinkInsteadOfWritingThroughIt) {
  drawings.write("other.dwg", BmpDrawing(30, 20, 0x112233));
  drawings.write("plan.dwg", BmpDrawing(20, 30, 0x445566));
  const std::vector<std::uint8_t> other = testsupport::readFile(drawings.file("other.dwg"));
  ASSERT_EQ(symlink(drawings.file("other.dwg").c_str(), drawings.file("plan.PNG").c_str()), 0);
  ProcessResult result = RunProgram(kProgram, {"--export", drawings.path(), "--format", "PNG"}, Session());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, drawings.file("other.PNG") + "\n" + drawings.file("plan.PNG") + "\n");
  EXPECT_EQ(testsupport::readFile(drawings.file("other.dwg")), other);
  struct stat plan {};
  ASSERT_EQ(lstat(drawings.file("plan.PNG").c_str(), &plan), 0);
  EXPECT_TRUE(S_ISREG(plan.st_mode));
  EXPECT_EQ(testsupport::readFile(drawings.file("plan.PNG")).at(1), 'P');
}

TEST_F(ProgramTest, RunsWhileAnotherInstanceHoldsTheLock) {
  // The command line takes no lock: it runs beside the dialog.
  std::ofstream(home.file("Pictrove.lock")) << "";
  drawings.write("b.dwg", BmpDrawing(20, 20, 0x808080));
  EXPECT_EQ(RunProgram(kProgram, {"--list", drawings.path()}, Session()).exitCode, 0);
}

// The README's run command without a display: it lists the bundled
// samples (every kind of preview) and exports them into a folder it names.
TEST_F(ProgramTest, RunScriptWithoutADisplayListsAndExportsTheSamples) {
  Environment session = Session();
  session["PICTROVE_RUN_PREBUILT"] = "1";
  session["PICTROVE_BUILD_DIR"] = PICTROVE_BUILD_DIR;
  session["TMPDIR"] = home.path();
  const ProcessResult result = RunProgram("/bin/bash", {PICTROVE_RUN_SCRIPT}, session);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("the dialog needs a desktop session"), std::string::npos);
  EXPECT_NE(result.out.find("bridge.dwg\t256x102\tBMP\n"
                            "floor-plan.dwg\t220x150\tBMP\n"
                            "gear.dwg\t180x140\tBMP\n"
                            "site-map.dwg\t240x180\tPNG\n"
                            "tower.dwg\t96x200\tBMP\n"),
            std::string::npos)
      << result.out;
  const std::string marker = "--output ";
  const std::size_t at = result.out.find(marker);
  ASSERT_NE(at, std::string::npos) << result.out;
  const std::string folder = result.out.substr(at + marker.size(),
                                               result.out.find('\n', at) - at - marker.size());
  EXPECT_EQ(folder.rfind(home.path(), 0), 0u) << folder;
  for (const char* name : {"bridge", "floor-plan", "gear", "site-map", "tower"}) {
    const std::string image = folder + "/" + name + ".PNG";
    EXPECT_NE(result.out.find(image + "\n"), std::string::npos) << image;
    const std::vector<std::uint8_t> bytes = testsupport::readFile(image);
    ASSERT_GT(bytes.size(), 8u) << image;
    EXPECT_EQ(bytes[1], 'P') << image;
  }
}

// Every read of b.dwg fails (a bad sector, a dropped share): that drawing
// alone fails, named with the system's reason; the others are listed and
// saved, and the exit code tells that something was not done. The
// thumbnailer refuses it and writes nothing.
TEST_F(ProgramTest, AnUnreadableDrawingFailsAloneAndTheOthersAreDone) {
  drawings.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  drawings.write("b.dwg", BmpDrawing(40, 30, 0x808080));
  drawings.write("c.dwg", PngDrawing(20, 10, 0x808080));
  Environment session = Session();
  session["LD_PRELOAD"] = PICTROVE_FAIL_READS_SHIM;
  session["PICTROVE_FAIL_READS"] = "/b.dwg";
  session["ASAN_OPTIONS"] = "verify_asan_link_order=0";
  const std::string unreadable = "pictrove: b.dwg: cannot read (Input/output error)\n";

  const ProcessResult list = RunProgram(kProgram, {"--list", drawings.path()}, session);
  EXPECT_EQ(list.exitCode, 1);
  EXPECT_EQ(list.out, "a.dwg\t40x30\tBMP\nc.dwg\t20x10\tPNG\n");
  EXPECT_EQ(list.err, unreadable);

  const ProcessResult exported =
      RunProgram(kProgram, {"--export", drawings.path(), "-f", "PNG"}, session);
  EXPECT_EQ(exported.exitCode, 1);
  EXPECT_EQ(exported.out, drawings.file("a.PNG") + "\n" + drawings.file("c.PNG") + "\n");
  EXPECT_EQ(exported.err, unreadable);
  struct stat st {};
  EXPECT_NE(stat(drawings.file("b.PNG").c_str(), &st), 0);

  const ProcessResult thumbnail = RunProgram(
      PICTROVE_THUMBNAILER, {drawings.file("b.dwg"), drawings.file("b-thumb.png")}, session);
  EXPECT_EQ(thumbnail.exitCode, 1);
  EXPECT_NE(thumbnail.err.find("cannot be read (Input/output error)"), std::string::npos)
      << thumbnail.err;
  EXPECT_NE(stat(drawings.file("b-thumb.png").c_str(), &st), 0);
}

TEST_F(ProgramTest, RealDrawingsListWithTheirPreviewSizes) {
  const std::string real = testsupport::realDrawingsDir();
  if (real.empty()) GTEST_SKIP() << "no real drawings";
  ProcessResult result = RunProgram(kProgram, {"--list", real}, Session());
  EXPECT_EQ(result.exitCode, 0);
  for (const char* line : {"r13-example.dwg\t216x140\tBMP\n", "r14-plan.dwg\t180x116\tBMP\n",
                           "r2000-sample.dwg\t180x88\tBMP\n", "r2004-example.dwg\t216x140\tBMP\n",
                           "r2007-line.dwg\t256x102\tBMP\n", "r2010-large-preview.dwg\t672x448\tBMP\n"})
    EXPECT_NE(result.out.find(line), std::string::npos) << line;
  for (const char* name : {"r2013-arc.dwg\t", "r2018-sample.dwg\t"})
    EXPECT_NE(result.out.find(name), std::string::npos) << name;
  for (const char* absent : {"r11-old", "r2000-no-preview", "r2018-no-image"})
    EXPECT_EQ(result.out.find(absent), std::string::npos) << absent;
}

// Runs the program with standard output and error on a pseudo-terminal, as
// in a terminal window; everything it wrote there.
ProcessResult RunOnTerminal(const std::vector<std::string>& arguments, const Environment& environment) {
  std::vector<std::string> argv = {kProgram};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp;
  for (const auto& [key, value] : environment) envp.push_back(key + "=" + value);
  std::vector<char*> argvPointers;
  for (std::string& a : argv) argvPointers.push_back(a.data());
  argvPointers.push_back(nullptr);
  std::vector<char*> envPointers;
  for (std::string& e : envp) envPointers.push_back(e.data());
  envPointers.push_back(nullptr);

  ProcessResult result;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return result;
  if (pid == 0) {
    execve(argvPointers[0], argvPointers.data(), envPointers.data());
    _exit(127);
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) {
      result.out.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the program has ended and closed the terminal
    }
  }
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

TEST_F(ProgramTest, ExportCountsOnATerminalWithoutGarblingItsLines) {
  drawings.write("a-broken.dwg", BrokenPreviewDrawing());
  std::string expected = drawings.file("a-broken.BMP") + ": no picture to save\n";
  for (int i = 0; i < 60; ++i) {
    const std::string name = "d" + std::to_string(100 + i);
    drawings.write(name + ".dwg", BmpDrawing(200, 150, 0x336699));
    expected += drawings.file(name + ".BMP") + "\n";
  }
  Environment environment = Session();
  environment["PATH"] = "/usr/bin:/bin";
  const ProcessResult shown = RunOnTerminal({"--export", drawings.path(), "--format", "BMP"}, environment);
  EXPECT_EQ(shown.exitCode, 1);
  EXPECT_NE(shown.out.find(" of 61 drawings, "), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("/s"), std::string::npos);
  // What the terminal shows in the end: every line whole, in order, and the
  // counter gone.
  std::vector<std::string> lines;
  for (const std::string& line : ScreenLines(shown.out)) lines.push_back(line);
  std::vector<std::string> wanted;
  std::istringstream expectedLines(expected);
  for (std::string line; std::getline(expectedLines, line);) wanted.push_back(line);
  wanted.push_back("");
  EXPECT_EQ(lines, wanted);

  // Redirected to pipes: no counter, no carriage return anywhere.
  const ProcessResult piped = RunProgram(kProgram, {"--export", drawings.path(), "--format", "BMP"}, Session());
  EXPECT_EQ(piped.exitCode, 1);
  EXPECT_EQ(piped.err, drawings.file("a-broken.BMP") + ": no picture to save\n");
  EXPECT_EQ(piped.out.find('\r'), std::string::npos);
}

TEST_F(ProgramTest, UnreachableDisplayEndsWithAMessageInsteadOfAnAbort) {
  // A display number nobody serves.
  int number = 0;
  for (number = 150 + static_cast<int>(getpid() % 500); number < 1000; ++number) {
    struct stat st {};
    if (stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &st) != 0 &&
        stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &st) != 0)
      break;
  }
  const std::string display = ":" + std::to_string(number);
  Environment environment = Session();
  environment["DISPLAY"] = display;
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{PICTROVE_SAMPLES_DIR}}) {
    const ProcessResult result = RunProgram(kProgram, arguments, environment, 30);
    EXPECT_EQ(result.exitCode, 1) << "an exit, not a signal: " << result.err;
    EXPECT_NE(result.err.find("pictrove: cannot open the X display '" + display + "'"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("--export"), std::string::npos);
  }
  // Asked for a platform that cannot start, Qt's own failure is caught too.
  environment["QT_QPA_PLATFORM"] = "no-such-platform";
  const ProcessResult other = RunProgram(kProgram, {}, environment, 30);
  EXPECT_EQ(other.exitCode, 1) << other.err;
  EXPECT_NE(other.err.find("pictrove: the dialog cannot start"), std::string::npos) << other.err;
}

}  // namespace
}  // namespace apptest
