#include "app/qt/folder_browser_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/folder_browser.h"
#include "app/text_utils.h"

namespace pictrove {
namespace {

QString Shown(const std::string& bytes) { return QString::fromStdString(ReadableText(bytes)); }

}  // namespace

FolderBrowserDialog::FolderBrowserDialog(FolderBrowser& browser, QWidget* parent)
    : QDialog(parent),
      browser_(browser),
      model_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      status_(new QLabel(this)) {
  setObjectName(QStringLiteral("folderBrowser"));
  setWindowTitle(tr("Browse for Folder"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QString::fromStdString(browser_.Title()), this);
  title->setObjectName(QStringLiteral("title"));
  layout->addWidget(title);

  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QDir::rootPath());
  tree_->setObjectName(QStringLiteral("folders"));
  tree_->setModel(model_);
  tree_->setRootIndex(model_->index(QDir::rootPath()));
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->header()->hide();
  tree_->setMinimumSize(320, 320);
  layout->addWidget(tree_);

  status_->setObjectName(QStringLiteral("status"));
  if (!(browser_.Flags() & BIF_STATUSTEXT)) status_->hide();
  layout->addWidget(status_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // The chosen folder is the selected one: the tree's current item alone
  // (which it sets by itself when it gets the focus) is not a choice.
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { selectionChanged(); });

  // Opening: preselect the current folder and show it in the status line.
  const std::string& initial = browser_.InitialFolder();
  if (!initial.empty()) selectPath(QFile::decodeName(initial.c_str()));
  status_->setText(Shown(browser_.OnInitialized()));
}

void FolderBrowserDialog::selectPath(const QString& path) {
  const QModelIndex index = model_->index(path);
  if (!index.isValid()) return;
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
}

QString FolderBrowserDialog::currentPath() const {
  const QModelIndexList selected = tree_->selectionModel()->selectedRows();
  return selected.isEmpty() ? QString() : model_->filePath(selected.front());
}

QString FolderBrowserDialog::statusText() const { return status_->text(); }

void FolderBrowserDialog::selectionChanged() {
  const QString path = currentPath();
  if (path.isEmpty()) return;
  status_->setText(Shown(browser_.OnSelectionChanged(QFile::encodeName(path).toStdString())));
}

bool FolderBrowserDialog::run(std::string& chosenPath) {
  if (exec() != QDialog::Accepted) return false;
  const QString path = currentPath();
  if (path.isEmpty()) return false;
  chosenPath = QFile::encodeName(path).toStdString();
  return true;
}

}  // namespace pictrove
