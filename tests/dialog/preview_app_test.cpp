// Start-up: one instance per session, a display of at least 16 bits, the
// settings key, then the main dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <functional>

#include "app/dialog/preview_app.h"
#include "app/dialog/startup_host.h"
#include "platform/gdi.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace pictrove;

class FakeHost : public StartupHost {
 public:
  int depth = 24;
  int depthQueries = 0;
  std::vector<std::pair<std::string, unsigned>> messages;
  std::string registryKey;
  int dialogsRun = 0;
  std::function<void()> duringDialog;

  int ScreenBitsPerPixel() override {
    ++depthQueries;
    return depth;
  }
  int MessageBox(const std::string& text, unsigned style) override {
    messages.emplace_back(text, style);
    return IDOK;
  }
  void SetRegistryKey(const std::string& company) override { registryKey = company; }
  void RunMainDialog() override {
    ++dialogsRun;
    if (duringDialog) duringDialog();
  }
};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    hadValue_ = old != nullptr;
    if (hadValue_) saved_ = old;
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
  }
  void TearDown() override {
    SetScreenBitsPerPixel(32);
    if (hadValue_) {
      setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  static int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    const int depth = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return depth;
  }
  testsupport::TempDir runtime_;
  std::string saved_;
  bool hadValue_ = false;
};

TEST_F(StartupTest, RunsTheDialogWithTheSettingsKeyAndAlwaysReturnsFalse) {
  FakeHost host;
  PreviewApp app(host);
  EXPECT_EQ(app.InitInstance(), FALSE);
  EXPECT_EQ(host.dialogsRun, 1);
  EXPECT_EQ(host.registryKey, "Quillory");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(StartupTest, SecondInstanceIsRefusedBeforeTheDisplayIsLookedAt) {
  NamedLock* first = CreateNamedLock("Pictrove");
  ASSERT_NE(first, nullptr);
  FakeHost host;
  host.depth = 8;
  {
    PreviewApp second(host);
    EXPECT_EQ(second.InitInstance(), FALSE);
  }
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].first, "You cannot run multiple instances of Pictrove!");
  EXPECT_EQ(host.messages[0].second, MB_ICONINFORMATION | MB_OK);
  EXPECT_EQ(host.depthQueries, 0);
  EXPECT_EQ(host.dialogsRun, 0);
  EXPECT_TRUE(host.registryKey.empty());

  // The refused start took nothing from the first, which still holds it.
  NamedLock* probe = CreateNamedLock("Pictrove");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseNamedLock(probe);
  CloseNamedLock(first);
}

TEST_F(StartupTest, LockIsHeldWhileTheDialogRunsAndFreedAfterwards) {
  FakeHost host;
  bool heldDuringDialog = false;
  host.duringDialog = [&] {
    NamedLock* probe = CreateNamedLock("Pictrove");
    heldDuringDialog = probe != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    CloseNamedLock(probe);
  };
  {
    PreviewApp app(host);
    app.InitInstance();
  }
  EXPECT_TRUE(heldDuringDialog);
  FakeHost again;
  PreviewApp next(again);
  next.InitInstance();
  EXPECT_EQ(again.dialogsRun, 1) << "a new start after the first has ended";
  EXPECT_TRUE(again.messages.empty());
}

TEST_F(StartupTest, DisplayBelowSixteenBitsIsRefused) {
  for (int depth : {1, 4, 8, 15}) {
    FakeHost host;
    host.depth = depth;
    PreviewApp app(host);
    EXPECT_EQ(app.InitInstance(), FALSE);
    ASSERT_EQ(host.messages.size(), 1u) << depth;
    EXPECT_EQ(host.messages[0].first,
              "Pictrove requires display settings to be set to High Colour (16 bit) or better.  "
              "Please adjust display settings.");
    EXPECT_EQ(host.messages[0].second, MB_ICONERROR | MB_OK);
    EXPECT_EQ(host.dialogsRun, 0);
  }
}

TEST_F(StartupTest, TheDisplaysDepthReachesTheGraphics) {
  const std::pair<int, int> depths[] = {{16, 16}, {24, 24}, {32, 32}, {30, 32}, {18, 24}};
  for (const auto& [screen, modelled] : depths) {
    FakeHost host;
    host.depth = screen;
    int seen = 0;
    host.duringDialog = [&] { seen = ScreenDepth(); };
    PreviewApp app(host);
    app.InitInstance();
    EXPECT_EQ(host.dialogsRun, 1) << screen;
    EXPECT_EQ(seen, modelled) << screen;
  }
}

TEST_F(StartupTest, WithoutAUsableLockStartUpGoesOn) {
  ASSERT_EQ(mkdir(runtime_.file("Pictrove.lock").c_str(), 0700), 0);
  FakeHost host;
  PreviewApp app(host);
  app.InitInstance();
  EXPECT_EQ(app.m_hMutex, nullptr);
  EXPECT_EQ(host.dialogsRun, 1);
}

}  // namespace
