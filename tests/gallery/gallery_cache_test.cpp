#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

#include "gallery/thumb_cache.h"
#include "gallery/thumb_maker.h"
#include "gallery/thumb_pool.h"
#include "support/sprite_builder.h"

namespace glint::gallery {
namespace {

using namespace std::chrono_literals;
using testing::SpriteBuilder;
using testing::TempDir;

// Every test has a cache of its own: the real one is never touched.
class GalleryCache : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_CACHE_HOME"); }
  std::string root() const { return ThumbnailRoot(); }
  TempDir cache_, dir_;
};

int Mode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

std::int64_t MTime(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mtim.tv_sec;
}

ThumbRequest Request(const std::string& path) {
  return {path, static_cast<std::int64_t>(std::filesystem::file_size(path)), MTime(path)};
}

// The URIs as GLib's g_filename_to_uri gives them, and their MD5s as hashlib gives them, in the
// desktop's folder.
TEST_F(GalleryCache, NamesEntriesAsTheDesktopDoes) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"/home/user/walk.spr", "file:///home/user/walk.spr", "844922cba11700580e863138e01a957d"},
      {"/tmp/a b;#%.spr", "file:///tmp/a%20b%3B%23%25.spr", "4a730b26ad69abdb35cf6a9962b409e3"},
      {"/tmp/\xc3\xa9t\xc3\xa9/\xff\x01.spr", "file:///tmp/%C3%A9t%C3%A9/%FF%01.spr",
       "8971f99ebae63d1556aee9f77f8c57d1"},
      {"/x/!$&'()*+,-.:=@_~.spr", "file:///x/!$&'()*+,-.:=@_~.spr",
       "9c91e2afc1f74cb43cba2f54e1be5fcc"},
      {"/x/?[]{}\"<>^`|\\\x7f.spr", "file:///x/%3F%5B%5D%7B%7D%22%3C%3E%5E%60%7C%5C%7F.spr",
       "d9c9457e15166058d48bdf9d1d046a1c"},
  };
  for (const auto& [path, uri, md5] : cases)
    EXPECT_EQ(std::pair(FileUri(path), CacheName(uri)), std::pair(uri, md5 + ".png"));
  EXPECT_EQ(FileUri("walk.spr"), FileUri(std::filesystem::current_path().string() + "/walk.spr"));
  // Below an absolute XDG_CACHE_HOME, else below HOME.
  EXPECT_EQ(root(), cache_.path() + "/thumbnails");
  ::setenv("XDG_CACHE_HOME", "relative", 1);
  EXPECT_EQ(root(), std::string(std::getenv("HOME")) + "/.cache/thumbnails");
}

// Made once, privately under the desktop's name, then read while valid with its keys; remade when
// the sprite changes; another program's entry is shown as it is; failures go to a folder of our
// own.
TEST_F(GalleryCache, EntriesAreMadeReadAndRemadeAsTheSpriteChanges) {
  SpriteBuilder b;
  b.solidFrame(0, 0, 0).solidFrame(3, 2, 0).patternFrame(10, 20, 1).patternFrame(30, 40, 2);
  const std::string walk = b.write(dir_.file("walk.spr"));
  // Frame 3 is the first shown, frame 4 the largest; the second time comes from the cache.
  const Thumb made = MakeOrLoad(Request(walk), 128, root());
  const Thumb cached = MakeOrLoad(Request(walk), 128, root());
  for (const Thumb* thumb : {&made, &cached})
    EXPECT_EQ(std::tuple(thumb->status, thumb->fromCache, thumb->detailsMissing, thumb->frames,
                         thumb->largestWidth, thumb->largestHeight, thumb->image.width,
                         thumb->image.height, thumb->image.pixels),
              std::tuple(ThumbStatus::Ok, thumb == &cached, false, std::optional<int>(4), 30, 40,
                         60, 120, made.image.pixels));
  const std::string ours = EntryPath(root(), "normal", FileUri(walk));
  EXPECT_EQ(std::pair(testing::Names(root()), Mode(ours)),
            std::pair(std::vector<std::string>{"normal/" + CacheName(FileUri(walk))}, 0600));
  for (const std::string& folder : {cache_.path(), root(), root() + "/normal"})
    EXPECT_EQ(Mode(folder) & 077, 0) << folder;

  std::filesystem::last_write_time(walk, std::filesystem::last_write_time(walk) - 1h);
  EXPECT_FALSE(MakeOrLoad(Request(walk), 128, root()).fromCache);
  EXPECT_EQ(std::tuple(ReadEntry(ours)->uri, ReadEntry(ours)->mtime, ReadEntry(ours)->size),
            std::tuple(FileUri(walk), MTime(walk), Request(walk).size));

  // Another program's entry, without our keys.
  WriteEntry(root(), "normal", {{1, 1, {9, 9, 9, 255}}, FileUri(walk), MTime(walk), {}, {}});
  const Thumb foreign = MakeOrLoad(Request(walk), 128, root());
  EXPECT_EQ(std::tuple(foreign.status, foreign.detailsMissing, foreign.image.pixels),
            std::tuple(ThumbStatus::Ok, true, std::vector<std::uint8_t>{9, 9, 9, 255}));

  const std::string blank = SpriteBuilder().solidFrame(4, 4, 0).write(dir_.file("blank.spr"));
  const std::string cut =
      SpriteBuilder().patternFrame(4, 4, 1).frameCount(2).write(dir_.file("cut.spr"));
  const std::string alien =
      SpriteBuilder().signature({'S', 'P', 9, 9}).write(dir_.file("alien.spr"));
  // Read back from the cache as made: a broken sprite whose count is unknown is no less known.
  const std::tuple<std::string, ThumbStatus, std::string, std::optional<int>> failures[] = {
      {blank, ThumbStatus::Blank, "", 1},
      {cut, ThumbStatus::Broken, "the file ends inside frame 2", 2},
      {alien, ThumbStatus::Broken, "not a sprite file: wrong signature", {}}};
  for (const auto& [path, status, reason, frames] : failures) {
    for (const bool fromCache : {false, true}) {
      const Thumb thumb = MakeOrLoad(Request(path), 128, root());
      EXPECT_EQ(std::tuple(thumb.status, thumb.reason, thumb.fromCache, thumb.frames,
                           thumb.detailsMissing),
                std::tuple(status, reason, fromCache, frames, false));
    }
    // A one-pixel entry in our failure folder only.
    const std::optional<CacheEntry> entry =
        ReadEntry(EntryPath(root(), FailFolder(), FileUri(path)));
    EXPECT_EQ(std::pair(entry ? entry->image.width * entry->image.height : 0,
                        ReadEntry(EntryPath(root(), "normal", FileUri(path))).has_value()),
              std::pair(1, false));
  }
}

TEST_F(GalleryCache, FifoIsRefusedWithoutBlocking) {
  const std::string fifo = dir_.file("x.spr");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(MakeOrLoad({fifo, 0, MTime(fifo)}, 128, root()).status, ThumbStatus::NotAFile);
  EXPECT_TRUE(testing::Names(cache_.path()).empty());
}

// Told is what a pool's callback hands over, by job; jobs of gated() wait, as on a disk that does
// not answer, while their gate is closed.
struct Board {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::uint64_t, std::vector<ThumbStatus>> told;
  int count = 0;
  std::set<std::uint64_t> closed;
  void open(std::uint64_t id) {
    std::lock_guard lock(mutex);
    closed.erase(id);
    changed.notify_all();
  }
  bool waitFor(int n, std::chrono::milliseconds limit = 10s) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [&] { return count >= n; });
  }
};

class Pool : public GalleryCache {
 protected:
  ThumbPool::Done done() {
    return [board = board](ThumbResult r) {
      std::lock_guard lock(board->mutex);
      board->told[r.id].push_back(r.thumb.status);
      ++board->count;
      board->changed.notify_all();
    };
  }
  ThumbPool::Work gated() {
    return [board = board](const ThumbJob& job) {
      std::unique_lock lock(board->mutex);
      board->changed.wait(lock, [&] { return !board->closed.contains(job.id); });
      Thumb thumb;
      thumb.status = ThumbStatus::Ok;
      return thumb;
    };
  }
  // Jobs handed out in order from a list.
  static ThumbPool::Next Jobs(std::vector<ThumbJob> jobs) {
    auto left = std::make_shared<std::vector<ThumbJob>>(std::move(jobs));
    return [left]() -> std::optional<ThumbJob> {
      if (left->empty()) return std::nullopt;
      ThumbJob job = left->front();
      left->erase(left->begin());
      return job;
    };
  }
  std::shared_ptr<Board> board = std::make_shared<Board>();
};

TEST_F(Pool, MakesEveryJobIntoTheCache) {
  std::vector<ThumbJob> jobs;
  decltype(Board::told) want;
  for (std::uint64_t k = 0; k < 12; ++k) {
    const std::string path = dir_.file(std::to_string(k) + ".spr");
    SpriteBuilder().patternFrame(20, 20, static_cast<std::uint32_t>(k)).write(path);
    jobs.push_back({k, Request(path), 128});
    want[k] = {ThumbStatus::Ok};
  }
  ThumbPool pool(Jobs(jobs), done(), {root(), 2, 2000ms, {}});
  ASSERT_TRUE(board->waitFor(12));
  EXPECT_EQ(board->told, want);
  for (const ThumbJob& job : jobs)
    EXPECT_TRUE(ReadEntry(EntryPath(root(), "normal", FileUri(job.request.path))));
}

// A job that does not answer is told once as stuck, the others are still made, and the pool goes
// at once, telling nothing more.
TEST_F(Pool, ToldOfAStuckJobGoesOnAndEndsWithoutWaiting) {
  board->closed = {0, 5};
  const std::vector<ThumbJob> jobs{{0, {}, 128}, {1, {}, 128}, {2, {}, 128}, {3, {}, 128}};
  auto pool = std::make_unique<ThumbPool>(Jobs(jobs), done(),
                                          ThumbPool::Options{root(), 1, 100ms, gated()});
  ASSERT_TRUE(board->waitFor(4));
  board->open(0);
  std::this_thread::sleep_for(100ms);
  pool = std::make_unique<ThumbPool>(Jobs({{5, {}, 128}}), done(),
                                     ThumbPool::Options{root(), 1, 10s, gated()});
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  pool.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
  board->open(5);
  std::this_thread::sleep_for(100ms);
  std::lock_guard lock(board->mutex);
  const std::vector ok{ThumbStatus::Ok};
  EXPECT_EQ(board->told,
            (decltype(Board::told){{0, {ThumbStatus::Stuck}}, {1, ok}, {2, ok}, {3, ok}}));
}

// A disk that never answers holds a bounded number of threads; once it answers, the work goes
// on with the pool's own number.
TEST_F(Pool, OnAStalledDiskHoldsBoundedThreadsAndGoesOnAfter) {
  std::vector<ThumbJob> jobs;
  for (std::uint64_t k = 0; k < 30; ++k) {
    jobs.push_back({k, {}, 128});
    board->closed.insert(k);
  }
  ThumbPool pool(Jobs(jobs), done(), ThumbPool::Options{root(), 1, 10ms, gated()});
  ASSERT_TRUE(board->waitFor(17));
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(board->waitFor(18, 0ms));  // one stuck, then 16 more in its place, no more
  for (std::uint64_t k = 0; k < 30; ++k) board->open(k);
  ASSERT_TRUE(board->waitFor(30));
  std::lock_guard lock(board->mutex);
  for (std::uint64_t k = 17; k < 30; ++k)
    EXPECT_EQ(board->told[k], std::vector{ThumbStatus::Ok}) << k;
}

// GNOME's thumbnail library finds the entries we write.
TEST_F(GalleryCache, DesktopLibraryAcceptsOurEntries) {
  const std::string walk = SpriteBuilder().patternFrame(10, 20, 1).write(dir_.file("a walk.spr"));
  ASSERT_EQ(MakeOrLoad(Request(walk), 128, root()).status, ThumbStatus::Ok);
  const std::string script = R"(import sys
try:
    import gi
    gi.require_version('GnomeDesktop', '3.0')
    from gi.repository import GnomeDesktop
except (ImportError, ValueError):
    sys.exit(77)
factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.NORMAL)
print(factory.lookup(sys.argv[1], int(sys.argv[2])) or '', end='')
)";
  testing::WriteFile(dir_.file("lookup.py"), testing::Bytes(script.begin(), script.end()));
  const std::string command = "/usr/bin/python3 '" + dir_.file("lookup.py") + "' '" +
                              FileUri(walk) + "' " + std::to_string(MTime(walk)) + " 2>&1";
  const int status = std::system((command + " >'" + dir_.file("found") + "'").c_str());
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no GnomeDesktop 3.0";
  const testing::Bytes found = testing::ReadFile(dir_.file("found"));
  EXPECT_EQ(std::string(found.begin(), found.end()), EntryPath(root(), "normal", FileUri(walk)));
}

}  // namespace
}  // namespace glint::gallery
