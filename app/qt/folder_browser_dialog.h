// The folder browser's window: "Current Selection" above a tree of the file
// system's folders, a status line with the shortened path of the selection,
// OK and Cancel.
#pragma once

#include <QDialog>
#include <string>

class QFileSystemModel;
class QLabel;
class QTreeView;

namespace pictrove {

class FolderBrowser;

class FolderBrowserDialog : public QDialog {
  Q_OBJECT

 public:
  FolderBrowserDialog(FolderBrowser& browser, QWidget* parent);

  // Runs the browser; true with the chosen folder's path (bytes) on OK.
  bool run(std::string& chosenPath);

  // Selects `path` in the tree as the user would.
  void selectPath(const QString& path);
  QString currentPath() const;
  QString statusText() const;

 private:
  void selectionChanged();

  FolderBrowser& browser_;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QLabel* status_;
};

}  // namespace pictrove
