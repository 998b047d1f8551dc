// The About box: the icon, "Pictrove Version 1.0" and OK.
#pragma once

#include <QDialog>

namespace pictrove {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace pictrove
