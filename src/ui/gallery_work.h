#pragma once

// The gallery's work off the window's thread: listing the folder, making or reading thumbnails
// in the order of the queue, and a playing cell's frames. Results come back to the window's
// thread; nothing waits for a worker, so a stalled file never holds the window or its closing.

#include <QImage>
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <deque>
#include <unordered_map>

#include "gallery/sprite_list.h"
#include "gallery/thumb_pool.h"
#include "gallery/thumb_queue.h"

namespace glint {

class GalleryCells;
struct GalleryCell;
struct Mailbox;

class GalleryWork {
 public:
  GalleryWork(GalleryCells& cells, QObject* owner);
  ~GalleryWork();

  // Lists in the background; onListed gets the entries with the generation given.
  void list(std::uint64_t generation, const std::string& folder, bool subfolders);
  std::function<void(std::uint64_t, std::vector<gallery::SpriteEntry>)> onListed;

  // The rows in view go first; rows in view whose image was dropped are made again.
  void setView(int first, int last);
  // 128 and below read the cache's normal size, larger cells its large one.
  void setCellSize(int size);
  int box() const { return box_; }

  // The frames of a sprite as they play in a cell of the current size.
  void makeLiveFrames(const std::string& path);
  std::function<void(const std::string&, std::vector<QImage>)> onLiveFrames;

  // Cells still to be made or read; for tests and the benchmark.
  int waiting() const { return queue_.waiting() + static_cast<int>(paths_.size()); }

 private:
  void reset();
  void pump();
  // Takes back the jobs no worker has taken yet.
  std::deque<gallery::ThumbJob> takeReady();
  void finished(const gallery::ThumbResult& result);
  static int thumbBox(const GalleryCell& cell);

  GalleryCells& cells_;
  std::shared_ptr<Mailbox> mailbox_;
  std::unique_ptr<gallery::ThumbPool> pool_;
  gallery::ThumbQueue queue_;
  int first_ = 0, last_ = -1;
  int box_ = 128;
  std::size_t limit_ = 4;  // jobs ready for the workers at a time
  std::uint64_t lastId_ = 0;
  std::unordered_map<std::uint64_t, std::string> paths_;  // jobs handed out, by id
  std::deque<std::string> detailsWanted_;                 // shown, details still to read
};

}  // namespace glint
