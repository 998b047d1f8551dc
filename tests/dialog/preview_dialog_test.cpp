// The main dialog's logic through a fake window: initialisation, the
// remembered output format, the system menu, toolkit start-up failure, the
// scan's outcomes, labels and stepping with wrap-around.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "app/dialog/folder_browser.h"
#include "app/dialog/resource_ids.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/drawing_fixtures.h"

namespace apptest {
namespace {

using namespace pictrove;

constexpr char kNoPreviews[] = "No bitmap previews have been found in the following folder:\n\n";

TEST_F(DialogTest, InitialisationShowsTheRememberedFormatAndEmptyControls) {
  view.frameRect = Rect{21, 131, 380, 304};  // 359 x 173: odd halves truncate
  Open();
  EXPECT_EQ(view.selection, 1) << "first run shows JPG";
  EXPECT_EQ(view.texts[IDC_FILENAME], "") << "the template's text is replaced";
  EXPECT_EQ(view.texts[IDC_FOLDER], "");
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_FALSE(view.enabled[id]) << id;
  EXPECT_EQ(view.openedClip, IDR_SCAN_CLIP);
  EXPECT_FALSE(view.visible[IDC_ANIMATE]);
  EXPECT_EQ(view.iconId, IDR_MAINFRAME);
  ASSERT_EQ(view.menu.size(), 2u);
  EXPECT_EQ(view.menu[0].first, 0u) << "a separator first";
  EXPECT_EQ(view.menu[1], (std::pair<unsigned, std::string>{0x0010, "&About Pictrove..."}));
  EXPECT_EQ(dialog.ThumbnailRect(), (Rect{21 + 179 - 90, 131 + 86 - 70, 110 + 180, 147 + 140}));
}

TEST_F(DialogTest, WithoutASystemMenuNothingIsAppended) {
  view.hasSystemMenu = false;
  Open();
  EXPECT_TRUE(view.menu.empty());
}

TEST_F(DialogTest, ChosenFormatIsStoredOnEveryWayOut) {
  view.settings["Settings/OutputType"] = 3;
  Open();
  EXPECT_EQ(view.selection, 3) << "PNG";
  view.selection = 0;  // the user picks BMP
  dialog.OnExit();
  EXPECT_EQ(view.endResult, IDCANCEL);
  dialog.OnDestroy();
  ASSERT_EQ(view.settingWrites.size(), 1u);
  EXPECT_EQ(view.settingWrites[0], (std::pair<std::string, int>{"Settings/OutputType", 0}));
  // Destroying twice stores once.
  dialog.OnDestroy();
  EXPECT_EQ(view.settingWrites.size(), 1u);
}

TEST_F(DialogTest, FormatOutsideTheListLeavesNoSelectionAndIsWrittenBackAsMinusOne) {
  for (int stored : {5, -1, 1000}) {
    FakeView other;
    other.settings["Settings/OutputType"] = stored;
    PreviewDialog second(other);
    ASSERT_EQ(second.OnCreate(), 0);
    other.CreateControls();
    second.OnInitDialog();
    EXPECT_EQ(other.selection, -1) << stored;
    second.OnCancel();
    second.OnDestroy();
    EXPECT_EQ(other.settings["Settings/OutputType"], -1) << stored;
  }
}

TEST_F(DialogTest, AboutCommandOpensTheAboutBoxOthersGoToTheDefault) {
  Open();
  dialog.OnSysCommand(0x0010);
  dialog.OnSysCommand(0x001F);  // the low four bits are the system's own
  EXPECT_EQ(view.aboutShown, 2);
  dialog.OnSysCommand(0xF060);
  EXPECT_EQ(view.aboutShown, 2);
  EXPECT_EQ(view.defaultCommands, std::vector<unsigned>{0xF060});
}

std::int16_t FailingStart(std::int16_t* error) {
  *error = 183;
  return 0;
}

TEST(DialogStartup, ToolkitFailureShowsOnlyTheMessageAndEnds) {
  FakeView view;
  PreviewDialog dialog(view, FailingStart);
  EXPECT_EQ(dialog.DoModal(), -1);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text,
            "Unable to initialize Draftcore Toolkit\nError is 183: (Incorrect init file version)");
  EXPECT_EQ(view.messages[0].style, MB_ICONERROR | MB_OK);
  EXPECT_FALSE(view.created) << "no window";
  EXPECT_TRUE(view.settingWrites.empty()) << "nothing stored";
}

TEST(DialogStartup, ModalRunEndsThroughDestroy) {
  FakeView view;
  view.settings["Settings/OutputType"] = 2;
  PreviewDialog dialog(view);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(view.created);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.settingWrites, (std::vector<std::pair<std::string, int>>{{"Settings/OutputType", 2}}));
}

TEST_F(DialogTest, ScanListsPreviewsInNameOrderAndShowsTheFirst) {
  Open();
  Put("b.dwg", BmpDrawing(200, 100, 0xC02020));
  Put("A.dwg", PngDrawing(64, 64, 0x2020C0));
  Put("c.DWG", BmpDrawing(100, 200, 0x20A020, 8, "AC1012"));
  Put("d.dwg", NoPreviewDrawing());
  Put("e.dwg", BmpDrawing(50, 50, 0x123456, 24, "AC1009"));  // version without previews
  Put("notes.txt", BmpDrawing(50, 50, 0x123456));
  Select(dir.path());

  ASSERT_EQ(dialog.EntryCount(), 3u);
  EXPECT_EQ(dialog.Entry(0)->m_strName, "A.dwg");
  EXPECT_EQ(dialog.Entry(1)->m_strName, "b.dwg");
  EXPECT_EQ(dialog.Entry(2)->m_strName, "c.DWG");
  EXPECT_EQ(dialog.Entry(1)->m_strPath, dir.file("b.dwg"));
  EXPECT_EQ(dialog.Entry(0)->m_kind, PreviewKind::Png);
  EXPECT_EQ(dialog.Entry(2)->m_kind, PreviewKind::Bmp);
  EXPECT_EQ(dialog.Entry(2)->m_nPreviewWidth, 100u);
  EXPECT_EQ(dialog.Entry(2)->m_nPreviewHeight, 200u);

  EXPECT_EQ(view.texts[IDC_FILENAME], "A.dwg - 1 of 3");
  EXPECT_EQ(view.texts[IDC_FOLDER], dir.path());
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_TRUE(view.enabled[id]) << id;
  EXPECT_EQ(view.spinLow, 0);
  EXPECT_EQ(view.spinHigh, 2);
  EXPECT_EQ(view.spinPosition, 0);
  EXPECT_EQ(dialog.CurrentIndex(), 0);
  EXPECT_TRUE(view.messages.empty());
  ASSERT_FALSE(view.invalidations.empty());
  EXPECT_EQ(view.invalidations.back(), (std::pair<Rect, bool>{dialog.ThumbnailRect(), false}));

  // The clip played and the wait cursor showed while the files were read,
  // and both are gone now.
  EXPECT_GE(view.workRuns, 1);
  EXPECT_TRUE(view.workAlwaysAnimated);
  EXPECT_EQ(view.playCount, 1);
  EXPECT_FALSE(view.playing);
  EXPECT_FALSE(view.visible[IDC_ANIMATE]);
  EXPECT_EQ(view.cursorDepth, 0);

  const ThumbnailPaint paint = dialog.OnPaint();
  EXPECT_TRUE(paint.draw);
  EXPECT_NE(paint.bitmap, nullptr);
  EXPECT_EQ(paint.left, dialog.ThumbnailRect().left);
  EXPECT_EQ(paint.top, dialog.ThumbnailRect().top);
}

TEST_F(DialogTest, StepsWrapAroundAtBothEnds) {
  Open();
  for (const char* name : {"a.dwg", "b.dwg", "c.dwg"}) Put(name, BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  EXPECT_EQ(Steps(+1, 4), (std::vector<std::string>{"b.dwg - 2 of 3", "c.dwg - 3 of 3",
                                                    "a.dwg - 1 of 3", "b.dwg - 2 of 3"}));
  Steps(-1, 1);
  EXPECT_EQ(Steps(-1, 1), std::vector<std::string>{"c.dwg - 3 of 3"}) << "back from the first";
  EXPECT_EQ(dialog.CurrentIndex(), 2);
  EXPECT_EQ(dialog.OnPaint().bitmap, dialog.Entry(2)->m_bitmap->GetSafeHandle());
}

// On a screen with more pixels than points the thumbnail is made for the
// screen's pixels and fills the same place: thin lines stay lines.
TEST_F(DialogTest, ThumbnailOnShowIsMadeForTheScreensPixels) {
  Open();
  Put("a.dwg", StripedBmpDrawing(360, 280));
  Put("b.dwg", BmpDrawing(90, 200, 0x3040C0));
  Select(dir.path());
  struct Case {
    double ratio;
    std::uint32_t width, height;
  };
  for (const Case& c : {Case{1.0, 180, 140}, Case{1.25, 225, 175}, Case{1.5, 270, 210}, Case{2.0, 360, 280}}) {
    view.pixelRatio = c.ratio;
    dialog.OnScaleChange();
    for (int step = 0; step < 2; ++step) {
      const ThumbnailPaint paint = dialog.OnPaint();
      ASSERT_TRUE(paint.draw && paint.bitmap != nullptr) << c.ratio;
      EXPECT_EQ(paint.scale, c.ratio);
      EXPECT_EQ(paint.left, dialog.ThumbnailRect().left) << "the same place";
      if (c.ratio == 1.0) {
        EXPECT_EQ(paint.bitmap, dialog.Entry(dialog.CurrentIndex())->m_bitmap->GetSafeHandle());
      }
      std::uint32_t width = 0;
      std::uint32_t height = 0;
      HDC screen = GetDC(nullptr);
      std::uint8_t* pixels = tsCaptureBitmap(paint.bitmap, &width, &height, screen, nullptr);
      ReleaseDC(nullptr, screen);
      ASSERT_NE(pixels, nullptr);
      EXPECT_EQ(width, c.width) << c.ratio;
      EXPECT_EQ(height, c.height) << c.ratio;
      auto at = [&](std::uint32_t x, std::uint32_t y) {
        const std::uint8_t* p = pixels + (std::size_t{y} * width + x) * 3;
        return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
      };
      if (dialog.CurrentIndex() == 0 && c.ratio == 2.0) {
        // The preview's own pixels: black and white columns, not grey
        // pairs as in the 180 x 140 thumbnail blown up.
        for (std::uint32_t x = 0; x < 8; ++x) EXPECT_EQ(at(x + 100, 140), x % 2 == 0 ? 0u : 0xFFFFFFu) << x;
      } else if (dialog.CurrentIndex() == 1) {
        EXPECT_EQ(at(width / 2, height / 2), 0x3040C0u) << c.ratio;
        EXPECT_EQ(at(2, height / 2), 0xFFFFFFu) << "white beside a tall picture at " << c.ratio;
      }
      GlobalFree(pixels);
      dialog.OnDeltaposSpin(+1);
    }
  }
}

TEST_F(DialogTest, OtherStepsMoveNothingButRedraw) {
  Open();
  for (const char* name : {"a.dwg", "b.dwg"}) Put(name, BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  const std::size_t before = view.invalidations.size();
  EXPECT_EQ(Steps(2, 1), std::vector<std::string>{"a.dwg - 1 of 2"});
  EXPECT_EQ(Steps(-3, 1), std::vector<std::string>{"a.dwg - 1 of 2"});
  EXPECT_EQ(Steps(0, 1), std::vector<std::string>{"a.dwg - 1 of 2"});
  EXPECT_EQ(view.invalidations.size(), before + 3);
  EXPECT_FALSE(view.invalidations.back().second) << "no erase";
}

TEST_F(DialogTest, OneEntryStaysOnShowWhicheverWayItSteps) {
  Open();
  Put("only.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  EXPECT_EQ(Steps(+1, 2), (std::vector<std::string>{"only.dwg - 1 of 1", "only.dwg - 1 of 1"}));
  EXPECT_EQ(Steps(-1, 1), std::vector<std::string>{"only.dwg - 1 of 1"});
}

TEST_F(DialogTest, RefreshingTheControlsPutsTheRememberedFormatBack) {
  view.settings["Settings/OutputType"] = 3;
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  Put("b.dwg", BmpDrawing(40, 30, 0x808080));
  view.selection = 0;  // changed in the list, not saved
  Select(dir.path());
  EXPECT_EQ(view.selection, 3) << "a successful scan refreshes the list";
  view.selection = 4;
  dialog.OnDeltaposSpin(1);
  EXPECT_EQ(view.selection, 3) << "so does a step";
}

TEST_F(DialogTest, FolderWhoseDrawingsLackPreviewsEmptiesTheList) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  ASSERT_EQ(dialog.EntryCount(), 1u);

  testsupport::TempDir second;
  second.write("x.dwg", NoPreviewDrawing());
  second.write("y.dwg", BmpDrawing(20, 20, 0x808080, 24, "AC1013"));
  Select(second.path());
  EXPECT_TRUE((dialog.EntryCount() == 0));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, kNoPreviews + second.path());
  EXPECT_EQ(view.messages[0].style, MB_ICONINFORMATION | MB_OK);
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_FALSE(view.enabled[id]) << id;
  EXPECT_EQ(view.texts[IDC_FOLDER], "");
  EXPECT_EQ(view.texts[IDC_FILENAME], "");
  EXPECT_EQ(view.invalidations.back(), (std::pair<Rect, bool>{dialog.ThumbnailRect(), true}));
  EXPECT_FALSE(dialog.OnPaint().draw) << "the background shows";
  EXPECT_FALSE(view.visible[IDC_ANIMATE]);
  EXPECT_EQ(view.cursorDepth, 0);
}

TEST_F(DialogTest, FolderWithoutDrawingsKeepsThePreviousPreviews) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  Put("b.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  dialog.OnDeltaposSpin(1);

  testsupport::TempDir empty;
  empty.write("readme.txt", {1, 2, 3});
  Select(empty.path());
  EXPECT_EQ(view.lastMessage(), kNoPreviews + empty.path());
  ASSERT_EQ(dialog.EntryCount(), 2u);
  EXPECT_EQ(view.texts[IDC_FOLDER], dir.path());
  EXPECT_EQ(view.texts[IDC_FILENAME], "b.dwg - 2 of 2");
  EXPECT_EQ(dialog.CurrentIndex(), 1);
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_TRUE(view.enabled[id]) << id;
  EXPECT_TRUE(dialog.OnPaint().draw);
}

TEST_F(DialogTest, CancelledBrowserChangesNothing) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  const int runs = view.workRuns;
  view.browseAnswers.push_back(std::nullopt);
  dialog.OnSelect();
  dialog.OnSelect();  // nothing scripted: cancelled as well
  EXPECT_EQ(view.workRuns, runs);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(dialog.EntryCount(), 1u);
  EXPECT_EQ(view.texts[IDC_FOLDER], dir.path());
}

TEST_F(DialogTest, BrowserStartsAtTheCurrentFolderWithItsShortenedPath) {
  Open();
  const std::string deep = dir.path() + "/a-rather-long-folder-name/with-drawings";
  ASSERT_EQ(mkdir((dir.path() + "/a-rather-long-folder-name").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  dir.write("a-rather-long-folder-name/with-drawings/a.dwg", BmpDrawing(40, 30, 0x808080));
  Select(deep);
  view.browseAnswers.push_back(std::nullopt);
  dialog.OnSelect();
  ASSERT_EQ(view.browsedInitialFolders.size(), 2u);
  EXPECT_EQ(view.browsedInitialFolders[0], "") << "first use: nothing preselected";
  EXPECT_EQ(view.browseStatusTexts[0], "");
  EXPECT_EQ(view.browsedInitialFolders[1], deep);
  EXPECT_EQ(view.browseStatusTexts[1], deep.substr(0, 35) + "...");

  FolderBrowser browser("/short", 0, &view);
  EXPECT_EQ(browser.Title(), "Current Selection");
  EXPECT_EQ(browser.Flags() & BIF_STATUSTEXT, BIF_STATUSTEXT);
  EXPECT_EQ(browser.OnInitialized(), "/short");
  EXPECT_EQ(browser.OnSelectionChanged("/elsewhere"), "/elsewhere");
  EXPECT_EQ(browser.SelectedFolder(), "/elsewhere");
}

TEST_F(DialogTest, FolderBrowserWithoutAnOwnerCancels) {
  FolderBrowser browser("/start", 0, nullptr);
  EXPECT_EQ(browser.DoModal(), IDCANCEL);
  EXPECT_EQ(browser.SelectedFolder(), "/start");
}

TEST_F(DialogTest, SpecialFilesNamedLikeDrawingsAreSkippedSilently) {
  Open();
  Put("real.dwg", BmpDrawing(40, 30, 0x808080));
  ASSERT_EQ(mkdir(dir.file("folder.dwg").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(dir.file("pipe.dwg").c_str(), 0644), 0);
  ASSERT_EQ(symlink(dir.file("gone").c_str(), dir.file("broken.dwg").c_str()), 0);
  ASSERT_EQ(symlink(dir.file("real.dwg").c_str(), dir.file("link.dwg").c_str()), 0);
  ASSERT_EQ(symlink(dir.file("folder.dwg").c_str(), dir.file("dirlink.dwg").c_str()), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir.file("sock.dwg");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  Select(dir.path());
  close(sock);
  ASSERT_EQ(dialog.EntryCount(), 2u);
  EXPECT_EQ(dialog.Entry(0)->m_strName, "link.dwg");
  EXPECT_EQ(dialog.Entry(1)->m_strName, "real.dwg");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(DialogTest, NamesThatAreNotUtf8AreListedWithAReadableLabel) {
  Open();
  const std::string name = "caf\xE9 plan.dwg";
  Put(name, BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  ASSERT_EQ(dialog.EntryCount(), 1u);
  EXPECT_EQ(dialog.Entry(0)->m_strName, name) << "bytes kept";
  EXPECT_EQ(view.texts[IDC_FILENAME], "caf\xC3\xA9 plan.dwg - 1 of 1");
}

TEST_F(DialogTest, FolderNamedWithStrayBytesKeepsItsBytes) {
  Open();
  const std::string folder = dir.path() + "/pl\xE4ne";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  dir.write("pl\xE4ne/a.dwg", BmpDrawing(40, 30, 0x808080));
  Select(folder);
  EXPECT_EQ(view.texts[IDC_FOLDER], dir.path() + "/pl\xC3\xA4ne");
  // Reading the controls back keeps the bytes: the browser starts there.
  dialog.UpdateData(TRUE);
  view.browseAnswers.push_back(std::nullopt);
  dialog.OnSelect();
  EXPECT_EQ(view.browsedInitialFolders.back(), folder);
}

TEST_F(DialogTest, PercentSignsInNamesAreText) {
  Open();
  Put("100% %s %d.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  EXPECT_EQ(view.texts[IDC_FILENAME], "100% %s %d.dwg - 1 of 1");
}

TEST_F(DialogTest, UndecodablePreviewIsListedCountedAndShownBlank) {
  Open();
  Put("a-broken.dwg", BrokenPreviewDrawing());
  Put("b-good.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  ASSERT_EQ(dialog.EntryCount(), 2u);
  EXPECT_EQ(view.texts[IDC_FILENAME], "a-broken.dwg - 1 of 2");
  EXPECT_EQ(dialog.Entry(0)->m_bitmap->GetSafeHandle(), nullptr);
  EXPECT_EQ(dialog.Entry(0)->m_nPreviewWidth, 0u);
  const ThumbnailPaint paint = dialog.OnPaint();
  EXPECT_TRUE(paint.draw) << "drawn as the white canvas";
  EXPECT_EQ(paint.bitmap, nullptr);
}

// A scan that runs out of memory, while listing the folder or while reading
// the drawings, keeps nothing of it and says why before the usual message.
TEST_F(DialogTest, ScanThatRunsOutOfMemorySaysSoAndKeepsNothing) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  for (const int failingRun : {1, 2}) {
    view.messages.clear();
    const int runsBefore = view.workRuns;
    view.workOutOfMemoryAt = runsBefore + failingRun;
    Select(dir.path());
    ASSERT_EQ(view.messages.size(), 2u) << failingRun;
    EXPECT_EQ(view.messages[0].text, "There is not enough memory to read the previews of this folder.");
    EXPECT_EQ(view.messages[0].style, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_EQ(view.messages[1].text, kNoPreviews + dir.path());
    EXPECT_EQ(dialog.EntryCount(), 0u);
    for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_FALSE(view.enabled[id]) << id;
    EXPECT_FALSE(view.playing);
    EXPECT_EQ(view.cursorDepth, 0);
  }
  view.workOutOfMemoryAt = 0;
  Select(dir.path());
  EXPECT_EQ(dialog.EntryCount(), 1u) << "the next scan works again";
}

// Every entry shown once, so that all twenty hold a thumbnail, then a scan
// that makes nothing ahead, so that its count does not race with the thread
// working ahead.
TEST_F(DialogTest, ScanOfManyDrawingsFreesThePreviousThumbnails) {
  Open();
  for (int i = 0; i < 20; ++i) Put("d" + std::to_string(i) + ".dwg", BmpDrawing(30, 20, 0x808080));
  const std::size_t before = GdiLiveObjectCount();
  dialog.SetThumbnailBudget(20);
  Select(dir.path());
  for (int i = 0; i < 19; ++i) dialog.OnDeltaposSpin(+1);
  EXPECT_EQ(dialog.HeldThumbnails(), 20u);
  // At least: one made ahead that took too long to wait for may still be
  // waiting to be handed over.
  EXPECT_GE(GdiLiveObjectCount(), before + 20);
  // With a budget of one nothing is made ahead: the new scan holds only
  // the thumbnail on show.
  dialog.SetThumbnailBudget(1);
  Select(dir.path());
  EXPECT_EQ(dialog.EntryCount(), 20u);
  EXPECT_EQ(GdiLiveObjectCount(), before + 1) << "old thumbnails deleted";
}

}  // namespace
}  // namespace apptest
