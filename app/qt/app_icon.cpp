#include "app/qt/app_icon.h"

namespace pictrove {

QIcon AppIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/pictrove/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/pictrove/icon16.png"), QSize(16, 16));
  return icon;
}

QString ScanClipPath() { return QStringLiteral(":/pictrove/scan_clip.png"); }

}  // namespace pictrove
