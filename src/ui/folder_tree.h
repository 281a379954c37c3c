#pragma once

// The tree view's nodes as the window addresses them: by a unique text key, with a shown text
// and an optional image from the image list.

#include <QTreeWidget>
#include <functional>
#include <string>
#include <unordered_map>

namespace glint {

class FolderTree : public QTreeWidget {
 public:
  explicit FolderTree(QWidget* parent);

  // Adds a node as the last child of the node keyed `parentKey` (a top-level node when the key
  // is empty). `image` 0 shows none. Null when the parent is missing or the key is taken.
  QTreeWidgetItem* Add(const std::string& parentKey, const std::string& key,
                       const std::string& text, int image);
  // Removes the node and everything below it.
  void Remove(const std::string& key);

  QTreeWidgetItem* Node(const std::string& key) const;
  std::string Key(const QTreeWidgetItem* item) const;
  // The image index the node was given (0 for none).
  static int Image(const QTreeWidgetItem* item);
  // The key of the node's first child; empty when it has none.
  std::string FirstChildKey(const QTreeWidgetItem* item) const;
  // The selected node, or null when none is selected.
  QTreeWidgetItem* SelectedItem() const;
  int Count() const { return static_cast<int>(items_.size()); }

  // Enter or Return pressed on the tree.
  std::function<void()> onEnter;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void forget(QTreeWidgetItem* item);

  std::unordered_map<std::string, QTreeWidgetItem*> items_;
  std::unordered_map<const QTreeWidgetItem*, std::string> keys_;
};

}  // namespace glint
