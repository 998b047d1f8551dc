// The real Qt dialog, offscreen: its layout from the template, selecting a
// folder through the folder browser, stepping, saving in every format, the
// About box, the clip during a scan, message boxes raised off the
// user-interface thread, and the way out through Escape.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <chrono>
#include <thread>

#include "app/dialog/folder_browser.h"
#include "app/dialog/preview_dialog.h"
#include "app/qt/about_dialog.h"
#include "app/qt/animation_control.h"
#include "app/qt/dialog_units.h"
#include "app/qt/folder_browser_dialog.h"
#include "app/qt/message_boxes.h"
#include "app/qt/preview_window.h"
#include "app/qt/qt_settings_store.h"
#include "app/qt/up_down_control.h"
#include "app/dialog/resource_ids.h"
#include "app/core/text_utils.h"
#include "platform/message_box.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/dialog/qt_test_support.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

using namespace pictrove;

QString Q(const std::string& text) { return QString::fromStdString(text); }

void ClearSettings() {
  QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
  settings.clear();
  settings.sync();
}

int StoredOutputType() {
  const QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
  return settings.value(QStringLiteral("Settings/OutputType"), -100).toInt();
}

class QtDialogTest : public ::testing::Test {
 protected:
  QtDialogTest() : store("Quillory", "Pictrove"), window(store), dialog(window) {}

  void SetUp() override {
    ClearSettings();
    InstallQtMessageBoxHandler();
    window.attach(&dialog);
  }
  void Open() {
    ASSERT_EQ(dialog.OnCreate(), 0);
    window.CreateControls();
    dialog.OnInitDialog();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void TearDown() override {
    dialog.OnDestroy();
    window.attach(nullptr);
    SetMessageBoxHandler(nullptr);
  }
  template <typename Widget = QWidget>
  Widget* Control(int id) {
    auto* widget = qobject_cast<Widget*>(window.control(id));
    EXPECT_NE(widget, nullptr) << id;
    return widget;
  }
  // Clicks Select and answers the folder browser with `folder`.
  void SelectFolder(const std::string& folder, std::string* status = nullptr) {
    WhenModal([folder, status](QWidget* modal) {
      auto* browser = qobject_cast<FolderBrowserDialog*>(modal);
      ASSERT_NE(browser, nullptr);
      browser->selectPath(Q(folder));
      if (status != nullptr) *status = browser->statusText().toStdString();
      browser->accept();
    });
    QTest::mouseClick(Control(IDC_SELECT), Qt::LeftButton);
  }
  std::string Label() { return Control<QLabel>(IDC_FILENAME)->text().toStdString(); }
  QImage Shot() {
    QImage shot(window.size(), QImage::Format_RGB32);
    window.render(&shot);
    return shot;
  }
  QRgb ThumbnailCentre() {
    const QImage shot = Shot();
    return shot.pixel(dialog.ThumbnailRect().left + 90, dialog.ThumbnailRect().top + 70) & 0xFFFFFF;
  }

  QtSettingsStore store;
  PreviewWindow window;
  PreviewDialog dialog;
  testsupport::TempDir dir;
};

TEST_F(QtDialogTest, ControlsKeepApartAndTheThumbnailSitsCentredInItsFrame) {
  Open();
  EXPECT_EQ(window.windowTitle(), "Pictrove");
  EXPECT_EQ(window.objectName(), "102");
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "not resizable";

  struct Expected {
    int id;
    const char* text;
    bool enabled;
  };
  const Expected buttons[] = {
      {IDC_SELECT, "&Select", true},
      {IDC_SAVE, "&Save", false},
      {IDC_SAVEALL, "Save &All", false},
      {IDC_EXIT, "E&xit", true},
  };
  for (const Expected& c : buttons) {
    auto* button = Control<QPushButton>(c.id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), c.text);
    EXPECT_EQ(button->isEnabled(), c.enabled) << c.text;
    EXPECT_EQ(button->isDefault(), c.id == IDC_SELECT) << c.text;
  }
  auto* folder = Control<QLineEdit>(IDC_FOLDER);
  EXPECT_TRUE(folder->isReadOnly());
  EXPECT_EQ(folder->text(), "");
  EXPECT_EQ(Label(), "") << "the template's text is replaced";
  EXPECT_FALSE(Control(IDC_FRAME)->isEnabled());
  EXPECT_FALSE(Control(IDC_SPIN)->isEnabled());
  EXPECT_TRUE(Control(IDC_ANIMATE)->isHidden());
  EXPECT_EQ(Control(IDC_ANIMATE)->size(), QSize(82, 52)) << "the clip's size and a border";

  auto* output = Control<QComboBox>(IDC_OUTPUT);
  ASSERT_EQ(output->count(), 5);
  const char* items[] = {"BMP", "JPG", "PCX", "PNG", "TIFF"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(output->itemText(i), items[i]);
  EXPECT_EQ(output->currentText(), "JPG") << "first run";

  auto* caption = window.findChild<QLabel*>(QStringLiteral("outputCaption"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text(), "Output:");
  auto* folderGroup = window.findChild<QGroupBox*>(QStringLiteral("folderSettings"));
  auto* previewGroup = window.findChild<QGroupBox*>(QStringLiteral("bitmapPreviews"));
  ASSERT_NE(folderGroup, nullptr);
  ASSERT_NE(previewGroup, nullptr);
  EXPECT_EQ(folderGroup->title(), "Folder Settings");
  EXPECT_EQ(previewGroup->title(), "Bitmap Previews");
  // Group boxes lie beneath the controls they frame.
  EXPECT_EQ(window.childAt(Control(IDC_SAVE)->geometry().center()), Control(IDC_SAVE));
  for (int id : {IDC_FOLDER, IDC_SELECT})
    EXPECT_TRUE(folderGroup->geometry().contains(Control(id)->geometry())) << id;
  for (int id : {IDC_FILENAME, IDC_FRAME, IDC_SPIN, IDC_SAVE, IDC_SAVEALL})
    EXPECT_TRUE(previewGroup->geometry().contains(Control(id)->geometry())) << id;

  // Every control is inside the window and none covers another.
  const int laidOut[] = {IDC_FOLDER, IDC_SELECT, IDC_FILENAME, IDC_FRAME,  IDC_SPIN,
                         IDC_SAVE,   IDC_SAVEALL, IDC_OUTPUT,  IDC_ANIMATE, IDC_EXIT};
  const QRect inside(QPoint(0, 0), window.size());
  for (std::size_t i = 0; i < std::size(laidOut); ++i) {
    const QRect a = Control(laidOut[i])->geometry();
    EXPECT_TRUE(inside.contains(a)) << laidOut[i];
    for (std::size_t j = i + 1; j < std::size(laidOut); ++j)
      EXPECT_FALSE(a.intersects(Control(laidOut[j])->geometry())) << laidOut[i] << " " << laidOut[j];
  }

  // Tab order of the template.
  const int order[] = {IDC_FOLDER, IDC_SELECT, IDC_SAVE, IDC_SAVEALL, IDC_OUTPUT, IDC_EXIT, IDC_SPIN};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
    QWidget* next = Control(order[i])->nextInFocusChain();
    while (next != nullptr && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, Control(order[i + 1])) << order[i];
  }

  // The 180 x 140 thumbnail lies inside the frame, centred to the pixel (a
  // frame of odd size leaves one more pixel on one side).
  const QRect frame = Control(IDC_FRAME)->geometry();
  const QRect thumb(dialog.ThumbnailRect().left, dialog.ThumbnailRect().top, 180, 140);
  EXPECT_TRUE(frame.contains(thumb));
  const int leftMargin = thumb.left() - frame.left();
  const int rightMargin = frame.right() - thumb.right();
  const int topMargin = thumb.top() - frame.top();
  const int bottomMargin = frame.bottom() - thumb.bottom();
  EXPECT_LE(std::abs(leftMargin - rightMargin), 1) << leftMargin << " " << rightMargin;
  EXPECT_LE(std::abs(topMargin - bottomMargin), 1) << topMargin << " " << bottomMargin;
}

TEST_F(QtDialogTest, EnterOpensTheFolderBrowser) {
  Open();
  bool browsed = false;
  WhenModal([&browsed](QWidget* modal) {
    browsed = qobject_cast<FolderBrowserDialog*>(modal) != nullptr;
    qobject_cast<QDialog*>(modal)->reject();
  });
  QTest::keyClick(&window, Qt::Key_Return);
  EXPECT_TRUE(browsed);
  EXPECT_TRUE(window.isVisible()) << "cancelling the browser changes nothing";
}

TEST_F(QtDialogTest, CloseBoxAndCloseCommandEndLikeExit) {
  Open();
  Control<QComboBox>(IDC_OUTPUT)->setCurrentIndex(4);
  window.close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), IDCANCEL);
  dialog.OnDestroy();
  EXPECT_EQ(StoredOutputType(), 4);

  window.show();
  window.sendSysCommand(0xF060);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), IDCANCEL);
}

TEST(DialogUnits, ConvertWithTheFontsBaseUnits) {
  const DialogUnits du(6, 13);
  EXPECT_EQ(du.rect(267, 21, 46, 14), QRect(401, 34, 69, 23));
  EXPECT_EQ(du.x(333), 500);
  EXPECT_EQ(du.y(250), 406);
  QFont font = QApplication::font();
  font.setPointSize(8);
  const DialogUnits fromFont(font);
  const QFontMetrics metrics(font);
  EXPECT_EQ(fromFont.baseY(), metrics.height());
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  EXPECT_NEAR(fromFont.baseX(), letters / 52.0, 0.5);
}

TEST_F(QtDialogTest, SelectStepAndSaveInEveryFormat) {
  Open();
  dir.write("a.dwg", BmpDrawing(200, 100, 0xFF0000));
  dir.write("b.dwg", BmpDrawing(200, 100, 0x00FF00));
  dir.write("c.dwg", PngDrawing(100, 200, 0x0000FF));
  std::string status;
  SelectFolder(dir.path(), &status);
  EXPECT_EQ(status, ShortenPath(dir.path()));
  EXPECT_EQ(Label(), "a.dwg - 1 of 3");
  EXPECT_EQ(Control<QLineEdit>(IDC_FOLDER)->text(), Q(dir.path()));
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) EXPECT_TRUE(Control(id)->isEnabled()) << id;
  EXPECT_TRUE(Control(IDC_ANIMATE)->isHidden());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor gone";
  EXPECT_EQ(ThumbnailCentre(), 0xFF0000u);

  auto* next = window.upDown()->findChild<QToolButton*>(QStringLiteral("next"));
  auto* previous = window.upDown()->findChild<QToolButton*>(QStringLiteral("previous"));
  QTest::mouseClick(next, Qt::LeftButton);
  EXPECT_EQ(Label(), "b.dwg - 2 of 3");
  EXPECT_EQ(ThumbnailCentre(), 0x00FF00u);
  QTest::keyClick(window.upDown(), Qt::Key_Right);
  EXPECT_EQ(Label(), "c.dwg - 3 of 3");
  EXPECT_EQ(ThumbnailCentre(), 0x0000FFu);
  QTest::keyClick(window.upDown(), Qt::Key_Right);
  EXPECT_EQ(Label(), "a.dwg - 1 of 3") << "wraps";
  QTest::mouseClick(previous, Qt::LeftButton);
  EXPECT_EQ(Label(), "c.dwg - 3 of 3");

  auto* output = Control<QComboBox>(IDC_OUTPUT);
  for (int format = 0; format < 5; ++format) {
    output->setCurrentIndex(format);
    std::string message;
    AcceptNextMessageBox(&message);
    QTest::mouseClick(Control(IDC_SAVE), Qt::LeftButton);
    EXPECT_EQ(message, "Bitmap preview saved!");
    const std::string file = dir.file("c." + output->itemText(format).toStdString());
    EXPECT_GT(testsupport::readFile(file).size(), 100u) << file;
  }
  output->setCurrentIndex(2);
  std::string message;
  AcceptNextMessageBox(&message);
  QTest::mouseClick(Control(IDC_SAVEALL), Qt::LeftButton);
  EXPECT_EQ(message, "All bitmap previews have been saved!");
  for (const char* name : {"a.PCX", "b.PCX", "c.PCX"})
    EXPECT_EQ(testsupport::readFile(dir.file(name)).at(0), 0x0A) << name;

  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), IDCANCEL);
  dialog.OnDestroy();
  EXPECT_EQ(StoredOutputType(), 2);
}

TEST_F(QtDialogTest, UndecodablePreviewShowsTheWhiteCanvasAndNamesStayReadable) {
  Open();
  dir.write("caf\xE9.dwg", BrokenPreviewDrawing());
  SelectFolder(dir.path());
  EXPECT_EQ(Control<QLabel>(IDC_FILENAME)->text(), QString::fromUtf8("caf\u00E9.dwg - 1 of 1"));
  EXPECT_EQ(ThumbnailCentre(), 0xFFFFFFu);
  const QImage shot = Shot();
  EXPECT_NE(shot.pixel(dialog.ThumbnailRect().left - 5, dialog.ThumbnailRect().top + 70) & 0xFFFFFF, 0xFFFFFFu)
      << "the background around it is not white";
}

TEST_F(QtDialogTest, EmptyFolderIsReportedAndClearsNothing) {
  Open();
  std::string message;
  AcceptNextMessageBox(&message);
  SelectFolder(dir.path());
  EXPECT_EQ(message, "No bitmap previews have been found in the following folder:\n\n" + dir.path());
  EXPECT_FALSE(Control(IDC_SAVE)->isEnabled());
}

TEST_F(QtDialogTest, SystemMenuEndsWithAboutWhichF1AlsoOpens) {
  Open();
  const QList<QAction*> actions = window.systemMenu()->actions();
  ASSERT_GE(actions.size(), 2);
  EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
  EXPECT_EQ(actions.back()->text(), "&About Pictrove...");
  EXPECT_EQ(actions.back()->data().toUInt(), 16u);

  int opened = 0;
  auto checkAbout = [&opened](QWidget* modal) {
    auto* about = qobject_cast<AboutDialog*>(modal);
    ASSERT_NE(about, nullptr);
    ++opened;
    EXPECT_EQ(about->windowTitle(), "About Pictrove");
    auto* version = about->findChild<QLabel*>(QStringLiteral("version"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Pictrove Version 1.0");
    auto* icon = about->findChild<QLabel*>(QStringLiteral("icon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = about->findChild<QPushButton*>(QStringLiteral("1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    QTest::keyClick(about, Qt::Key_Escape);
  };
  WhenModal(checkAbout);
  QTest::keyClick(&window, Qt::Key_F1);
  WhenModal(checkAbout);
  window.sendSysCommand(16);
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(window.isVisible()) << "About does not end the dialog";
}

TEST_F(QtDialogTest, ClipKeepsMovingWhileTheWorkRunsElsewhere) {
  Open();
  ASSERT_TRUE(window.OpenAnimation(IDR_SCAN_CLIP));
  EXPECT_EQ(window.animation()->frameCount(), 29);
  window.ShowControl(IDC_ANIMATE, true);
  window.PlayAnimation();
  const long long before = window.animation()->framesShown();
  Qt::HANDLE workThread = nullptr;
  window.RunWork([&] {
    workThread = QThread::currentThreadId();
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
  });
  window.StopAnimation();
  EXPECT_NE(workThread, QThread::currentThreadId());
  EXPECT_GE(window.animation()->framesShown() - before, 3);
  EXPECT_THROW(window.RunWork([] { throw std::runtime_error("failed"); }), std::runtime_error);
}

TEST_F(QtDialogTest, MessageBoxRaisedByWorkIsShownModallyOnTheInterfaceThread) {
  Open();
  bool onInterfaceThread = false;
  std::string text;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    onInterfaceThread = QThread::currentThread() == QApplication::instance()->thread();
    text = box->text().toStdString();
    EXPECT_EQ(box->windowTitle(), "Pictrove");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    ASSERT_NE(box->button(QMessageBox::Retry), nullptr);
    ASSERT_NE(box->button(QMessageBox::Cancel), nullptr);
    box->button(QMessageBox::Retry)->click();
  });
  int answer = 0;
  window.RunWork([&] {
    answer = AfxMessageBox("Critical error: File read", MB_RETRYCANCEL | MB_ICONEXCLAMATION);
  });
  EXPECT_TRUE(onInterfaceThread);
  EXPECT_EQ(text, "Critical error: File read");
  EXPECT_EQ(answer, IDRETRY);

  WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(ShowMessageBox(&window, "Critical error: disk full", MB_RETRYCANCEL | MB_ICONEXCLAMATION),
            IDCANCEL);
}

TEST_F(QtDialogTest, FolderBrowserPreselectsTheCurrentFolderAndShowsItShortened) {
  const std::string deep = dir.path() + "/folder-with-a-long-name";
  QDir().mkpath(Q(deep + "/inner"));
  FolderBrowser browser(deep, 0, &window);
  FolderBrowserDialog view(browser, &window);
  EXPECT_EQ(view.currentPath(), Q(deep));
  EXPECT_EQ(view.statusText(), Q(ShortenPath(deep)));
  view.selectPath(Q(deep + "/inner"));
  EXPECT_EQ(browser.SelectedFolder(), deep + "/inner");
  EXPECT_EQ(view.statusText(), Q(ShortenPath(deep + "/inner")));
  auto* title = view.findChild<QLabel*>(QStringLiteral("title"));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Current Selection");

  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  std::string chosen = "unchanged";
  EXPECT_FALSE(view.run(chosen));
  EXPECT_EQ(chosen, "unchanged");
  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
  EXPECT_TRUE(view.run(chosen));
  EXPECT_EQ(chosen, deep + "/inner");
}

TEST_F(QtDialogTest, FolderBrowserOnFirstUseHasNothingChosen) {
  FolderBrowser browser("", 0, &window);
  FolderBrowserDialog view(browser, &window);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  // The tree takes the focus and a current item of its own: not a choice.
  auto* tree = view.findChild<QWidget*>(QStringLiteral("folders"));
  ASSERT_NE(tree, nullptr);
  tree->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(view.currentPath(), "");
  EXPECT_EQ(view.statusText(), "");
  view.hide();
  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
  std::string chosen;
  EXPECT_FALSE(view.run(chosen)) << "OK without a folder chooses nothing";
}

TEST(QtModalRun, EscapeEndsTheDialogAndStoresTheChosenFormat) {
  ClearSettings();
  {
    QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
    settings.setValue(QStringLiteral("Settings/OutputType"), 3);
  }
  QtSettingsStore store("Quillory", "Pictrove");
  PreviewWindow window(store);
  PreviewDialog dialog(window);
  window.attach(&dialog);
  QString shown;
  QPoint centreOffset;
  WhenModal([&](QWidget* modal) {
    ASSERT_EQ(modal, &window);
    auto* output = qobject_cast<QComboBox*>(window.control(IDC_OUTPUT));
    shown = output->currentText();
    output->setCurrentIndex(0);
    centreOffset = window.frameGeometry().center() - window.screen()->availableGeometry().center();
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  window.attach(nullptr);
  EXPECT_EQ(shown, "PNG");
  EXPECT_LE(std::abs(centreOffset.x()), 2);
  EXPECT_LE(std::abs(centreOffset.y()), 2);
  EXPECT_EQ(StoredOutputType(), 0);
}

TEST(QtSettings, ReadsIntegersWithADefaultAndWritesThemUnderTheCompanysKey) {
  ClearSettings();
  QtSettingsStore store("Quillory", "Pictrove");
  EXPECT_EQ(store.GetProfileInt("Settings", "OutputType", 1), 1);
  store.WriteProfileInt("Settings", "OutputType", -1);
  EXPECT_EQ(store.GetProfileInt("Settings", "OutputType", 1), -1);
  {
    QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
    EXPECT_TRUE(settings.fileName().endsWith(QStringLiteral("Quillory/Pictrove.conf")))
        << settings.fileName().toStdString();
    settings.setValue(QStringLiteral("Settings/OutputType"), QStringLiteral("not a number"));
  }
  EXPECT_EQ(store.GetProfileInt("Settings", "OutputType", 1), 1);
}

TEST(UpDownControl, ReportsSingleStepsFromButtonsAndArrowKeys) {
  UpDownControl control;
  control.resize(90, 30);
  control.setRange(0, 2);
  control.show();
  QSignalSpy spy(&control, &UpDownControl::stepped);
  QTest::mouseClick(control.findChild<QToolButton*>(QStringLiteral("next")), Qt::LeftButton);
  QTest::mouseClick(control.findChild<QToolButton*>(QStringLiteral("previous")), Qt::LeftButton);
  for (auto key : {Qt::Key_Right, Qt::Key_Up, Qt::Key_Left, Qt::Key_Down, Qt::Key_PageUp})
    QTest::keyClick(&control, key);
  std::vector<int> steps;
  for (const QList<QVariant>& arguments : spy) steps.push_back(arguments.at(0).toInt());
  EXPECT_EQ(steps, (std::vector<int>{+1, -1, +1, +1, -1, -1}));
  // The control's own position wraps in its range.
  control.setPosition(2);
  QTest::keyClick(&control, Qt::Key_Right);
  EXPECT_EQ(control.position(), 0);
  QTest::keyClick(&control, Qt::Key_Left);
  EXPECT_EQ(control.position(), 2);
  control.setEnabled(false);
  QTest::keyClick(&control, Qt::Key_Right);
  EXPECT_EQ(spy.size(), 8);
}

}  // namespace
}  // namespace apptest
