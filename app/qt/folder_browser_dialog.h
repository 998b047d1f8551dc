// The folder browser's window: "Current Selection" above a tree of the file
// system's folders, a status line with the shortened path of the selection,
// Home, OK and Cancel.
//
// The tree is read with readdir, not through Qt's file-system classes, which
// turn a name that is not UTF-8 into other bytes: every item keeps its path
// as the bytes the system gave, shows it readably (ReadableText) and returns
// it unchanged. Folders are listed when their parent is first expanded;
// hidden ones (".name") only when a path to select leads through them.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pictrove {

class FolderBrowser;

class FolderBrowserDialog : public QDialog {
  Q_OBJECT

 public:
  FolderBrowserDialog(FolderBrowser& browser, QWidget* parent);

  // Runs the browser; true with the chosen folder's path (bytes) on OK.
  bool run(std::string& chosenPath);

  // Selects the folder `path` (absolute, bytes) in the tree as the user
  // would, opening its parents; false when it is not a folder.
  bool selectFolder(const std::string& path);
  // The same for a path given as text (UTF-8).
  void selectPath(const QString& path);
  // The selected folder's path: readable, and as bytes ("" for none).
  QString currentPath() const;
  std::string currentFolder() const;
  QString statusText() const;
  // The item of folder `path` once the tree shows it, else null.
  QTreeWidgetItem* itemFor(const std::string& path);

 private:
  // The item of `path`, listing its parents as needed; with `create`,
  // hidden folders on the way are added.
  QTreeWidgetItem* find(const std::string& path, bool create);
  void populate(QTreeWidgetItem* item);
  // Opens the tree at `path` with nothing selected.
  void reveal(const std::string& path);
  void selectionChanged();

  FolderBrowser& browser_;
  QTreeWidget* tree_;
  QLabel* status_;
  QPushButton* home_;
};

}  // namespace pictrove
