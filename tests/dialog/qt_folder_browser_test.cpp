// The folder browser, offscreen: folders named with bytes that are not
// UTF-8, the home folder as a starting point, hidden folders on the way to
// a remembered one; the remembered folder in the settings file, byte for
// byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>

#include "app/dialog/folder_browser.h"
#include "app/dialog/preview_dialog.h"
#include "app/qt/folder_browser_dialog.h"
#include "app/qt/preview_window.h"
#include "app/qt/qt_settings_store.h"
#include "app/dialog/resource_ids.h"
#include "app/core/text_utils.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/dialog/qt_test_support.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

using namespace pictrove;

// $HOME pointed at a scratch folder for one test.
class ScratchHome {
 public:
  ScratchHome() {
    if (const char* home = std::getenv("HOME")) saved_ = home;
    setenv("HOME", dir_.path().c_str(), 1);
  }
  ~ScratchHome() { setenv("HOME", saved_.c_str(), 1); }
  const testsupport::TempDir& dir() const { return dir_; }

 private:
  testsupport::TempDir dir_;
  std::string saved_;
};

std::string SelectedAfterOk(FolderBrowserDialog& view) {
  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
  std::string chosen;
  return view.run(chosen) ? chosen : "(nothing)";
}

TEST(QtFolderBrowser, FolderNamedWithAStrayByteIsListedReadablyAndChosenByteForByte) {
  testsupport::TempDir dir;
  const std::string strange = dir.file("pl\xE4ne");
  ASSERT_EQ(mkdir(strange.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("pl\xC3\xA4ne").c_str(), 0755), 0);  // the same text in UTF-8
  FolderBrowser browser(dir.path(), 0, nullptr);
  FolderBrowserDialog view(browser, nullptr);
  QTreeWidgetItem* parent = view.itemFor(dir.path());
  ASSERT_NE(parent, nullptr);
  parent->setExpanded(true);
  ASSERT_EQ(parent->childCount(), 2);
  // Both read "pläne"; each keeps its own bytes.
  EXPECT_EQ(parent->child(0)->text(0), QString::fromUtf8("pl\u00E4ne"));
  EXPECT_EQ(parent->child(1)->text(0), QString::fromUtf8("pl\u00E4ne"));
  QTreeWidgetItem* item = view.itemFor(strange);
  ASSERT_NE(item, nullptr);
  item->treeWidget()->setCurrentItem(item);
  EXPECT_EQ(view.currentFolder(), strange);
  EXPECT_EQ(browser.SelectedFolder(), strange);
  EXPECT_EQ(view.statusText().toStdString(), ReadableText(ShortenPath(strange)));
  EXPECT_EQ(SelectedAfterOk(view), strange);

  ASSERT_TRUE(view.selectFolder(dir.file("pl\xC3\xA4ne")));
  EXPECT_EQ(SelectedAfterOk(view), dir.file("pl\xC3\xA4ne"));
}

TEST(QtFolderBrowser, OpensAtHomeWithNothingSelectedAndHomeSelectsIt) {
  ScratchHome home;
  ASSERT_EQ(mkdir(home.dir().file("drawings").c_str(), 0755), 0);
  FolderBrowser browser("", 0, nullptr);
  FolderBrowserDialog view(browser, nullptr);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  auto* tree = view.findChild<QTreeWidget*>(QStringLiteral("folders"));
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(tree->currentItem(), nullptr);
  EXPECT_EQ(tree->currentItem()->data(0, Qt::UserRole).toByteArray().toStdString(), home.dir().path())
      << "the tree opens at home";
  EXPECT_TRUE(tree->currentItem()->isExpanded());
  EXPECT_EQ(view.currentPath(), "") << "but nothing is chosen";
  EXPECT_EQ(view.statusText(), "");

  auto* homeButton = view.findChild<QPushButton*>(QStringLiteral("home"));
  ASSERT_NE(homeButton, nullptr);
  EXPECT_EQ(homeButton->text(), "&Home");
  view.selectPath(QString::fromStdString(home.dir().file("drawings")));
  QTest::mouseClick(homeButton, Qt::LeftButton);
  EXPECT_EQ(view.currentFolder(), home.dir().path());
  EXPECT_EQ(view.statusText().toStdString(), ShortenPath(home.dir().path()));
  EXPECT_TRUE(view.isVisible()) << "Home does not end the browser";
  view.hide();
  EXPECT_EQ(SelectedAfterOk(view), home.dir().path());
}

TEST(QtFolderBrowser, HiddenFoldersAreLeftOutUnlessThePathLeadsThroughThem) {
  testsupport::TempDir dir;
  for (const char* folder : {".hidden", ".hidden/inner", "B", "a"})
    ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
  ASSERT_EQ(symlink(dir.file("a").c_str(), dir.file("link").c_str()), 0);
  dir.write("file", {1});
  FolderBrowser browser(dir.file(".hidden/inner"), 0, nullptr);
  FolderBrowserDialog view(browser, nullptr);
  EXPECT_EQ(view.currentFolder(), dir.file(".hidden/inner"));
  QTreeWidgetItem* parent = view.itemFor(dir.path());
  ASSERT_NE(parent, nullptr);
  QStringList names;
  for (int i = 0; i < parent->childCount(); ++i) names << parent->child(i)->text(0);
  EXPECT_EQ(names, (QStringList{"a", "B", "link", ".hidden"}))
      << "listed in name order, links to folders too, the hidden one added for the path";
  EXPECT_FALSE(view.selectFolder(dir.file("file")));
  EXPECT_FALSE(view.selectFolder(dir.file("missing")));
  EXPECT_EQ(view.currentFolder(), dir.file(".hidden/inner"));
}

TEST(QtFolderBrowser, PreselectedFolderThatIsGoneOpensAtHome) {
  ScratchHome home;
  testsupport::TempDir dir;
  FolderBrowser browser(dir.file("gone"), 0, nullptr);
  FolderBrowserDialog view(browser, nullptr);
  EXPECT_EQ(view.currentFolder(), "");
  auto* tree = view.findChild<QTreeWidget*>(QStringLiteral("folders"));
  ASSERT_NE(tree->currentItem(), nullptr);
  EXPECT_EQ(tree->currentItem()->data(0, Qt::UserRole).toByteArray().toStdString(), home.dir().path());
}

TEST(QtSettingsStrings, EveryByteComesBack) {
  QtSettingsStore store("Quillory", "Pictrove");
  const std::string values[] = {
      "/home/u/drawings", "/srv/pl\xE4ne", "a,b", "\"quoted\"", "100% sure; =x", " spaced ",
      std::string("nul\0byte", 8), "line\nbreak", "caf\xC3\xA9", "",
  };
  for (const std::string& value : values) {
    store.WriteProfileString("Settings", "LastFolder", value);
    EXPECT_EQ(store.GetProfileString("Settings", "LastFolder", "default"), value);
  }
  EXPECT_EQ(store.GetProfileString("Settings", "Missing", "default"), "default");
  store.WriteProfileString("Settings", "LastFolder", "/srv/pl\xE4ne 100%");
  QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
  settings.sync();
  std::ifstream file(settings.fileName().toStdString());
  const std::string text(std::istreambuf_iterator<char>(file), {});
  EXPECT_NE(text.find("LastFolder=/srv/pl%E4ne 100%25"), std::string::npos) << text;
}

TEST(QtRememberedFolder, TheNextSessionsBrowserOpensAtTheLastScannedFolder) {
  {
    QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
    settings.clear();
  }
  testsupport::TempDir dir;
  const std::string folder = dir.file("pl\xE4ne");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  dir.write("pl\xE4ne/a.dwg", BmpDrawing(40, 30, 0x808080));
  QtSettingsStore store("Quillory", "Pictrove");
  {
    PreviewWindow window(store);
    PreviewDialog dialog(window);
    window.attach(&dialog);
    ASSERT_EQ(dialog.OnCreate(), 0);
    window.CreateControls();
    dialog.OnInitDialog();
    WhenModal([&folder](QWidget* modal) {
      auto* browser = qobject_cast<FolderBrowserDialog*>(modal);
      ASSERT_TRUE(browser->selectFolder(folder));
      browser->accept();
    });
    QTest::mouseClick(window.control(IDC_SELECT), Qt::LeftButton);
    dialog.OnDestroy();
    window.attach(nullptr);
  }
  EXPECT_EQ(store.GetProfileString("Settings", "LastFolder", ""), folder);

  PreviewWindow window(store);
  PreviewDialog dialog(window);
  window.attach(&dialog);
  ASSERT_EQ(dialog.OnCreate(), 0);
  window.CreateControls();
  dialog.OnInitDialog();
  std::string preselected;
  WhenModal([&preselected](QWidget* modal) {
    auto* browser = qobject_cast<FolderBrowserDialog*>(modal);
    preselected = browser->currentFolder();
    browser->reject();
  });
  QTest::mouseClick(window.control(IDC_SELECT), Qt::LeftButton);
  EXPECT_EQ(preselected, folder);
  dialog.OnDestroy();
  window.attach(nullptr);
}

}  // namespace
}  // namespace apptest
