#include "ui/gallery_work.h"

#include <QMetaObject>
#include <deque>
#include <mutex>
#include <thread>

#include "gallery/live_frames.h"
#include "gallery/thumb_pool.h"
#include "ui/gallery_cells.h"

namespace glint {

// Where workers post what they made: the owner, until it goes. Posting under the lock means a
// result never reaches an owner being destroyed.
struct Mailbox {
  std::mutex lock;
  QObject* owner = nullptr;
  // The jobs ready for the pool, in the queue's order; the window's thread fills it.
  std::deque<gallery::ThumbJob> ready;

  void post(std::function<void()> call) {
    const std::lock_guard<std::mutex> held(lock);
    if (owner != nullptr) QMetaObject::invokeMethod(owner, std::move(call), Qt::QueuedConnection);
  }
};

namespace {
// A job for details alone: a thumbnail another program wrote is shown, the sprite read later.
constexpr std::uint64_t kDetailsOnly = std::uint64_t{1} << 63;

QImage ToQImage(const image::RgbaImage& rgba) {
  if (rgba.width <= 0 || rgba.height <= 0) return {};
  QImage image(rgba.width, rgba.height, QImage::Format_RGBA8888);
  for (int y = 0; y < rgba.height; ++y)
    std::memcpy(image.scanLine(y), rgba.pixels.data() + std::size_t{4} * rgba.width * y,
                std::size_t{4} * rgba.width);
  return image;
}

gallery::SpriteDetails DetailsOf(const gallery::Thumb& thumb) {
  gallery::SpriteDetails details;
  details.frames = thumb.frames.value_or(0);
  details.largestWidth = thumb.largestWidth;
  details.largestHeight = thumb.largestHeight;
  details.reason = thumb.status == gallery::ThumbStatus::Broken ? thumb.reason : std::string();
  details.blank = thumb.status == gallery::ThumbStatus::Blank;
  return details;
}
}  // namespace

GalleryWork::GalleryWork(GalleryCells& cells, QObject* owner)
    : cells_(cells), mailbox_(std::make_shared<Mailbox>()) {
  mailbox_->owner = owner;
  const std::string root = gallery::ThumbnailRoot();
  gallery::ThumbPool::Options options;
  options.root = root;
  options.work = [root](const gallery::ThumbJob& job) {
    return job.id & kDetailsOnly ? gallery::MakeThumbnail(job.request.path, job.box)
                                 : gallery::MakeOrLoad(job.request, job.box, root);
  };
  std::weak_ptr<Mailbox> box = mailbox_;
  pool_ = std::make_unique<gallery::ThumbPool>(
      [box]() -> std::optional<gallery::ThumbJob> {
        const auto mailbox = box.lock();
        if (!mailbox) return std::nullopt;
        const std::lock_guard<std::mutex> held(mailbox->lock);
        if (mailbox->ready.empty()) return std::nullopt;
        gallery::ThumbJob job = std::move(mailbox->ready.front());
        mailbox->ready.pop_front();
        return job;
      },
      [this, box](gallery::ThumbResult result) {
        if (const auto mailbox = box.lock())
          mailbox->post([this, result = std::move(result)] { finished(result); });
      },
      std::move(options));
  limit_ = 2 * static_cast<std::size_t>(pool_->threads());
  QObject::connect(&cells_, &QAbstractItemModel::modelReset, owner, [this] { reset(); });
  QObject::connect(&cells_, &QAbstractItemModel::layoutChanged, owner, [this] { reset(); });
}

GalleryWork::~GalleryWork() {
  {
    const std::lock_guard<std::mutex> held(mailbox_->lock);
    mailbox_->owner = nullptr;
    mailbox_->ready.clear();
  }
  pool_.reset();  // returns at once; workers still running drop their results
}

void GalleryWork::list(std::uint64_t generation, const std::string& folder, bool subfolders) {
  std::thread([mailbox = mailbox_, this, generation, folder, subfolders] {
    std::vector<gallery::SpriteEntry> entries = gallery::ListSprites(folder, subfolders);
    mailbox->post([this, generation, entries = std::move(entries)]() mutable {
      if (onListed) onListed(generation, std::move(entries));
    });
  }).detach();
}

void GalleryWork::reset() {
  takeReady();
  queue_.reset(cells_.shownCount());
  queue_.setView(first_, last_);
  pump();
}

void GalleryWork::setView(int first, int last) {
  first_ = first;
  last_ = last;
  for (int row = first; row <= last && row < cells_.shownCount(); ++row) {
    const GalleryCell& cell = cells_.at(row);
    if (cell.thumb.isNull() && cell.mark == CellMark::kNone) queue_.requeue(row);
  }
  // What was ready belongs to the old view: the new one goes first.
  for (const gallery::ThumbJob& job : takeReady())
    if (const int row = cells_.rowOf(job.request.path); row >= 0) queue_.requeue(row);
  queue_.setView(first, last);
  pump();
}

std::deque<gallery::ThumbJob> GalleryWork::takeReady() {
  std::deque<gallery::ThumbJob> jobs;
  {
    const std::lock_guard<std::mutex> held(mailbox_->lock);
    jobs.swap(mailbox_->ready);
  }
  for (const gallery::ThumbJob& job : jobs) paths_.erase(job.id);
  return jobs;
}

void GalleryWork::setCellSize(int size) {
  const int box = size <= gallery::kNormalBox ? gallery::kNormalBox : gallery::kLargeBox;
  if (box == box_) return;
  box_ = box;
  reset();  // the other size is read or made for every cell; the images held show meanwhile
}

void GalleryWork::pump() {
  std::size_t room = 0;
  {
    const std::lock_guard<std::mutex> held(mailbox_->lock);
    room = limit_ - std::min(limit_, mailbox_->ready.size());
  }
  std::vector<gallery::ThumbJob> jobs;
  while (jobs.size() < room) {
    const std::optional<int> row = queue_.next();
    if (!row) break;
    const GalleryCell& cell = cells_.at(*row);
    const bool made =
        (!cell.thumb.isNull() && thumbBox(cell) == box_) || cell.mark != CellMark::kNone;
    if (made && (cell.details || cell.mark != CellMark::kNone)) {
      queue_.done(*row);
      continue;
    }
    gallery::ThumbJob job;
    job.id = ++lastId_ | (made ? kDetailsOnly : 0);
    job.request = {cell.entry.path, cell.entry.size, cell.entry.mtime};
    job.box = box_;
    paths_[job.id] = cell.entry.path;
    jobs.push_back(std::move(job));
  }
  if (jobs.empty()) return;
  {
    const std::lock_guard<std::mutex> held(mailbox_->lock);
    for (gallery::ThumbJob& job : jobs) mailbox_->ready.push_back(std::move(job));
  }
  pool_->wake();
}

int GalleryWork::thumbBox(const GalleryCell& cell) {
  return std::max(cell.thumb.width(), cell.thumb.height()) <= gallery::kNormalBox
             ? gallery::kNormalBox
             : gallery::kLargeBox;
}

void GalleryWork::finished(const gallery::ThumbResult& result) {
  const auto found = paths_.find(result.id);
  if (found == paths_.end()) return pump();
  const std::string path = std::move(found->second);
  paths_.erase(found);
  const gallery::Thumb& thumb = result.thumb;
  const int row = cells_.rowOf(path);
  if (row >= 0) {
    switch (thumb.status) {
      case gallery::ThumbStatus::Ok:
        if (!(result.id & kDetailsOnly))
          cells_.setThumb(path, ToQImage(thumb.image), first_, last_);
        break;
      case gallery::ThumbStatus::Stuck:
        cells_.setMark(path, CellMark::kStuck, "the file does not answer");
        break;
      case gallery::ThumbStatus::NotAFile:
        cells_.setMark(path, CellMark::kBroken, "not an ordinary file");
        break;
      case gallery::ThumbStatus::Unreadable:
        cells_.setMark(path, CellMark::kBroken, thumb.reason);
        break;
      default:
        break;
    }
    if (!thumb.detailsMissing && thumb.status != gallery::ThumbStatus::Stuck &&
        thumb.status != gallery::ThumbStatus::NotAFile &&
        thumb.status != gallery::ThumbStatus::Unreadable)
      cells_.setDetails(path, DetailsOf(thumb));
    // A thumbnail another program wrote shows now; its details are read after the rest.
    if (thumb.detailsMissing)
      queue_.requeue(row);
    else
      queue_.done(row);
  }
  pump();
}

void GalleryWork::makeLiveFrames(const std::string& path) {
  std::thread([mailbox = mailbox_, this, path, box = box_] {
    std::vector<QImage> frames;
    for (const image::RgbaImage& frame : gallery::LiveFrames(path, box))
      frames.push_back(ToQImage(frame));
    mailbox->post([this, path, frames = std::move(frames)]() mutable {
      if (onLiveFrames) onLiveFrames(path, std::move(frames));
    });
  }).detach();
}

}  // namespace glint
