#include "app/qt/preview_window.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <exception>
#include <functional>
#include <thread>
#include <utility>

#include "app/dialog/folder_browser.h"
#include "app/core/output_format.h"
#include "app/dialog/preview_dialog.h"
#include "app/qt/about_dialog.h"
#include "app/qt/animation_control.h"
#include "app/qt/app_icon.h"
#include "app/qt/dialog_units.h"
#include "app/qt/painted_widget.h"
#include "app/qt/folder_browser_dialog.h"
#include "app/qt/message_boxes.h"
#include "app/qt/name_label.h"
#include "app/qt/up_down_control.h"
#include "app/qt/viewer_window.h"
#include "app/dialog/resource_ids.h"
#include "app/dialog/settings_store.h"
#include "platform/gdi.h"

namespace pictrove {
namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QImage::Format FormatOf(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 16:
      return QImage::Format_RGB16;
    case 24:
      return QImage::Format_BGR888;
    case 32:
      return QImage::Format_RGB32;
    default:
      return QImage::Format_Invalid;
  }
}

}  // namespace

PreviewWindow::PreviewWindow(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName(QString::number(IDD_PICTROVE_DIALOG));
  setWindowTitle(QStringLiteral("Pictrove"));
  // Caption, system menu and close box; no minimise or maximise box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  systemMenu_.setObjectName(QStringLiteral("systemMenu"));
  QAction* close = systemMenu_.addAction(QStringLiteral("&Close"));
  close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  close->setData(SC_CLOSE);
}

PreviewWindow::~PreviewWindow() = default;

template <typename Widget>
Widget* PreviewWindow::addControl(int id, Widget* widget, const QRect& geometry) {
  widget->setGeometry(geometry);
  if (id > 0) {
    widget->setObjectName(QString::number(id));
    controls_[id] = widget;
  }
  return widget;
}

void PreviewWindow::CreateControls() {
  const QFont dialogFont = DialogFont();
  setFont(dialogFont);
  systemMenu_.setFont(dialogFont);
  const DialogUnits du(dialogFont);

  // In tab order.
  auto* folder = addControl(IDC_FOLDER, new QLineEdit(this), du.rect(16, 21, 240, 14));
  folder->setReadOnly(true);

  auto* select = addControl(IDC_SELECT, new QPushButton(QStringLiteral("&Select"), this),
                            du.rect(267, 21, 46, 14));
  select->setDefault(true);

  auto* save = addControl(IDC_SAVE, new QPushButton(QStringLiteral("&Save"), this),
                          du.rect(267, 82, 46, 14));
  save->setEnabled(false);
  auto* saveAll = addControl(IDC_SAVEALL, new QPushButton(QStringLiteral("Save &All"), this),
                             du.rect(267, 102, 46, 14));
  saveAll->setEnabled(false);

  auto* caption = addControl(0, new QLabel(QStringLiteral("Output:"), this), du.rect(278, 124, 24, 8));
  caption->setObjectName(QStringLiteral("outputCaption"));
  caption->setAlignment(Qt::AlignCenter);

  // The template's height includes the dropped-down list; the closed box is
  // as tall as the font needs.
  output_ = new QComboBox(this);
  for (int i = 0; i < kOutputFormatCount; ++i) output_->addItem(QString::fromLatin1(OutputFormatText(i)));
  output_->setMaxVisibleItems(kOutputFormatCount);
  const QRect listRect = du.rect(267, 135, 46, 44);
  addControl(IDC_OUTPUT, output_,
             QRect(listRect.x(), listRect.y(), listRect.width(), output_->sizeHint().height()));
  output_->setCurrentIndex(-1);

  animation_ = addControl(IDC_ANIMATE, new AnimationControl(this), du.rect(267, 164, 47, 44));
  animation_->setAccessibleName(QStringLiteral("Scanning"));

  auto* exit = addControl(IDC_EXIT, new QPushButton(QStringLiteral("E&xit"), this),
                          du.rect(276, 229, 50, 14));

  auto* folderGroup = addControl(0, new QGroupBox(QStringLiteral("Folder Settings"), this),
                                 du.rect(7, 7, 319, 40));
  folderGroup->setObjectName(QStringLiteral("folderSettings"));
  auto* previewGroup = addControl(0, new QGroupBox(QStringLiteral("Bitmap Previews"), this),
                                  du.rect(7, 54, 319, 168));
  previewGroup->setObjectName(QStringLiteral("bitmapPreviews"));
  // Group boxes only frame their controls: keep them beneath, so that they
  // never take the controls' clicks; the thumbnail is drawn between them
  // and the controls.
  // The dialog's own drawing surface for the thumbnail: covers the client
  // area above the group boxes (whose panels would otherwise tint it) and
  // below every control; mouse events pass through it.
  auto* layer = new PaintedWidget(this, [this](QPainter& painter) { paintThumbnail(painter); });
  layer->setAttribute(Qt::WA_TransparentForMouseEvents);
  layer->setObjectName(QStringLiteral("thumbnailLayer"));
  layer->setGeometry(0, 0, du.x(333), du.y(250));
  layer->lower();
  folderGroup->lower();
  previewGroup->lower();

  upDown_ = addControl(IDC_SPIN, new UpDownControl(this), du.rect(107, 194, 51, 20));
  upDown_->setEnabled(false);

  auto* label = addControl(IDC_FILENAME, new NameLabel(this), du.rect(15, 69, 213, 8));
  label->setFullText(QStringLiteral("FileName"));
  label->setAlignment(Qt::AlignCenter);

  auto* frame = addControl(IDC_FRAME, new QFrame(this), du.rect(15, 82, 239, 106));
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  frame->setLineWidth(1);
  QPalette black = frame->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    black.setColor(group, QPalette::WindowText, Qt::black);
  frame->setPalette(black);
  frame->setEnabled(false);
  frame->setAccessibleName(QStringLiteral("Preview picture"));
  frame->setToolTip(QStringLiteral(
      "The preview on show; the mouse wheel steps through the previews, a double-click (or F3) "
      "shows the whole preview"));
  // The wheel over the picture steps like the arrows; a double-click opens
  // the whole preview.
  frame->installEventFilter(this);

  QWidget::setTabOrder(folder, select);
  QWidget::setTabOrder(select, save);
  QWidget::setTabOrder(save, saveAll);
  QWidget::setTabOrder(saveAll, output_);
  QWidget::setTabOrder(output_, exit);
  QWidget::setTabOrder(exit, upDown_);

  setFixedSize(du.x(333), du.y(250));

  connect(select, &QPushButton::clicked, this, [this] {
    if (logic_) logic_->OnSelect();
  });
  connect(save, &QPushButton::clicked, this, [this] {
    if (logic_) logic_->OnSave();
  });
  connect(saveAll, &QPushButton::clicked, this, [this] {
    if (logic_) logic_->OnSaveAll();
  });
  connect(exit, &QPushButton::clicked, this, [this] {
    if (logic_) logic_->OnExit();
  });
  connect(upDown_, &UpDownControl::stepped, this, [this](int delta) {
    if (logic_) logic_->OnDeltaposSpin(delta);
  });
  // Page Up and Page Down step wherever the focus is.
  for (const auto& [key, delta] : {std::pair{Qt::Key_PageUp, -1}, std::pair{Qt::Key_PageDown, +1}}) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    connect(shortcut, &QShortcut::activated, this, [this, delta = delta] { upDown_->step(delta); });
  }
  setAcceptDrops(true);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { sendSysCommand(IDM_ABOUTBOX); });
  auto* view = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(view, &QShortcut::activated, this, [this] {
    if (logic_) logic_->OnViewPreview();
  });
  auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(menuKey, &QShortcut::activated, this,
          [this] { showSystemMenu(mapToGlobal(QPoint(0, 0))); });
}

QWidget* PreviewWindow::control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

int PreviewWindow::RunModal() {
  // Centred on the screen.
  if (QScreen* screen = this->screen()) {
    const QRect available = screen->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
  }
  // A screen of another pixel density wants its own thumbnail.
  winId();
  if (QWindow* window = windowHandle()) {
    connect(window, &QWindow::screenChanged, this, [this] {
      if (logic_) logic_->OnScaleChange();
    });
  }
  // Queued now, these run once exec() has shown the window.
  for (std::function<void()>& task : tasksWhenShown_) QTimer::singleShot(0, this, std::move(task));
  tasksWhenShown_.clear();
  return exec();
}

void PreviewWindow::RunWhenShown(const std::function<void()>& task) {
  if (isVisible()) {
    QTimer::singleShot(0, this, task);
  } else {
    tasksWhenShown_.push_back(task);
  }
}

void PreviewWindow::EndDialog(int result) { QDialog::done(result); }

void PreviewWindow::reject() {
  // Escape and the close box end the dialog the way Exit does.
  if (logic_ != nullptr) {
    logic_->OnCancel();
  } else {
    QDialog::reject();
  }
}

void PreviewWindow::SetControlText(int id, const std::string& text) {
  QWidget* widget = control(id);
  if (auto* nameLabel = qobject_cast<NameLabel*>(widget)) {
    nameLabel->setFullText(FromUtf8(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(FromUtf8(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(FromUtf8(text));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(FromUtf8(text));
  }
}

std::string PreviewWindow::GetControlText(int id) {
  QWidget* widget = control(id);
  // The label's full text, not the shortened one on show.
  if (auto* nameLabel = qobject_cast<NameLabel*>(widget)) return nameLabel->fullText().toStdString();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text().toStdString();
  return std::string();
}

void PreviewWindow::SetListSelection(int id, int index) {
  auto* list = qobject_cast<QComboBox*>(control(id));
  if (list == nullptr) return;
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

int PreviewWindow::GetListSelection(int id) {
  auto* list = qobject_cast<QComboBox*>(control(id));
  return list == nullptr ? -1 : list->currentIndex();
}

std::string PreviewWindow::GetListItemText(int id, int index) {
  auto* list = qobject_cast<QComboBox*>(control(id));
  if (list == nullptr || index < 0 || index >= list->count()) return std::string();
  return list->itemText(index).toStdString();
}

void PreviewWindow::EnableControl(int id, bool enable) {
  if (QWidget* widget = control(id)) widget->setEnabled(enable);
}

void PreviewWindow::ShowControl(int id, bool show) {
  if (QWidget* widget = control(id)) widget->setVisible(show);
}

void PreviewWindow::SetSpinRange(int low, int high) {
  if (upDown_) upDown_->setRange(low, high);
}

void PreviewWindow::SetSpinPosition(int position) {
  if (upDown_) upDown_->setPosition(position);
}

bool PreviewWindow::OpenAnimation(int clipId) {
  if (animation_ == nullptr || clipId != IDR_SCAN_CLIP) return false;
  return animation_->open(ScanClipPath(), kScanClipFrames, kScanClipIntervalMs);
}

void PreviewWindow::PlayAnimation() {
  if (animation_) animation_->play();
}

void PreviewWindow::StopAnimation() {
  if (animation_) animation_->stop();
}

Rect PreviewWindow::ControlClientRect(int id) {
  QWidget* widget = control(id);
  if (widget == nullptr) return Rect{};
  const QPoint topLeft = widget->mapTo(this, QPoint(0, 0));
  return Rect{topLeft.x(), topLeft.y(), topLeft.x() + widget->width(),
              topLeft.y() + widget->height()};
}

void PreviewWindow::InvalidateRect(const Rect& rect, bool) {
  // Qt always repaints the background under an update; the thumbnail then
  // covers it where one is shown.
  update(QRect(rect.left, rect.top, rect.width(), rect.height()));
}

double PreviewWindow::DevicePixelRatio() { return devicePixelRatioF(); }

void PreviewWindow::SetIcon(int iconId) {
  if (iconId == IDR_MAINFRAME) setWindowIcon(AppIcon());
}

bool PreviewWindow::HasSystemMenu() { return true; }

void PreviewWindow::AppendSystemMenuSeparator() { systemMenu_.addSeparator(); }

void PreviewWindow::AppendSystemMenuItem(unsigned command, const std::string& text) {
  QAction* action = systemMenu_.addAction(FromUtf8(text));
  action->setData(command);
}

void PreviewWindow::DefaultSysCommand(unsigned command) {
  if ((command & 0xFFF0u) == SC_CLOSE) close();
}

void PreviewWindow::sendSysCommand(unsigned command) {
  if (logic_) logic_->OnSysCommand(command);
}

void PreviewWindow::showSystemMenu(const QPoint& globalPos) {
  for (QAction* action : systemMenu_.actions())
    if (!action->isSeparator() && action->data().toUInt() == IDM_VIEWPREVIEW)
      action->setEnabled(logic_ != nullptr && logic_->CanViewPreview());
  QAction* chosen = systemMenu_.exec(globalPos);
  if (chosen != nullptr) sendSysCommand(chosen->data().toUInt());
}

void PreviewWindow::contextMenuEvent(QContextMenuEvent* event) {
  showSystemMenu(event->globalPos());
}

void PreviewWindow::PrependSystemMenuItem(unsigned command, const std::string& text) {
  QAction* first = systemMenu_.actions().value(0, nullptr);
  auto* action = new QAction(FromUtf8(text), &systemMenu_);
  action->setData(command);
  systemMenu_.insertAction(first, action);
  if (first != nullptr) systemMenu_.insertSeparator(first);
}

void PreviewWindow::ShowPreviewViewer(ViewerContent&& content) {
  if (viewer_ == nullptr) {
    viewer_ = new ViewerWindow(this);
    viewer_->setFont(font());
    viewer_->setWindowIcon(windowIcon());
    connect(viewer_, &ViewerWindow::stepRequested, this, [this](int delta) { upDown_->step(delta); });
    connect(viewer_, &ViewerWindow::closed, this, [this] {
      if (logic_) logic_->OnViewerClosed();
    });
  }
  viewer_->setContent(std::move(content));
  if (!viewer_->isVisible()) {
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
  }
}

void PreviewWindow::ShowAboutBox() {
  AboutDialog about(this);
  about.exec();
}

int PreviewWindow::MessageBox(const std::string& text, unsigned style) {
  return ShowMessageBox(this, text, style);
}

void PreviewWindow::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void PreviewWindow::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

bool PreviewWindow::BrowseForFolder(FolderBrowser& browser, std::string& chosenPath) {
  FolderBrowserDialog dialog(browser, this);
  return dialog.run(chosenPath);
}


bool PreviewWindow::droppedPath(const QMimeData* data, std::string& path) const {
  if (logic_ == nullptr || data == nullptr || !data->hasUrls()) return false;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1) return false;
  const QUrl& url = urls.front();
  if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
    return false;
  // The path's bytes as they were encoded: a name that is not UTF-8 stays
  // percent-encoded in the URL and comes back byte for byte.
  path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
  return logic_->AcceptsDroppedPath(path);
}

void PreviewWindow::dragEnterEvent(QDragEnterEvent* event) {
  std::string path;
  dragAccepted_ = droppedPath(event->mimeData(), path);
  if (dragAccepted_) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void PreviewWindow::dragMoveEvent(QDragMoveEvent* event) {
  // The same drag as on entering: its verdict stands, without asking the
  // file system again at every move of the mouse.
  if (dragAccepted_) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void PreviewWindow::dropEvent(QDropEvent* event) {
  std::string path;
  if (!droppedPath(event->mimeData(), path)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  // The drag's source waits for the drop to end: the scan and its messages
  // come after.
  QTimer::singleShot(0, this, [this, path] {
    if (logic_) logic_->OpenPath(path);
  });
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && watched == control(IDC_FRAME) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (logic_) logic_->OnViewPreview();
    return true;
  }
  if (event->type() == QEvent::Wheel && watched == control(IDC_FRAME)) {
    wheelOverPicture(static_cast<QWheelEvent*>(event));
    event->accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void PreviewWindow::wheelOverPicture(const QWheelEvent* event) {
  // One step per notch (120 eighths of a degree), however finely a wheel or
  // touchpad reports: turning away from the user goes back, towards the
  // user goes on.
  constexpr int kNotch = 120;
  if (!upDown_->isEnabled()) {
    wheelRemainder_ = 0;
    return;
  }
  wheelRemainder_ += event->angleDelta().y();
  while (wheelRemainder_ >= kNotch) {
    wheelRemainder_ -= kNotch;
    upDown_->step(-1);
  }
  while (wheelRemainder_ <= -kNotch) {
    wheelRemainder_ += kNotch;
    upDown_->step(+1);
  }
}

void PreviewWindow::RunWork(const std::function<void()>& work) {
  // The work runs on a thread of its own while this thread keeps painting
  // and playing the clip; user input waits until the work is done.
  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

void PreviewWindow::paintThumbnail(QPainter& painter) {
  if (logic_ == nullptr) return;
  const ThumbnailPaint thumb = logic_->OnPaint();
  if (!thumb.draw) return;
  const QRect target(thumb.left, thumb.top, kThumbWidth, kThumbHeight);
  DeviceBitmapView view{};
  if (thumb.bitmap != nullptr && GetDeviceBitmapView(thumb.bitmap, &view) &&
      FormatOf(view.bitsPerPixel) != QImage::Format_Invalid) {
    QImage image(view.pixels, view.width, view.height, static_cast<qsizetype>(view.stride),
                 FormatOf(view.bitsPerPixel));
    if (thumb.scale > 1.0) {
      // Made for the screen's pixels: one bitmap pixel to one device pixel,
      // from the device pixel nearest the thumbnail's corner, over the same
      // 180 x 140 points.
      image.setDevicePixelRatio(thumb.scale);
      const qreal ratio = painter.device()->devicePixelRatioF();
      const QPointF corner(std::round(target.left() * ratio) / ratio, std::round(target.top() * ratio) / ratio);
      painter.drawImage(corner, image);
      return;
    }
    painter.drawImage(target.topLeft(), image,
                      QRect(0, 0, std::min(view.width, kThumbWidth), std::min(view.height, kThumbHeight)));
    return;
  }
  // A thumbnail that could not be built shows as the blank canvas.
  painter.fillRect(target, Qt::white);
}

}  // namespace pictrove
