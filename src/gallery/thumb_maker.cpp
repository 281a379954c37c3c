#include "gallery/thumb_maker.h"

#include <memory>

#include "platform/byte_source.h"
#include "platform/errors.h"
#include "platform/fault_reason.h"

namespace glint::gallery {
namespace {

Thumb fromEntry(CacheEntry&& entry, bool failure) {
  Thumb thumb;
  thumb.fromCache = true;
  const Details details = entry.details.value_or(Details{});
  thumb.frames = details.frames;
  thumb.largestWidth = details.largestWidth.value_or(0);
  thumb.largestHeight = details.largestHeight.value_or(0);
  thumb.reason = details.reason;
  thumb.detailsMissing = !entry.details;  // ours always carry them; a broken count may be unknown
  if (!failure) {
    thumb.status = ThumbStatus::Ok;
    thumb.image = std::move(entry.image);
  } else {
    thumb.status = details.reason.empty() ? ThumbStatus::Blank : ThumbStatus::Broken;
  }
  return thumb;
}

CacheEntry toEntry(const Thumb& thumb, const std::string& uri, std::int64_t mtime,
                   std::int64_t size) {
  CacheEntry entry{thumb.image, uri, mtime, size, Details{}};
  entry.details->frames = thumb.frames;
  if (thumb.status != ThumbStatus::Broken) {
    entry.details->largestWidth = thumb.largestWidth;
    entry.details->largestHeight = thumb.largestHeight;
  }
  entry.details->reason = thumb.reason;
  entry.details->blank = thumb.status == ThumbStatus::Blank;
  if (thumb.status != ThumbStatus::Ok) entry.image = {1, 1, {0, 0, 0, 0}};  // as desktops do
  return entry;
}

}  // namespace

Thumb MakeThumbnail(const std::string& path, int box, std::int64_t* modified, std::int64_t* size) {
  Thumb thumb;
  std::unique_ptr<FileSource> source;
  try {
    source = std::make_unique<FileSource>(path);
  } catch (const SystemError& e) {
    thumb.reason = SystemErrorReason(e.code());
    return thumb;
  } catch (const Error&) {
    thumb.status = ThumbStatus::NotAFile;
    return thumb;
  }
  if (modified != nullptr) *modified = source->modified();
  if (size != nullptr) *size = source->length();
  try {
    spr::SprReader reader(*source);
    spr::Palette palette;
    const int count = reader.open(palette);
    thumb.frames = count;
    std::int64_t most = 0;
    image::ThumbnailChoice choice;
    for (int k = 1; k <= count; ++k) {
      spr::FrameRecord frame = reader.readFrame();
      if (spr::HasPixels(frame) && std::int64_t{frame.width} * frame.height > most) {
        most = std::int64_t{frame.width} * frame.height;
        thumb.largestWidth = frame.width;
        thumb.largestHeight = frame.height;
      }
      choice.consider(std::move(frame));
    }
    if (!choice.settled()) {
      thumb.status = ThumbStatus::Blank;
      return thumb;
    }
    const std::optional<spr::IndexedImage> shown = spr::DecodeFrameData(*choice.take());
    thumb.image = image::ScaleToThumbnail(shown->width, shown->height, shown->pixels, palette, box);
    thumb.status = ThumbStatus::Ok;
  } catch (const spr::Fault& fault) {
    thumb.status = ThumbStatus::Broken;
    thumb.reason = FaultReason(fault);
    thumb.largestWidth = thumb.largestHeight = 0;
  }
  return thumb;
}

Thumb MakeOrLoad(const ThumbRequest& request, int box, const std::string& root) {
  const std::string uri = FileUri(request.path);
  for (const bool failure : {false, true}) {
    std::optional<CacheEntry> entry =
        ReadEntry(EntryPath(root, failure ? FailFolder() : SizeFolder(box), uri));
    // Only our own failures tell what failed.
    if (entry && IsValidFor(*entry, uri, request.mtime) && (!failure || entry->details))
      return fromEntry(std::move(*entry), failure);
  }
  std::int64_t modified = 0, size = 0;
  Thumb thumb = MakeThumbnail(request.path, box, &modified, &size);
  const bool failure = thumb.status == ThumbStatus::Broken || thumb.status == ThumbStatus::Blank;
  if (thumb.status == ThumbStatus::Ok || failure) {
    try {
      WriteEntry(root, failure ? FailFolder() : SizeFolder(box),
                 toEntry(thumb, uri, modified, size));
    } catch (const std::exception&) {
      // A cache that cannot be written costs a remake next time, nothing more.
    }
  }
  return thumb;
}

}  // namespace glint::gallery
