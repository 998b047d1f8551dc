// The real program under a virtual X server: the dialog titled "Pictrove"
// appears, a second instance is refused while it runs, Escape closes it, and
// the display's depth decides whether it may start. Screenshots of the
// dialog opened on a drawing, at scale factors 1 and 2 and with a long name,
// and of the whole preview of a real drawing, go to the build folder's
// Testing/screenshots for people to look at.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <utility>

#include "app/core/drawing_picture.h"
#include "app/core/thumbnail.h"
#include "app/core/toolkit_session.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/dialog/process_runner.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

const std::string kProgram = PICTROVE_PROGRAM;

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// The process id written in an X server's lock file, or -1.
pid_t LockOwner(const std::string& lock) {
  std::ifstream in(lock);
  long pid = -1;
  if (!(in >> pid)) return -1;
  return static_cast<pid_t>(pid);
}

// True when something accepts connections on the Unix socket at `path`.
bool Accepts(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    close(fd);
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

// An Xvfb server of its own for one test, and a session on it.
class XvfbSession {
 public:
  explicit XvfbSession(int depth) {
    for (int attempt = 0; attempt < 50 && server_ == nullptr; ++attempt) {
      const int display = 100 + static_cast<int>((getpid() * 7 + attempt * 13) % 800);
      if (Exists("/tmp/.X" + std::to_string(display) + "-lock")) continue;
      display_ = ":" + std::to_string(display);
      // -noreset: a server resets when its last client leaves, and the
      // checks below and xdotool come and go; a program connecting during a
      // reset would be refused.
      auto server = std::make_unique<ChildProcess>(
          FindInPath("Xvfb"),
          std::vector<std::string>{display_, "-screen", "0", "1280x1024x" + std::to_string(depth),
                                   "-nolisten", "tcp", "-noreset"},
          Environment{});
      // The display is ours only when the lock names our server: another
      // test may have taken the same number a moment earlier, and then our
      // server ends while theirs answers on the socket.
      const std::string lock = "/tmp/.X" + std::to_string(display) + "-lock";
      for (int wait = 0; wait < 200 && server->running() && LockOwner(lock) != server->pid(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      // A socket file may be left over from a server that was killed: wait
      // until ours accepts connections on it.
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
      for (int wait = 0; wait < 200 && server->running() && !Accepts(socket); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (server->running() && LockOwner(lock) == server->pid() && Accepts(socket)) {
        server_ = std::move(server);
      }
    }
  }
  // Ends the server gently, so that it removes its lock and socket.
  ~XvfbSession() {
    if (server_ != nullptr && server_->running()) {
      kill(server_->pid(), SIGTERM);
      server_->wait(5);
    }
  }
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  bool up() const { return server_ != nullptr; }

  Environment Env() const {
    Environment environment = {{"DISPLAY", display_},
                               {"HOME", home_.path()},
                               {"XDG_CONFIG_HOME", home_.file("config")},
                               {"XDG_RUNTIME_DIR", home_.path()},
                               {"QT_QPA_PLATFORM", "xcb"},
                               {"LSAN_OPTIONS", "suppressions=" PICTROVE_LEAK_SUPPRESSIONS}};
    // A sanitizer build's options reach the program too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
      if (const char* value = std::getenv(name)) environment[name] = value;
    return environment;
  }
  std::string file(const std::string& name) const { return home_.file(name); }

  // Visible windows named exactly `title`, of process `pid` when given.
  std::vector<std::string> Windows(const std::string& title, pid_t pid = 0) const {
    std::vector<std::string> arguments = {"search", "--all", "--onlyvisible", "--name",
                                          "^" + title + "$"};
    if (pid > 0) arguments.insert(arguments.begin() + 1, {"--pid", std::to_string(pid)});
    const ProcessResult result = RunProgram(FindInPath("xdotool"), arguments, Env(), 20);
    std::vector<std::string> ids;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) ids.push_back(line);
    return ids;
  }
  // Waits for a window of `pid` titled `title`; its id or "".
  std::string WaitForWindow(const std::string& title, pid_t pid, double seconds = 30) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto ids = Windows(title, pid);
      if (!ids.empty()) return ids.back();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
  }
  void Key(const std::string& window, const std::string& key) const {
    RunProgram(FindInPath("xdotool"), {"key", "--window", window, key}, Env(), 20);
  }
  // Gives `window` the keyboard focus and presses `key` there, as typed:
  // the window's shortcuts answer only while it is the active one.
  void TypeKey(const std::string& window, const std::string& key) const {
    RunProgram(FindInPath("xdotool"), {"windowfocus", "--sync", window}, Env(), 20);
    RunProgram(FindInPath("xdotool"), {"key", key}, Env(), 20);
  }
  // Presses `key` in `window` until `process` ends (a window that has just
  // appeared may not take keys yet); its exit code, -1 if it never ends.
  int KeyUntilExit(const std::string& window, const std::string& key, ChildProcess& process) const {
    for (int attempt = 0; attempt < 10; ++attempt) {
      Key(window, key);
      const int code = process.wait(2);
      if (code != -1 || !process.running()) return code;
    }
    return -1;
  }

 private:
  testsupport::TempDir home_;
  std::string display_;
  std::unique_ptr<ChildProcess> server_;
};

class XvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool"})
      if (FindInPath(tool).empty()) GTEST_SKIP() << tool << " is not installed";
  }
};

TEST_F(XvfbTest, DialogAppearsRefusesASecondInstanceAndClosesOnEscape) {
  XvfbSession session(24);
  ASSERT_TRUE(session.up());
  ChildProcess first(kProgram, {}, session.Env());
  const std::string window = session.WaitForWindow("Pictrove", first.pid());
  ASSERT_FALSE(window.empty()) << "no window titled Pictrove";

  // A picture of the screen for whoever looks into the test's output.
  if (!FindInPath("import").empty()) {
    const std::string shot = session.file("screen.png");
    RunProgram(FindInPath("import"), {"-window", "root", shot}, session.Env(), 30);
    EXPECT_GT(testsupport::readFile(shot).size(), 1000u);
    if (const char* keep = std::getenv("PICTROVE_SCREENSHOT")) {
      std::ofstream(keep, std::ios::binary) << std::ifstream(shot, std::ios::binary).rdbuf();
    }
  }

  // The second start shows its message (captioned Pictrove) and ends once
  // it is answered; the first goes on.
  ChildProcess second(kProgram, {}, session.Env());
  const std::string refusal = session.WaitForWindow("Pictrove", second.pid());
  ASSERT_FALSE(refusal.empty()) << "no message from the second instance";
  EXPECT_TRUE(second.running());
  EXPECT_NE(refusal, window);
  EXPECT_EQ(session.KeyUntilExit(refusal, "Return", second), 0);
  EXPECT_TRUE(first.running());

  EXPECT_EQ(session.KeyUntilExit(window, "Escape", first), 0) << "Escape ends the dialog";
  std::ifstream settings(session.file("config/Quillory/Pictrove.conf"));
  const std::string stored(std::istreambuf_iterator<char>(settings), {});
  EXPECT_NE(stored.find("OutputType=1"), std::string::npos) << stored;

  // Once the first has ended, a new start succeeds.
  ChildProcess third(kProgram, {}, session.Env());
  const std::string again = session.WaitForWindow("Pictrove", third.pid());
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(session.KeyUntilExit(again, "Escape", third), 0);
}

TEST_F(XvfbTest, SixteenBitDisplayIsEnough) {
  XvfbSession session(16);
  ASSERT_TRUE(session.up());
  const std::string errors = session.file("stderr.txt");
  ChildProcess program(kProgram, {}, session.Env(), errors);
  const std::string window = session.WaitForWindow("Pictrove", program.pid());
  ASSERT_FALSE(window.empty()) << "running: " << program.running() << "\n"
                               << testsupport::readFile(errors).size() << " bytes on stderr:\n"
                               << std::string(std::istreambuf_iterator<char>(std::ifstream(errors).rdbuf()), {});
  EXPECT_EQ(session.KeyUntilExit(window, "Escape", program), 0);
}

TEST_F(XvfbTest, EightBitDisplayIsRefusedWithTheDisplayMessage) {
  XvfbSession session(8);
  ASSERT_TRUE(session.up());
  const std::string errors = session.file("stderr.txt");
  ChildProcess program(kProgram, {}, session.Env(), errors);
  EXPECT_EQ(program.wait(30), 0);
  std::ifstream in(errors);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(text.find("Pictrove requires display settings to be set to High Colour (16 bit) or "
                      "better.  Please adjust display settings."),
            std::string::npos)
      << text;
}

// Width and height of a picture file, from ImageMagick's identify.
std::pair<int, int> PictureSize(const std::string& file) {
  const ProcessResult result =
      RunProgram(FindInPath("identify"), {"-format", "%w %h", file}, Environment{}, 30);
  std::istringstream in(result.out);
  int width = 0;
  int height = 0;
  in >> width >> height;
  return {width, height};
}

class XvfbScreenshotTest : public XvfbTest {
 protected:
  void SetUp() override {
    XvfbTest::SetUp();
    if (IsSkipped()) return;
    for (const char* tool : {"import", "identify"})
      if (FindInPath(tool).empty()) GTEST_SKIP() << tool << " is not installed";
    ASSERT_EQ(system(("mkdir -p '" + std::string(PICTROVE_SCREENSHOT_DIR) + "'").c_str()), 0);
  }
  // Starts the program on `path` at `scale`, waits for the dialog, lets it
  // scan, and writes a picture of the dialog window to `name`.png; then
  // `more` may act on the running program before Escape ends it.
  std::pair<int, int> Shoot(const std::string& name, const std::string& scale, const std::string& path,
                            const std::function<void(XvfbSession&, const std::string&)>& more = nullptr) {
    XvfbSession session(24);
    EXPECT_TRUE(session.up());
    if (!session.up()) return {};
    Environment environment = session.Env();
    environment["QT_SCALE_FACTOR"] = scale;
    const std::string errors = session.file("stderr.txt");
    ChildProcess program(kProgram, {path}, environment, errors);
    const std::string window = session.WaitForWindow("Pictrove", program.pid());
    EXPECT_FALSE(window.empty()) << name;
    if (window.empty()) return {};
    // The scan of a few small drawings and the first paint.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(session.Windows("Pictrove", program.pid()).size(), 1u) << "no message box: " << name;
    const std::string shot = std::string(PICTROVE_SCREENSHOT_DIR) + "/" + name + ".png";
    RunProgram(FindInPath("import"), {"-window", window, shot}, session.Env(), 30);
    EXPECT_GT(testsupport::readFile(shot).size(), 1000u) << shot;
    if (more) more(session, window);
    EXPECT_EQ(session.KeyUntilExit(window, "Escape", program), 0) << name;
    return PictureSize(shot);
  }
};

TEST_F(XvfbScreenshotTest, DialogOpenedOnADrawingAtScaleOneAndTwoAndWithALongName) {
  testsupport::TempDir drawings;
  drawings.write("bridge.dwg", BmpDrawing(256, 102, 0x3366AA));
  drawings.write("gear.dwg", PngDrawing(180, 140, 0xAA6633));
  const std::string longName =
      "Site plan of the north-east extension, second floor, revision 14 after the fire "
      "inspection of March, with the corrected stair cores.dwg";
  drawings.write(longName, TwoColourBmpDrawing(220, 150, 0xCC2222, 0x2222CC));

  const std::pair<int, int> one = Shoot("scale-1", "1", drawings.file("gear.dwg"));
  EXPECT_EQ(one, std::make_pair(583, 406)) << "the template at the base font";
  const std::pair<int, int> two = Shoot("scale-2", "2", drawings.file("gear.dwg"));
  EXPECT_NEAR(two.first, 2 * one.first, 2);
  EXPECT_NEAR(two.second, 2 * one.second, 2);

  Shoot("long-name", "1", drawings.file(longName), [&](XvfbSession& session, const std::string& window) {
    // Back to the arrows with Shift+Tab: their focus frame.
    session.Key(window, "shift+Tab");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RunProgram(FindInPath("import"),
               {"-window", window, std::string(PICTROVE_SCREENSHOT_DIR) + "/focus.png"}, session.Env(), 30);
    // Select opens the folder browser at the folder on show.
    session.Key(window, "Return");
    const std::string browser = session.WaitForWindow("Browse for Folder", 0, 10);
    EXPECT_FALSE(browser.empty());
    if (browser.empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    RunProgram(FindInPath("import"),
               {"-window", "root", std::string(PICTROVE_SCREENSHOT_DIR) + "/folder-browser.png"},
               session.Env(), 30);
    session.Key(browser, "Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  });
}

// Whether the RGB picture `block` (bw x bh) lies somewhere in `screen`
// (sw x sh), byte for byte.
bool HoldsBlock(const std::vector<std::uint8_t>& screen, int sw, int sh, const std::uint8_t* block, int bw,
                int bh) {
  const auto row = [](int width) { return static_cast<std::size_t>(width) * 3; };
  if (screen.size() < row(sw) * static_cast<std::size_t>(sh)) return false;
  for (int y = 0; y + bh <= sh; ++y) {
    for (int x = 0; x + bw <= sw; ++x) {
      bool same = true;
      for (int r = 0; r < bh && same; ++r) {
        same = std::memcmp(screen.data() + row(sw) * static_cast<std::size_t>(y + r) + row(x),
                           block + row(bw) * static_cast<std::size_t>(r), row(bw)) == 0;
      }
      if (same) return true;
    }
  }
  return false;
}

// A real drawing's preview on the screen. The dialog's thumbnail is made
// for the screen's pixels: the 180 x 140 canvas at scale factor 1, the
// 360 x 280 one made by the same rules at 2 (not the first doubled). The
// viewer shows one preview pixel to one screen pixel at both.
TEST_F(XvfbScreenshotTest, ARealPreviewShowsPixelForPixelAsThumbnailAndInTheViewer) {
  if (testsupport::realDrawingsDir().empty()) GTEST_SKIP() << "the real drawings folder is absent";
  const std::string path = testsupport::realDrawingsDir() + "/r2010-large-preview.dwg";
  pictrove::DrawingPicture decoded;
  {
    pictrove::ToolkitSession toolkit;
    ASSERT_TRUE(toolkit.started());
    decoded = pictrove::LoadDrawingPicture(path, pictrove::PreviewRead::OneRead);
  }
  ASSERT_EQ(decoded.result, pictrove::PictureResult::Made);
  const int width = static_cast<int>(decoded.picture.width());
  const int height = static_cast<int>(decoded.picture.height());
  // The viewer's title as xdotool's pattern: "NAME (W x H)".
  const std::string title =
      "r2010-large-preview\\.dwg \\(" + std::to_string(width) + " x " + std::to_string(height) + "\\)";
  // The thumbnail's canvas at each scale factor, and at 2 the 180 x 140 one
  // doubled, which it must not be.
  struct Scale {
    const char* factor;
    int width, height;
    std::vector<std::uint8_t> canvas;
  };
  std::vector<Scale> scales = {{"1", 180, 140, {}}, {"1.5", 270, 210, {}}, {"2", 360, 280, {}}};
  for (Scale& at : scales) {
    at.canvas.resize(static_cast<std::size_t>(at.width) * at.height * 3);
    pictrove::ComposeThumbnailAt(decoded.picture, at.width, at.height, at.canvas.data());
  }
  std::vector<std::uint8_t> doubled(scales[2].canvas.size());
  for (int y = 0; y < 280; ++y) {
    for (int x = 0; x < 360; ++x) {
      std::memcpy(&doubled[(static_cast<std::size_t>(y) * 360 + x) * 3],
                  &scales[0].canvas[(static_cast<std::size_t>(y / 2) * 180 + x / 2) * 3], 3);
    }
  }
  ASSERT_NE(doubled, scales[2].canvas) << "the drawing tells the two apart";
  // A picture file's pixels as bytes, red first, rows top first.
  auto pixelsOf = [](const std::string& picture, const std::string& rgb) {
    RunProgram(FindInPath("convert"), {picture, "-depth", "8", "rgb:" + rgb}, Environment{}, 30);
    return testsupport::readFile(rgb);
  };
  for (const Scale& at : scales) {
    const std::string scale = at.factor;
    const std::string shot = std::string(PICTROVE_SCREENSHOT_DIR) + "/viewer-scale-" + scale + ".png";
    const std::string dialogShot = std::string(PICTROVE_SCREENSHOT_DIR) + "/viewer-dialog-scale-" + scale + ".png";
    std::vector<std::uint8_t> raw;
    Shoot("viewer-dialog-scale-" + scale, scale, path, [&](XvfbSession& session, const std::string& window) {
      // A window that has just appeared may not take the focus yet.
      std::string viewer;
      for (int attempt = 0; attempt < 5 && viewer.empty(); ++attempt) {
        session.TypeKey(window, "F3");
        viewer = session.WaitForWindow(title, 0, 2);
      }
      ASSERT_FALSE(viewer.empty()) << "no viewer titled " << title << " at " << scale;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      RunProgram(FindInPath("import"), {"-window", viewer, shot}, session.Env(), 30);
      raw = pixelsOf(shot, session.file("viewer.rgb"));
      session.TypeKey(viewer, "Escape");
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      EXPECT_TRUE(session.Windows(title).empty()) << "Escape closes the viewer";
    });
    // At 1.5 the viewer may round its size up by a device pixel; the
    // picture in it is the preview's all the same.
    const std::pair<int, int> viewerSize = PictureSize(shot);
    if (scale != "1.5") {
      EXPECT_EQ(viewerSize, std::make_pair(width, height)) << "one to one at " << scale;
    }
    EXPECT_TRUE(HoldsBlock(raw, viewerSize.first, viewerSize.second, decoded.picture.pixels(), width, height))
        << "the screen shows the preview's pixels at " << scale;

    const std::pair<int, int> size = PictureSize(dialogShot);
    const std::vector<std::uint8_t> screen = pixelsOf(dialogShot, std::string(PICTROVE_SCREENSHOT_DIR) + "/dialog.rgb");
    EXPECT_TRUE(HoldsBlock(screen, size.first, size.second, at.canvas.data(), at.width, at.height))
        << "the " << at.width << " x " << at.height << " thumbnail in " << dialogShot;
    if (scale == "2") {
      EXPECT_FALSE(HoldsBlock(screen, size.first, size.second, doubled.data(), 360, 280));
    }
  }
}

}  // namespace
}  // namespace apptest
