#include "app/qt/about_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "app/host/program_texts.h"
#include "app/qt/app_icon.h"
#include "app/qt/dialog_units.h"

namespace pictrove {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("100"));
  setWindowTitle(QStringLiteral("About Pictrove"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QFont dialogFont = DialogFont();
  setFont(dialogFont);
  const DialogUnits du(dialogFont);

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  icon->setPixmap(AppIcon().pixmap(32, 32));
  icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const QRect iconRect = du.rect(11, 17, 20, 20);
  icon->setGeometry(iconRect.x(), iconRect.y(), std::max(iconRect.width(), 32),
                    std::max(iconRect.height(), 32));

  auto* version = new QLabel(QString::fromStdString(ProductVersionText()), this);
  version->setObjectName(QStringLiteral("version"));
  version->setTextFormat(Qt::PlainText);
  version->setGeometry(du.rect(40, 10, 119, 8));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setGeometry(du.rect(178, 7, 50, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(du.x(235), du.y(55));
}

}  // namespace pictrove
