#include "ui/folder_tree.h"

#include <QFile>
#include <QKeyEvent>

#include "ui/icons.h"

namespace glint {

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
}

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setIconSize(QSize(kImageListSize, kImageListSize));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);
}

QTreeWidgetItem* FolderTree::Add(const std::string& parentKey, const std::string& key,
                                 const std::string& text, int image) {
  if (items_.count(key) != 0) return nullptr;
  QTreeWidgetItem* parent = nullptr;
  if (!parentKey.empty()) {
    parent = Node(parentKey);
    if (parent == nullptr) return nullptr;
  }
  auto* item = new QTreeWidgetItem;
  item->setText(0, QFile::decodeName(QByteArray::fromStdString(text)));
  item->setData(0, kImageRole, image);
  if (image != 0) item->setIcon(0, ImageListIcon(image));
  if (parent != nullptr) {
    parent->addChild(item);
  } else {
    addTopLevelItem(item);
  }
  items_[key] = item;
  keys_[item] = key;
  return item;
}

void FolderTree::forget(QTreeWidgetItem* item) {
  for (int i = 0; i < item->childCount(); ++i) forget(item->child(i));
  auto key = keys_.find(item);
  if (key != keys_.end()) {
    items_.erase(key->second);
    keys_.erase(key);
  }
}

void FolderTree::Remove(const std::string& key) {
  QTreeWidgetItem* item = Node(key);
  if (item == nullptr) return;
  forget(item);
  delete item;  // detaches it from its parent or the tree
}

QTreeWidgetItem* FolderTree::Node(const std::string& key) const {
  auto found = items_.find(key);
  return found == items_.end() ? nullptr : found->second;
}

std::string FolderTree::Key(const QTreeWidgetItem* item) const {
  auto found = keys_.find(item);
  return found == keys_.end() ? std::string() : found->second;
}

int FolderTree::Image(const QTreeWidgetItem* item) {
  return item == nullptr ? 0 : item->data(0, kImageRole).toInt();
}

std::string FolderTree::FirstChildKey(const QTreeWidgetItem* item) const {
  if (item == nullptr || item->childCount() == 0) return {};
  return Key(item->child(0));
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onEnter) {
    onEnter();
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

QTreeWidgetItem* FolderTree::SelectedItem() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? nullptr : selected.front();
}

}  // namespace glint
