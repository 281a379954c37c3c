// The directory tree on the real window: keys, order, lazy filling and double-clicks.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "form1_fixture.h"

namespace glint {
namespace {

using testing::Form1Fixture;

struct Child {
  std::string key, text;
  int image;
  bool operator==(const Child&) const = default;
};

std::vector<Child> ChildrenOf(Form1Fixture& f, const std::string& key) {
  std::vector<Child> children;
  QTreeWidgetItem* item = f.node(key);
  if (item == nullptr) return children;
  for (int i = 0; i < item->childCount(); ++i)
    children.push_back({f.tree().Key(item->child(i)), item->child(i)->text(0).toStdString(),
                        FolderTree::Image(item->child(i))});
  return children;
}

void PrintTo(const Child& c, std::ostream* os) {
  *os << c.key << " '" << c.text << "' " << c.image;
}

TEST(FolderTree, RootListsSubFoldersThenSpriteFilesWithFullPathKeys) {
  Form1Fixture f(false);
  f.folder("sub");
  f.folder("Zeta");
  f.folder(".hidden");
  f.file("a.spr");
  f.file("b.SPR");
  f.file("c.txt");
  f.file(".d.spr");
  f.folder("folder.spr");
  f.reopen();
  const std::string p = f.sprites.path() + "/";
  QTreeWidgetItem* root = f.node("/");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0).toStdString(), f.sprites.path());
  EXPECT_EQ(FolderTree::Image(root), 1);
  EXPECT_TRUE(root->isExpanded());
  EXPECT_EQ(ChildrenOf(f, "/"), (std::vector<Child>{{p + "folder.spr/", "folder.spr", 1},
                                                    {p + "sub/", "sub", 1},
                                                    {p + "Zeta/", "Zeta", 1},
                                                    {p + "a.spr", "a.spr", 2},
                                                    {p + "b.SPR", "b.SPR", 2}}));
  // An unread folder holds only its placeholder.
  EXPECT_EQ(ChildrenOf(f, p + "sub/"), (std::vector<Child>{{"$$$" + p + "sub", "sub", 0}}));
  EXPECT_EQ(f.tree().topLevelItemCount(), 1);
}

TEST(FolderTree, FoldersAreReadOnceOnTheirFirstExpansion) {
  Form1Fixture f(false);
  f.folder("sub/inner");
  f.file("sub/one.spr");
  f.folder("empty");
  f.folder("gone");
  f.reopen();
  const std::string p = f.sprites.path() + "/";
  f.file("sub/two.spr");  // after the root was read, before sub is expanded: it shows
  f.node(p + "sub/")->setExpanded(true);
  EXPECT_EQ(ChildrenOf(f, p + "sub/"), (std::vector<Child>{{p + "sub/inner/", "inner", 1},
                                                           {p + "sub/one.spr", "one.spr", 2},
                                                           {p + "sub/two.spr", "two.spr", 2}}));
  // Collapsing and expanding again reads nothing: a new file stays unlisted.
  f.file("sub/three.spr");
  f.node(p + "sub/")->setExpanded(false);
  f.node(p + "sub/")->setExpanded(true);
  f.form->TreeView1_Expand(f.node(p + "sub/"));
  EXPECT_EQ(ChildrenOf(f, p + "sub/").size(), 3u);
  // A folder with nothing in it, or one that vanished, loses its placeholder and stays empty.
  std::filesystem::remove(p + "gone");
  for (const char* name : {"empty/", "gone/"}) {
    f.node(p + name)->setExpanded(true);
    EXPECT_TRUE(ChildrenOf(f, p + name).empty()) << name;
  }
  // The root is never read again.
  f.file("late.spr");
  f.node("/")->setExpanded(false);
  f.node("/")->setExpanded(true);
  f.form->TreeView1_Expand(f.node("/"));
  EXPECT_EQ(f.node(p + "late.spr"), nullptr);
}

TEST(FolderTree, MissingSpriteFolderLeavesTheRootAlone) {
  Form1Fixture f(false);
  std::filesystem::remove_all(f.sprites.path());
  f.reopen();
  EXPECT_EQ(f.tree().Count(), 1);
  EXPECT_EQ(f.node("/")->text(0).toStdString(), f.sprites.path());
  std::filesystem::create_directories(f.sprites.path());  // for the fixture's clean-up
}

TEST(FolderTree, DoubleClickOpensSpriteFilesOnly) {
  Form1Fixture f(false);
  f.folder("sub");
  f.folder("x.spr");
  f.sprite("a.spr");
  f.sprite("b.SPR");
  f.reopen();
  const std::string p = f.sprites.path() + "/";
  struct Case {
    std::string select;  // empty: nothing selected
    bool opens;
  };
  const Case cases[] = {
      {p + "a.spr", true}, {p + "b.SPR", true},          {p + "sub/", false},
      {"/", false},        {"$$$" + p + "x.spr", false}, {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.select);
    f.form->SetText1("before");
    f.form->SetStatusText("");
    f.tree().clearSelection();
    if (!c.select.empty()) f.node(c.select)->setSelected(true);
    f.form->TreeView1_DblClick();
    EXPECT_EQ(f.form->Text1(), c.opens ? c.select : "before");
    EXPECT_EQ(f.form->StatusText(), c.opens ? "Decoded 3 pictures in " + c.select : "");
  }
}

}  // namespace
}  // namespace glint
