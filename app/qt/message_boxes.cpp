#include "app/qt/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "app/qt/dialog_units.h"
#include "app/dialog/resource_ids.h"
#include "app/dialog/string_table.h"
#include "platform/message_box.h"

namespace pictrove {
namespace {

constexpr unsigned kIconMask = 0xF0;

QMessageBox::Icon IconOf(unsigned style) {
  switch (style & kIconMask) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QWidget* DefaultParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

}  // namespace

int ShowMessageBox(QWidget* parent, const std::string& text, unsigned style) {
  QMessageBox box(IconOf(style), QString::fromStdString(LoadAppString(IDS_APP_TITLE)),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::NoButton, parent);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setFont(DialogFont());
  box.setTextFormat(Qt::PlainText);
  struct Choice {
    QMessageBox::StandardButton button;
    int result;
  };
  std::vector<Choice> choices;
  switch (style & MB_TYPEMASK) {
    case MB_RETRYCANCEL:
      choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    default:
      choices = {{QMessageBox::Ok, IDOK}};
      break;
  }
  for (const Choice& choice : choices) box.addButton(choice.button);
  box.setDefaultButton(choices.front().button);
  box.setEscapeButton(choices.back().button);
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const Choice& choice : choices) {
    if (choice.button == clicked) return choice.result;
  }
  return choices.back().result;
}

void InstallQtMessageBoxHandler() {
  SetMessageBoxHandler([](const std::string& text, UINT style) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return IDCANCEL;
    if (QThread::currentThread() == app->thread()) {
      return ShowMessageBox(DefaultParent(), text, style);
    }
    int result = IDCANCEL;
    QMetaObject::invokeMethod(
        app, [&] { result = ShowMessageBox(DefaultParent(), text, style); },
        Qt::BlockingQueuedConnection);
    return result;
  });
}

}  // namespace pictrove
