// The real Qt dialog, offscreen, with what reaches it besides its buttons:
// folders and drawings dropped on it, the mouse wheel over the picture and
// Page Up/Page Down, a path to open at start-up; the shortened label, the
// up-down control's focus frame and the one font; the viewer of the whole
// preview, its keys and its pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <cstring>
#include <memory>

#include "app/dialog/folder_browser.h"
#include "app/dialog/preview_dialog.h"
#include "app/qt/about_dialog.h"
#include "app/qt/dialog_units.h"
#include "app/qt/folder_browser_dialog.h"
#include "app/qt/message_boxes.h"
#include "app/qt/preview_window.h"
#include "app/qt/qt_settings_store.h"
#include "app/qt/up_down_control.h"
#include "app/qt/viewer_window.h"
#include "app/core/drawing_picture.h"
#include "app/dialog/resource_ids.h"
#include "platform/message_box.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/dialog/qt_test_support.h"
#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

using namespace pictrove;

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// A file URL of the path's bytes, percent-encoded as a file manager sends it.
QUrl FileUrl(const std::string& path) {
  return QUrl::fromEncoded("file://" + Bytes(path).toPercentEncoding("/"));
}

std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  return data;
}

class QtWindowTest : public ::testing::Test {
 protected:
  QtWindowTest() : store("Quillory", "Pictrove"), window(store), dialog(window) {}

  void SetUp() override {
    QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
    settings.clear();
    settings.sync();
    InstallQtMessageBoxHandler();
    window.attach(&dialog);
  }
  void TearDown() override {
    dialog.OnDestroy();
    window.attach(nullptr);
    SetMessageBoxHandler(nullptr);
  }
  void Open() {
    ASSERT_EQ(dialog.OnCreate(), 0);
    window.CreateControls();
    dialog.OnInitDialog();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  // Three drawings with previews in the scratch folder, opened.
  void OpenThree() {
    Open();
    for (const char* name : {"a.dwg", "b.dwg", "c.dwg"}) dir.write(name, BmpDrawing(40, 30, 0x808080));
    dialog.OpenPath(dir.path());
    ASSERT_EQ(Label(), "a.dwg - 1 of 3");
  }
  QLabel* LabelControl() { return qobject_cast<QLabel*>(window.control(IDC_FILENAME)); }
  std::string Label() { return LabelControl()->text().toStdString(); }

  // Sends a drag entering the window with `data`; whether it was accepted.
  bool DragEnters(const QMimeData* data) {
    QDragEnterEvent event(QPoint(50, 50), Qt::CopyAction | Qt::LinkAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
    bool accepted = event.isAccepted();
    QDragMoveEvent move(QPoint(60, 60), Qt::CopyAction | Qt::LinkAction, data, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    EXPECT_EQ(move.isAccepted(), accepted) << "moving agrees with entering";
    return accepted;
  }
  // Drags `data` onto the window, drops it there and lets the scan run.
  void Drop(const QMimeData* data) {
    ASSERT_TRUE(DragEnters(data));
    QDropEvent event(QPointF(50, 50), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
    EXPECT_TRUE(event.isAccepted());
    QTest::qWait(50);
  }
  void Wheel(QWidget* target, int angle) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  }

  QtSettingsStore store;
  PreviewWindow window;
  PreviewDialog dialog;
  testsupport::TempDir dir;
};

TEST_F(QtWindowTest, DragsAreTakenOnlyForOneLocalFolderOrDrawing) {
  Open();
  EXPECT_TRUE(window.acceptDrops());
  dir.write("plan.DWG", BmpDrawing(40, 30, 0x808080));
  dir.write("notes.txt", {1});
  const struct {
    const char* what;
    QList<QUrl> urls;
    bool accepted;
  } cases[] = {
      {"a folder", {FileUrl(dir.path())}, true},
      {"a drawing, any letter case", {FileUrl(dir.file("plan.DWG"))}, true},
      {"a drawing named with a stray byte", {FileUrl(dir.file("caf\xE9.dwg"))}, true},
      {"another file", {FileUrl(dir.file("notes.txt"))}, false},
      {"two drawings", {FileUrl(dir.file("plan.DWG")), FileUrl(dir.file("plan.DWG"))}, false},
      {"a web address", {QUrl(QStringLiteral("https://example.org/plan.dwg"))}, false},
      {"a file on another host", {QUrl(QStringLiteral("file://server/share/plan.dwg"))}, false},
      {"nothing", {}, false},
  };
  for (const auto& c : cases) {
    const auto data = Urls(c.urls);
    EXPECT_EQ(DragEnters(data.get()), c.accepted) << c.what;
  }
  QMimeData text;
  text.setText(QString::fromStdString(dir.path()));
  EXPECT_FALSE(DragEnters(&text)) << "a path as plain text";
}

TEST_F(QtWindowTest, DroppedFolderIsScannedAndADroppedDrawingShown) {
  Open();
  dir.write("a.dwg", BmpDrawing(40, 30, 0xFF0000));
  dir.write("b.dwg", BmpDrawing(40, 30, 0x00FF00));
  Drop(Urls({FileUrl(dir.path())}).get());
  EXPECT_EQ(Label(), "a.dwg - 1 of 2");
  EXPECT_EQ(qobject_cast<QLineEdit*>(window.control(IDC_FOLDER))->text().toStdString(), dir.path());
  EXPECT_TRUE(window.control(IDC_SAVE)->isEnabled());

  Drop(Urls({FileUrl(dir.file("b.dwg"))}).get());
  EXPECT_EQ(Label(), "b.dwg - 2 of 2");
  EXPECT_EQ(window.upDown()->position(), 1) << "the arrows go on from it";
  QTest::keyClick(window.upDown(), Qt::Key_Right);
  EXPECT_EQ(Label(), "a.dwg - 1 of 2");
}

TEST_F(QtWindowTest, DroppedFolderNamedWithAStrayByteKeepsItsBytes) {
  Open();
  const std::string folder = dir.file("pl\xE4ne");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  dir.write("pl\xE4ne/a.dwg", BmpDrawing(40, 30, 0x808080));
  Drop(Urls({FileUrl(folder)}).get());
  EXPECT_EQ(Label(), "a.dwg - 1 of 1");
  EXPECT_EQ(store.GetProfileString("Settings", "LastFolder", ""), folder);
}

TEST_F(QtWindowTest, WheelOverThePictureStepsOncePerNotch) {
  OpenThree();
  QWidget* frame = window.control(IDC_FRAME);
  Wheel(frame, -120);
  EXPECT_EQ(Label(), "b.dwg - 2 of 3") << "towards the user: on";
  Wheel(frame, 120);
  Wheel(frame, 120);
  EXPECT_EQ(Label(), "c.dwg - 3 of 3") << "away: back, wrapping";
  Wheel(frame, -60);
  EXPECT_EQ(Label(), "c.dwg - 3 of 3") << "half a notch is not a step";
  Wheel(frame, -60);
  EXPECT_EQ(Label(), "a.dwg - 1 of 3");
  Wheel(frame, -360);
  EXPECT_EQ(Label(), "a.dwg - 1 of 3") << "three notches at once: three steps";
  EXPECT_EQ(window.upDown()->position(), 0);
  Wheel(window.control(IDC_SAVE), -120);
  Wheel(window.control(IDC_FOLDER), -120);
  EXPECT_EQ(Label(), "a.dwg - 1 of 3") << "only over the picture";
}

TEST_F(QtWindowTest, PageUpAndPageDownStepWhereverTheFocusIs) {
  OpenThree();
  auto* output = qobject_cast<QComboBox*>(window.control(IDC_OUTPUT));
  const int format = output->currentIndex();
  const struct {
    int focus;
    Qt::Key key;
    const char* label;
  } presses[] = {
      {IDC_OUTPUT, Qt::Key_PageDown, "b.dwg - 2 of 3"},
      {IDC_FOLDER, Qt::Key_PageDown, "c.dwg - 3 of 3"},
      {IDC_EXIT, Qt::Key_PageDown, "a.dwg - 1 of 3"},
      {IDC_SELECT, Qt::Key_PageUp, "c.dwg - 3 of 3"},
      {IDC_SPIN, Qt::Key_PageUp, "b.dwg - 2 of 3"},
  };
  for (const auto& press : presses) {
    QWidget* focus = window.control(press.focus);
    focus->setFocus();
    QTest::keyClick(focus, press.key);
    EXPECT_EQ(Label(), press.label) << press.focus;
  }
  EXPECT_EQ(output->currentIndex(), format) << "the list does not page";
  EXPECT_EQ(window.upDown()->position(), 1);
}

TEST_F(QtWindowTest, WithoutPreviewsNeitherWheelNorKeysDoAnything) {
  Open();
  QTest::keyClick(&window, Qt::Key_PageDown);
  Wheel(window.control(IDC_FRAME), -120);
  EXPECT_EQ(Label(), "");
  EXPECT_EQ(window.upDown()->position(), 0);
}

TEST_F(QtWindowTest, LongNameIsShortenedInTheMiddleAndTheCounterStays) {
  Open();
  const std::string name = "Very long drawing name of the north-east extension, second floor, "
                           "revision 14 after the fire inspection of March.dwg";
  dir.write(name, BmpDrawing(40, 30, 0x808080));
  dir.write("short.dwg", BmpDrawing(40, 30, 0x808080));
  dialog.OpenPath(dir.file(name));
  QLabel* label = LabelControl();
  const QString full = QString::fromStdString(name + " - 2 of 2");
  const QString shown = label->text();
  EXPECT_TRUE(shown.endsWith(QStringLiteral(" - 2 of 2"))) << shown.toStdString();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("Very long"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026))) << "an ellipsis in the middle";
  EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
  EXPECT_EQ(label->toolTip(), full);
  EXPECT_EQ(window.GetControlText(IDC_FILENAME), full.toStdString()) << "the dialog reads the full text";

  // Stepping to a short name and back: the whole name returns to the
  // tooltip, the short one is shown as it is.
  QTest::keyClick(&window, Qt::Key_PageDown);
  EXPECT_EQ(Label(), "short.dwg - 1 of 2");
  EXPECT_EQ(label->toolTip(), QStringLiteral("short.dwg - 1 of 2"));
  QTest::keyClick(&window, Qt::Key_PageUp);
  EXPECT_EQ(label->text(), shown);
}

TEST_F(QtWindowTest, UpDownControlShowsItsFocus) {
  OpenThree();
  UpDownControl* upDown = window.upDown();
  auto grab = [upDown] {
    QApplication::processEvents();
    return upDown->grab().toImage();
  };
  window.control(IDC_EXIT)->setFocus(Qt::TabFocusReason);
  const QImage without = grab();
  EXPECT_FALSE(upDown->focusFrameShown());
  upDown->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(upDown->focusFrameShown());
  EXPECT_NE(grab(), without) << "the focus frame is drawn";
  window.control(IDC_EXIT)->setFocus(Qt::TabFocusReason);
  EXPECT_FALSE(upDown->focusFrameShown());
  EXPECT_EQ(grab(), without);
}

TEST_F(QtWindowTest, DialogBrowserAboutBoxAndMessageBoxesShareOneFont) {
  Open();
  const QFont font = DialogFont();
  EXPECT_EQ(font.pointSize(), 8);
  EXPECT_EQ(window.font(), font);
  AboutDialog about(&window);
  EXPECT_EQ(about.font(), font);
  FolderBrowser browser("", 0, &window);
  FolderBrowserDialog folders(browser, &window);
  EXPECT_EQ(folders.font(), font);
  QFont boxFont;
  WhenModal([&boxFont](QWidget* modal) {
    boxFont = modal->font();
    qobject_cast<QMessageBox*>(modal)->defaultButton()->click();
  });
  window.MessageBox("Bitmap preview saved!", MB_ICONINFORMATION | MB_OK);
  EXPECT_EQ(boxFont, font);
}

TEST_F(QtWindowTest, ViewerOpensOnDoubleClickF3AndTheMenuAndTakesItsKeys) {
  Open();
  QAction* entry = window.systemMenu()->actions().value(0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), "&View Whole Preview\tF3");
  EXPECT_TRUE(window.systemMenu()->actions().value(1)->isSeparator());
  QTest::keyClick(&window, Qt::Key_F3);
  EXPECT_EQ(window.viewer(), nullptr) << "nothing on show, nothing opens";

  dir.write("a.dwg", BmpDrawing(40, 30, 0xC02020));
  dir.write("b.dwg", BmpDrawing(300, 100, 0x20C020));
  dir.write("c.dwg", BmpDrawing(20, 60, 0x2020C0));
  dialog.OpenPath(dir.path());
  QTest::mouseDClick(window.control(IDC_FRAME), Qt::LeftButton);
  ViewerWindow* viewer = window.viewer();
  ASSERT_NE(viewer, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
  EXPECT_EQ(viewer->windowTitle(), "a.dwg (40 x 30)");
  EXPECT_TRUE(viewer->isModal());
  // The picture's size on show in device pixels, and the widget that holds it.
  const qreal ratio = viewer->devicePixelRatioF();
  auto shown = [viewer, ratio] {
    const QSize device(viewer->zoom().ShownWidth(), viewer->zoom().ShownHeight());
    const QSize widget = viewer->pictureWidget()->size();
    EXPECT_TRUE(widget.width() * ratio >= device.width() && widget.width() * ratio < device.width() + ratio &&
                widget.height() * ratio >= device.height() && widget.height() * ratio < device.height() + ratio)
        << widget.width() << " x " << widget.height();
    return device;
  };
  EXPECT_EQ(shown(), QSize(40, 30)) << "its own size";

  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* title;
    const char* label;
    QSize picture;
  } presses[] = {
      {Qt::Key_Right, Qt::NoModifier, "b.dwg (300 x 100)", "b.dwg - 2 of 3", {300, 100}},
      {Qt::Key_PageDown, Qt::NoModifier, "c.dwg (20 x 60)", "c.dwg - 3 of 3", {20, 60}},
      {Qt::Key_Up, Qt::NoModifier, "a.dwg (40 x 30)", "a.dwg - 1 of 3", {40, 30}},
      {Qt::Key_Left, Qt::NoModifier, "c.dwg (20 x 60)", "c.dwg - 3 of 3", {20, 60}},
      {Qt::Key_Plus, Qt::NoModifier, "c.dwg (20 x 60)", "c.dwg - 3 of 3", {30, 90}},
      {Qt::Key_PageUp, Qt::NoModifier, "b.dwg (300 x 100)", "b.dwg - 2 of 3", {450, 150}},
      {Qt::Key_Minus, Qt::KeypadModifier, "b.dwg (300 x 100)", "b.dwg - 2 of 3", {300, 100}},
      {Qt::Key_Minus, Qt::NoModifier, "b.dwg (300 x 100)", "b.dwg - 2 of 3", {200, 66}},
      {Qt::Key_0, Qt::NoModifier, "b.dwg (300 x 100)", "b.dwg - 2 of 3", {300, 100}},
      {Qt::Key_Down, Qt::NoModifier, "a.dwg (40 x 30)", "a.dwg - 1 of 3", {40, 30}},
  };
  for (const auto& press : presses) {
    QTest::keyClick(viewer, static_cast<Qt::Key>(press.key), press.modifiers);
    EXPECT_EQ(viewer->windowTitle().toStdString(), press.title) << press.title << " " << press.key;
    EXPECT_EQ(Label(), press.label) << press.key;
    EXPECT_EQ(shown(), press.picture) << press.title << " " << press.key;
  }
  EXPECT_EQ(window.upDown()->position(), 0) << "the arrows' position follows";
  const QImage grabbed = viewer->pictureWidget()->grab().toImage();
  EXPECT_EQ(grabbed.pixel(39, 29) & 0xFFFFFF, 0xC02020u);

  // Ctrl with the wheel zooms, one step a notch; the wheel alone does not.
  QWidget* viewport = viewer->pictureWidget()->parentWidget();
  const QPointF at(5, 5);
  for (const auto& [angle, modifiers] : {std::pair{120, Qt::ControlModifier}, std::pair{120, Qt::NoModifier}}) {
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
  }
  EXPECT_EQ(shown(), QSize(60, 45));

  QTest::keyClick(viewer, Qt::Key_Escape);
  EXPECT_FALSE(viewer->isVisible());
  EXPECT_FALSE(dialog.ViewerOpen());
  EXPECT_TRUE(window.isVisible()) << "Escape closes the viewer alone";
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window)) << "and the keys are the dialog's again";
  QTest::keyClick(window.control(IDC_SPIN), Qt::Key_Right);
  EXPECT_EQ(viewer->windowTitle(), "") << "closed, it holds and reads nothing";
  QTest::keyClick(window.control(IDC_EXIT), Qt::Key_F3);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->windowTitle(), "b.dwg (300 x 100)");
  EXPECT_EQ(shown(), QSize(300, 100)) << "opened again at its own size";
  QTest::keyClick(viewer, Qt::Key_Escape);
  window.sendSysCommand(IDM_VIEWPREVIEW);
  EXPECT_TRUE(viewer->isVisible()) << "the menu's command";
  QTest::keyClick(viewer, Qt::Key_Escape);
}

// A real drawing's preview in the viewer, BMP and PNG: at a ratio of 1 each
// screen pixel is the decoded picture's (at another ratio, each device pixel).
TEST_F(QtWindowTest, ViewerShowsARealPreviewPixelForPixel) {
  if (testsupport::realDrawingsDir().empty()) GTEST_SKIP() << "the real drawings folder is absent";
  Open();
  for (const char* name : {"r2010-large-preview.dwg", "r2018-sample.dwg"}) {
    const std::string path = testsupport::realDrawingsDir() + "/" + name;
    dialog.OpenPath(path);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const DrawingPicture decoded = LoadDrawingPicture(path, PreviewRead::OneRead);
    ASSERT_EQ(decoded.result, PictureResult::Made) << name;
    const int width = static_cast<int>(decoded.picture.width());
    const int height = static_cast<int>(decoded.picture.height());
    QTest::keyClick(&window, Qt::Key_F3);
    ViewerWindow* viewer = window.viewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    EXPECT_EQ(viewer->windowTitle().toStdString(),
              std::string(name) + " (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    ASSERT_DOUBLE_EQ(viewer->zoom().Factor(), 1.0) << name << " fits the screen";
    const QImage shown = viewer->pictureWidget()->grab().toImage().convertToFormat(QImage::Format_RGB888);
    ASSERT_GE(shown.width(), width) << name;
    ASSERT_GE(shown.height(), height) << name;
    int differing = 0;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* expected = decoded.picture.pixels() + static_cast<std::size_t>(y) * width * 3;
      differing += std::memcmp(shown.constScanLine(y), expected, static_cast<std::size_t>(width) * 3) != 0;
    }
    EXPECT_EQ(differing, 0) << name << ": rows that differ";
    QTest::keyClick(viewer, Qt::Key_Escape);
  }
}

TEST(QtStartPath, DrawingGivenAtStartIsShownOnceTheDialogRuns) {
  testsupport::TempDir dir;
  dir.write("a.dwg", BmpDrawing(40, 30, 0x808080));
  dir.write("b.dwg", BmpDrawing(40, 30, 0x808080));
  QtSettingsStore store("Quillory", "Pictrove");
  PreviewWindow window(store);
  PreviewDialog dialog(window);
  window.attach(&dialog);
  std::string shown;
  bool visible = false;
  auto label = [&] { return qobject_cast<QLabel*>(window.control(IDC_FILENAME)); };
  WhenModal(
      [&](QWidget*) {
        shown = label()->text().toStdString();
        visible = window.isVisible();
        QTest::keyClick(&window, Qt::Key_Escape);
      },
      [&](QWidget* modal) { return modal == &window && !label()->text().isEmpty(); });
  EXPECT_EQ(dialog.DoModal(dir.file("b.dwg")), IDCANCEL);
  window.attach(nullptr);
  EXPECT_EQ(shown, "b.dwg - 2 of 2");
  EXPECT_TRUE(visible);
  QSettings settings(QStringLiteral("Quillory"), QStringLiteral("Pictrove"));
  EXPECT_EQ(settings.value(QStringLiteral("Settings/LastFolder")).toString().toStdString(), dir.path());
}

TEST(QtStartPath, MissingPathIsReportedOverTheEmptyDialog) {
  QtSettingsStore store("Quillory", "Pictrove");
  PreviewWindow window(store);
  PreviewDialog dialog(window);
  window.attach(&dialog);
  InstallQtMessageBoxHandler();
  std::string message;
  QWidget* parent = nullptr;
  WhenModal(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        message = box->text().toStdString();
        parent = box->parentWidget();
        box->defaultButton()->click();
        WhenModal([&window](QWidget*) { QTest::keyClick(&window, Qt::Key_Escape); });
      },
      [](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; });
  EXPECT_EQ(dialog.DoModal("/nonexistent/plan.dwg"), IDCANCEL);
  window.attach(nullptr);
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(message, "The following cannot be opened:\n\n/nonexistent/plan.dwg\n\nNo such file or directory");
  EXPECT_EQ(parent, &window);
}

}  // namespace
}  // namespace apptest
