#include "app/qt/folder_browser_dialog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/core/directory_handle.h"
#include "app/cli/drawing_tree.h"
#include "app/dialog/folder_browser.h"
#include "app/qt/dialog_units.h"
#include "app/core/text_utils.h"

namespace pictrove {
namespace {

constexpr int kPathRole = Qt::UserRole;          // the folder's path, bytes (QByteArray)
constexpr int kListedRole = Qt::UserRole + 1;    // whether its subfolders have been read

QString Shown(const std::string& bytes) { return QString::fromStdString(ReadableText(bytes)); }

std::string PathOf(const QTreeWidgetItem* item) {
  return item == nullptr ? std::string() : item->data(0, kPathRole).toByteArray().toStdString();
}

std::string NameOf(const QTreeWidgetItem* item) {
  const std::string path = PathOf(item);
  return path.substr(path.rfind('/') + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folders in `folder`, links to folders included, hidden ones left out,
// in the order drawings are listed.
std::vector<std::string> VisibleSubfolders(const std::string& folder) {
  std::vector<std::string> names;
  const DirectoryHandle dir = OpenDirectory(folder.c_str());
  if (!dir) return names;
  const int dirFd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      isFolder = fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (isFolder) names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}

QTreeWidgetItem* NewItem(const std::string& path) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, Shown(path.substr(path.rfind('/') + 1)));
  item->setData(0, kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
  item->setData(0, kListedRole, false);
  // Whether it has subfolders is known once it is opened.
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return item;
}

}  // namespace

FolderBrowserDialog::FolderBrowserDialog(FolderBrowser& browser, QWidget* parent)
    : QDialog(parent),
      browser_(browser),
      tree_(new QTreeWidget(this)),
      status_(new QLabel(this)),
      home_(nullptr) {
  setObjectName(QStringLiteral("folderBrowser"));
  setWindowTitle(tr("Browse for Folder"));
  setFont(DialogFont());
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QString::fromStdString(browser_.Title()), this);
  title->setObjectName(QStringLiteral("title"));
  layout->addWidget(title);

  tree_->setObjectName(QStringLiteral("folders"));
  tree_->setColumnCount(1);
  tree_->header()->hide();
  tree_->setMinimumSize(320, 320);
  tree_->setAccessibleName(tr("Folders"));
  layout->addWidget(tree_);
  // The top level is the root folder's contents.
  for (const std::string& name : VisibleSubfolders("/")) tree_->addTopLevelItem(NewItem(Join("/", name)));
  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { populate(item); });

  status_->setObjectName(QStringLiteral("status"));
  status_->setTextFormat(Qt::PlainText);
  if (!(browser_.Flags() & BIF_STATUSTEXT)) status_->hide();
  layout->addWidget(status_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  home_ = buttons->addButton(tr("&Home"), QDialogButtonBox::ActionRole);
  home_->setObjectName(QStringLiteral("home"));
  home_->setToolTip(tr("Select your home folder"));
  home_->setAutoDefault(false);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(home_, &QPushButton::clicked, this, [this] { selectFolder(HomeFolder()); });
  // The chosen folder is the selected one: the tree's current item alone
  // (which it sets by itself when it gets the focus) is not a choice.
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] { selectionChanged(); });

  // Opening: preselect the current folder and show it in the status line;
  // without one, open at the start folder with nothing selected.
  const std::string& initial = browser_.InitialFolder();
  if (initial.empty() || !selectFolder(initial)) reveal(browser_.StartFolder());
  status_->setText(Shown(browser_.OnInitialized()));
}

void FolderBrowserDialog::populate(QTreeWidgetItem* item) {
  if (item == nullptr || item->data(0, kListedRole).toBool()) return;
  item->setData(0, kListedRole, true);
  const std::string path = PathOf(item);
  for (const std::string& name : VisibleSubfolders(path)) item->addChild(NewItem(Join(path, name)));
  if (item->childCount() == 0)
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* FolderBrowserDialog::find(const std::string& path, bool create) {
  if (path.empty() || path[0] != '/') return nullptr;
  QTreeWidgetItem* item = nullptr;
  std::string at = "/";
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      item = item == nullptr ? nullptr : item->parent();
      at = item == nullptr ? "/" : PathOf(item);
      continue;
    }
    populate(item);
    const int count = item == nullptr ? tree_->topLevelItemCount() : item->childCount();
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < count && next == nullptr; ++i) {
      QTreeWidgetItem* child = item == nullptr ? tree_->topLevelItem(i) : item->child(i);
      if (NameOf(child) == name) next = child;
    }
    const std::string nextPath = Join(at, name);
    if (next == nullptr) {
      // A hidden folder on the way, or one made since its parent was read.
      if (!create || !IsFolder(nextPath)) return nullptr;
      next = NewItem(nextPath);
      if (item == nullptr) {
        tree_->addTopLevelItem(next);
      } else {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        item->addChild(next);
      }
    }
    item = next;
    at = nextPath;
  }
  return item;
}

QTreeWidgetItem* FolderBrowserDialog::itemFor(const std::string& path) { return find(path, false); }

bool FolderBrowserDialog::selectFolder(const std::string& path) {
  if (!IsFolder(path)) return false;
  QTreeWidgetItem* item = find(path, true);
  if (item == nullptr) return false;
  for (QTreeWidgetItem* parent = item->parent(); parent != nullptr; parent = parent->parent())
    parent->setExpanded(true);
  tree_->setCurrentItem(item);
  item->setSelected(true);
  tree_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
  return true;
}

void FolderBrowserDialog::selectPath(const QString& path) {
  selectFolder(QFile::encodeName(path).toStdString());
}

void FolderBrowserDialog::reveal(const std::string& path) {
  QTreeWidgetItem* item = IsFolder(path) ? find(path, true) : nullptr;
  if (item == nullptr) return;
  for (QTreeWidgetItem* parent = item->parent(); parent != nullptr; parent = parent->parent())
    parent->setExpanded(true);
  item->setExpanded(true);
  tree_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
  tree_->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

std::string FolderBrowserDialog::currentFolder() const {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  return selected.isEmpty() ? std::string() : PathOf(selected.front());
}

QString FolderBrowserDialog::currentPath() const { return Shown(currentFolder()); }

QString FolderBrowserDialog::statusText() const { return status_->text(); }

void FolderBrowserDialog::selectionChanged() {
  const std::string path = currentFolder();
  if (path.empty()) return;
  status_->setText(Shown(browser_.OnSelectionChanged(path)));
}

bool FolderBrowserDialog::run(std::string& chosenPath) {
  if (exec() != QDialog::Accepted) return false;
  const std::string path = currentFolder();
  if (path.empty()) return false;
  chosenPath = path;
  return true;
}

}  // namespace pictrove
