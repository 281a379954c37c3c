#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <thread>

#include "gallery/name_filter.h"
#include "gallery/order.h"
#include "gallery/sprite_list.h"
#include "gallery/thumb_memory.h"
#include "gallery/thumb_queue.h"
#include "support/sprite_builder.h"

namespace glint::gallery {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(NaturalOrder, PlacesNamesAsAPersonWould) {
  const std::vector<std::pair<std::string, std::string>> ascending = {
      {"walk_2.spr", "walk_10.spr"},
      {"walk_2", "Walk_3"},                                 // letter case ignored ...
      {"WALK", "walk"},                                     // ... until the names are equal
      {"a1", "a01"},                                        // equal values: shorter run
      {"a1c", "a01b"},                                      // the first difference decides
      {"x99999999999999999999", "x100000000000000000000"},  // no overflow
      {"a", "A0"},
      {"a_", "ab"},
  };
  for (const auto& [a, b] : ascending)
    EXPECT_EQ(std::pair(NaturalLess(a, b), NaturalLess(b, a)), std::pair(true, false)) << a;
  EXPECT_FALSE(NaturalLess("walk", "walk"));
}

TEST(SortOrder, OrdersByEachKeyWithUnknownDetailsLast) {
  const std::vector<SpriteEntry> entries = {
      {"", "b10", 300, 5}, {"", "b2", 100, 9}, {"", "a", 200, 5}, {"", "c", 100, 1}};
  const auto details = [](int frames, int width, int height) {
    return SpriteDetails{.frames = frames, .largestWidth = width, .largestHeight = height};
  };
  const std::vector<std::optional<SpriteDetails>> known = {details(3, 10, 10), std::nullopt,
                                                           details(3, 20, 5), details(1, 5, 30)};
  const std::vector<std::pair<SortKey, std::vector<int>>> cases = {
      {SortKey::Name, {2, 1, 0, 3}},    {SortKey::Frames, {3, 2, 0, 1}},
      {SortKey::Largest, {0, 2, 3, 1}}, {SortKey::Size, {1, 3, 2, 0}},
      {SortKey::Date, {3, 2, 0, 1}},
  };
  for (const auto& [key, order] : cases)
    EXPECT_EQ(SortOrder(entries, known, key), order) << static_cast<int>(key);
}

// What is shown, and the count of it.
TEST(NameFilter, MatchesAnywhereWithWildcardsAndAnyCase) {
  const std::vector<std::tuple<std::string, std::string, bool>> cases = {
      {"", "walk.spr", true},
      {"wal", "walk.spr", true},
      {"lk.S", "walk.spr", true},
      {"w?lk", "walk.spr", true},
      {"w*k", "tower_knight.spr", true},
      {"w?lk", "wlk.spr", false},
      {"*a*a*a*a*a*a*a*a*b", std::string(5000, 'a'), false},
  };
  for (const auto& [text, name, shown] : cases)
    EXPECT_EQ(NameFilter(text).matches(name), shown) << text << " / " << name.substr(0, 20);
  const std::vector<SpriteEntry> entries = {
      {"", "walk", 0, 0}, {"", "run", 0, 0}, {"", "Walker", 0, 0}};
  EXPECT_THAT(Filtered({2, 1, 0}, entries, NameFilter("walk")), ElementsAre(2, 0));
  EXPECT_EQ(ShownText(312, 3000) + ", " + ShownText(1, 1) + ", " + ShownText(1234567, 1234567),
            "312 of 3,000 sprites, 1 of 1 sprite, 1,234,567 of 1,234,567 sprites");
}

TEST(ThumbQueue, MakesTheViewFirstThenByDistance) {
  ThumbQueue queue(10);
  queue.setView(4, 5);
  queue.done(5);
  std::vector<int> made;
  for (int i = 0; i < 4; ++i) made.push_back(queue.next().value_or(-1));
  queue.setView(0, 1);  // scrolled: the new view first again
  queue.requeue(6);
  for (int i = 0; i < 6; ++i) made.push_back(queue.next().value_or(-1));
  EXPECT_THAT(made, ElementsAre(4, 6, 3, 7, 0, 1, 2, 6, 8, 9));
  EXPECT_EQ(queue.next(), std::nullopt);
}

TEST(ThumbMemory, DropsTheFarthestCellsButNeverTheView) {
  ThumbMemory memory(100);
  for (int cell : {0, 2, 5, 6, 9}) memory.add(cell, 30);
  EXPECT_THAT(memory.evict(5, 6), ElementsAre(0, 2));  // 2 and 9 equally far: above first
  EXPECT_EQ(memory.total(), 90u);
  memory.add(6, 90);
  EXPECT_THAT(memory.evict(5, 6), ElementsAre(9));  // the view alone is over budget: kept
  EXPECT_EQ(memory.total(), 120u);
}

TEST(ListSprites, ListsAsTheTreeDoesBelowEveryFolderOnce) {
  testing::TempDir dir;
  for (const char* folder : {"sub/deeper", ".hidden"}) fs::create_directories(dir.file(folder));
  for (const char* name :
       {"b.spr", "A.SPR", ".h.spr", "note.txt", "sub/c.spr", "sub/deeper/d.Spr", ".hidden/e.spr"})
    testing::WriteFile(dir.file(name), testing::Bytes(7, 'x'));
  fs::create_directory_symlink("..", dir.file("sub/loop"));
  ASSERT_EQ(::mkfifo(dir.file("x.spr").c_str(), 0600), 0);

  // A FIFO opened would block the listing for good: the thread is left behind if it does.
  auto listing = std::make_shared<std::promise<std::vector<SpriteEntry>>>();
  auto listed = listing->get_future();
  std::thread([listing, folder = dir.path()] {
    listing->set_value(ListSprites(folder, true));
  }).detach();
  ASSERT_EQ(listed.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  std::vector<std::string> names;
  for (const SpriteEntry& e : listed.get()) {
    names.push_back(e.name);
    EXPECT_EQ(std::tuple(e.path, e.size, std::abs(e.mtime - std::time(nullptr)) < 100),
              std::tuple(dir.file(e.name), 7, true));  // a time within 100 seconds
  }
  EXPECT_THAT(names, ElementsAre("A.SPR", "b.spr", "sub/c.spr", "sub/deeper/d.Spr"));
  EXPECT_EQ(ListSprites(dir.path(), false).size(), 2u);
}

}  // namespace
}  // namespace glint::gallery
