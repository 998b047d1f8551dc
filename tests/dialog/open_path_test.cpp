// Opening a folder or a drawing by its path (the command line's PATH and
// drops on the dialog) through a fake window, and the folder the browser
// opens at: the one on show, the last one scanned, or home.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "app/dialog/folder_browser.h"
#include "app/dialog/resource_ids.h"
#include "app/core/text_utils.h"
#include "platform/message_box.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/drawing_fixtures.h"

namespace apptest {
namespace {

using namespace pictrove;

std::string CannotOpen(const std::string& path, const std::string& reason) {
  return "The following cannot be opened:\n\n" + path + "\n\n" + reason;
}

class OpenPathTest : public DialogTest {
 protected:
  // a.dwg, b.dwg (both with previews), c.dwg without one, d.dwg with one.
  void PutFour() {
    Put("a.dwg", BmpDrawing(40, 30, 0xFF0000));
    Put("B.dwg", PngDrawing(40, 30, 0x00FF00));
    Put("c.dwg", NoPreviewDrawing());
    Put("d.dwg", BmpDrawing(40, 30, 0x0000FF));
  }
  std::string Label() { return view.texts[IDC_FILENAME]; }
};

TEST_F(OpenPathTest, FolderIsScannedAsIfChosenWithSelect) {
  Open();
  PutFour();
  dialog.OpenPath(dir.path());
  EXPECT_EQ(Label(), "a.dwg - 1 of 3");
  EXPECT_EQ(view.texts[IDC_FOLDER], dir.path());
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_TRUE(view.enabled[id]) << id;
  EXPECT_TRUE(view.messages.empty());
  EXPECT_TRUE(view.workAlwaysAnimated);
  EXPECT_EQ(view.cursorDepth, 0);
  EXPECT_EQ(view.stringSettingWrites,
            (std::vector<std::pair<std::string, std::string>>{{"Settings/LastFolder", dir.path()}}));
}

TEST_F(OpenPathTest, DrawingIsShownInItsScannedFolderAndStepsGoOnFromIt) {
  Open();
  PutFour();
  dialog.OpenPath(dir.file("d.dwg"));
  EXPECT_EQ(Label(), "d.dwg - 3 of 3");
  EXPECT_EQ(dialog.CurrentIndex(), 2);
  EXPECT_EQ(view.spinPosition, 2);
  EXPECT_EQ(view.texts[IDC_FOLDER], dir.path());
  EXPECT_EQ(dialog.OnPaint().bitmap, dialog.Entry(2)->m_bitmap->GetSafeHandle());
  EXPECT_EQ(Steps(+1, 2), (std::vector<std::string>{"a.dwg - 1 of 3", "B.dwg - 2 of 3"}));

  // The name is matched as given, letter case included.
  dialog.OpenPath(dir.file("B.dwg"));
  EXPECT_EQ(Label(), "B.dwg - 2 of 3");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(OpenPathTest, DrawingWithoutAPreviewOrAnyOtherFileShowsTheFirst) {
  Open();
  PutFour();
  Put("notes.txt", {1, 2, 3});
  for (const char* name : {"c.dwg", "notes.txt"}) {
    dialog.OnDeltaposSpin(1);
    dialog.OpenPath(dir.file(name));
    EXPECT_EQ(Label(), "a.dwg - 1 of 3") << name;
    EXPECT_EQ(dialog.CurrentIndex(), 0) << name;
    EXPECT_EQ(view.spinPosition, 0) << name;
  }
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(OpenPathTest, PathThatCannotBeOpenedIsReportedWithTheSystemsReason) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {dir.file("missing.dwg"), "No such file or directory"},
      {dir.file("missing/a.dwg"), "No such file or directory"},
      {"/etc/passwd/x", "Not a directory"},
      {dir.file("a.dwg/"), "Not a directory"},
      {dir.file("caf\xE9.dwg"), "No such file or directory"},
  };
  for (const auto& c : cases) {
    view.messages.clear();
    dialog.OpenPath(c.path);
    ASSERT_EQ(view.messages.size(), 1u) << c.path;
    EXPECT_EQ(view.messages[0].text, CannotOpen(ReadableText(c.path), c.reason));
    EXPECT_EQ(view.messages[0].style, MB_ICONEXCLAMATION | MB_OK);
  }
  // The dialog stays as it was: empty, nothing scanned or remembered.
  EXPECT_EQ(view.workRuns, 0);
  EXPECT_EQ(Label(), "");
  EXPECT_EQ(view.texts[IDC_FOLDER], "");
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_FALSE(view.enabled[id]) << id;
  EXPECT_TRUE(view.stringSettingWrites.empty());
}

TEST_F(OpenPathTest, FailedOpenLeavesThePreviewsOnShow) {
  Open();
  PutFour();
  dialog.OpenPath(dir.file("B.dwg"));
  dialog.OpenPath(dir.file("gone"));
  EXPECT_EQ(view.lastMessage(), CannotOpen(dir.file("gone"), "No such file or directory"));
  EXPECT_EQ(Label(), "B.dwg - 2 of 3");
  EXPECT_EQ(dialog.EntryCount(), 3u);
}

TEST_F(OpenPathTest, FolderWithoutPreviewsGetsTheMessageSelectGives) {
  Open();
  Put("c.dwg", NoPreviewDrawing());
  for (const std::string& path : {dir.path(), dir.file("c.dwg")}) {
    view.messages.clear();
    dialog.OpenPath(path);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text,
              "No bitmap previews have been found in the following folder:\n\n" + dir.path());
    EXPECT_EQ(view.messages[0].style, MB_ICONINFORMATION | MB_OK);
  }
  EXPECT_TRUE(view.stringSettingWrites.empty()) << "only a successful scan is remembered";
}

TEST_F(OpenPathTest, RelativePathsAreTakenFromTheWorkingFolder) {
  Open();
  PutFour();
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(dir.file("sub").c_str()), 0);
  dialog.OpenPath("../d.dwg");
  const std::string afterDrawing = Label();
  const std::string folder = view.texts[IDC_FOLDER];
  dialog.OpenPath("..");
  const std::string afterFolder = Label();
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_EQ(afterDrawing, "d.dwg - 3 of 3");
  EXPECT_EQ(folder, dir.path()) << "absolute, without ..";
  EXPECT_EQ(afterFolder, "a.dwg - 1 of 3");
}

TEST_F(OpenPathTest, NamesThatAreNotUtf8KeepTheirBytes) {
  Open();
  const std::string folder = dir.file("pl\xE4ne");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  dir.write("pl\xE4ne/a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("pl\xE4ne/caf\xE9.dwg", BmpDrawing(40, 30, 0x808080));
  dialog.OpenPath(folder + "/caf\xE9.dwg");
  EXPECT_EQ(Label(), "caf\xC3\xA9.dwg - 2 of 2");
  EXPECT_EQ(view.stringSettings["Settings/LastFolder"], folder);
}

TEST(OpenPathModal, ThePathIsOpenedOnceTheDialogIsShown) {
  testsupport::TempDir dir;
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("b.dwg", BmpDrawing(40, 30, 0x808080));
  FakeView view;
  PreviewDialog dialog(view);
  EXPECT_EQ(dialog.DoModal(dir.file("b.dwg")), IDCANCEL);
  EXPECT_EQ(view.tasksWhenShown, 1);
  EXPECT_EQ(view.texts[IDC_FILENAME], "b.dwg - 2 of 2");

  FakeView plain;
  PreviewDialog without(plain);
  without.DoModal();
  EXPECT_EQ(plain.tasksWhenShown, 0);
  EXPECT_EQ(plain.workRuns, 0);
}

// A window whose work calls back into the dialog while the scan runs, as a
// drop arriving mid-scan would.
class ReentrantView : public FakeView {
 public:
  std::function<void()> duringWork;
  void RunWork(const std::function<void()>& work) override {
    if (duringWork) duringWork();
    FakeView::RunWork(work);
  }
};

TEST(OpenPathDuringAScan, IsIgnored) {
  testsupport::TempDir first;
  testsupport::TempDir second;
  first.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  second.write("x.dwg", BmpDrawing(40, 30, 0x808080));
  second.write("y.dwg", BmpDrawing(40, 30, 0x808080));
  ReentrantView view;
  PreviewDialog dialog(view);
  ASSERT_EQ(dialog.OnCreate(), 0);
  view.CreateControls();
  dialog.OnInitDialog();
  bool scanning = false;
  view.duringWork = [&] {
    scanning = dialog.Scanning();
    dialog.OpenPath(second.path());
  };
  dialog.OpenPath(first.path());
  EXPECT_TRUE(scanning);
  EXPECT_FALSE(dialog.Scanning());
  EXPECT_EQ(view.texts[IDC_FILENAME], "a.dwg - 1 of 1");
  EXPECT_EQ(view.texts[IDC_FOLDER], first.path());
  dialog.OnDestroy();
}

class BrowserFolderTest : public DialogTest {
 protected:
  std::string BrowseOnce() {
    view.browseAnswers.push_back(std::nullopt);
    dialog.OnSelect();
    return view.browsedInitialFolders.back();
  }
};

TEST_F(BrowserFolderTest, LastScannedFolderIsRememberedAndPreselectedNextTime) {
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  Select(dir.path());
  EXPECT_EQ(view.stringSettings["Settings/LastFolder"], dir.path());
  // A scan without previews is not remembered.
  testsupport::TempDir empty;
  Select(empty.path());
  EXPECT_EQ(view.stringSettingWrites.size(), 1u);

  // The next session: nothing on show, the browser opens at the last folder.
  FakeView next;
  next.stringSettings = view.stringSettings;
  PreviewDialog second(next);
  ASSERT_EQ(second.OnCreate(), 0);
  next.CreateControls();
  second.OnInitDialog();
  second.OnSelect();
  ASSERT_EQ(next.browsedInitialFolders.size(), 1u);
  EXPECT_EQ(next.browsedInitialFolders[0], dir.path());
  EXPECT_EQ(next.browsedStartFolders[0], dir.path());
  EXPECT_EQ(next.browseStatusTexts[0], ShortenPath(dir.path()));
  second.OnDestroy();
}

TEST_F(BrowserFolderTest, FolderOnShowComesBeforeTheRememberedOne) {
  view.stringSettings["Settings/LastFolder"] = "/";
  Open();
  Put("a.dwg", BmpDrawing(40, 30, 0x808080));
  EXPECT_EQ(BrowseOnce(), "/");
  Select(dir.path());
  view.stringSettings["Settings/LastFolder"] = "/";
  EXPECT_EQ(BrowseOnce(), dir.path());
}

TEST_F(BrowserFolderTest, WithoutAUsableRememberedFolderItOpensAtHomeWithNothingSelected) {
  for (const std::string& remembered : {std::string(), dir.file("gone"), dir.write("file", {1})}) {
    view.stringSettings["Settings/LastFolder"] = remembered;
    if (!view.created) Open();
    EXPECT_EQ(BrowseOnce(), "") << remembered;
    EXPECT_EQ(view.browsedStartFolders.back(), HomeFolder());
    EXPECT_EQ(view.browseStatusTexts.back(), "");
  }
}

TEST(HomeFolder, ComesFromHomeOrThePasswordDatabase) {
  const char* saved = std::getenv("HOME");
  const std::string kept = saved != nullptr ? saved : "";
  setenv("HOME", "/some/home", 1);
  EXPECT_EQ(HomeFolder(), "/some/home");
  EXPECT_EQ(FolderBrowser("", 0, nullptr).StartFolder(), "/some/home");
  EXPECT_EQ(FolderBrowser("/", 0, nullptr).StartFolder(), "/");
  EXPECT_EQ(FolderBrowser("/no/such/folder", 0, nullptr).StartFolder(), "/some/home");
  unsetenv("HOME");
  const std::string fromDatabase = HomeFolder();
  if (saved != nullptr) setenv("HOME", kept.c_str(), 1);
  EXPECT_FALSE(fromDatabase.empty());
  EXPECT_EQ(fromDatabase[0], '/');
}

}  // namespace
}  // namespace apptest
