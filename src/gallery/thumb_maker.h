#pragma once

// One sprite's thumbnail and the details sorting needs, made from the file or taken from the
// desktop's thumbnail cache.

#include <cstdint>
#include <optional>
#include <string>

#include "gallery/thumb_cache.h"
#include "image/thumbnail.h"

namespace glint::gallery {

enum class ThumbStatus {
  Ok,          // a thumbnail
  Broken,      // the sprite is broken: `reason`
  Blank,       // no frame has a visible pixel
  NotAFile,    // not an ordinary file (a folder, FIFO, device): never read
  Unreadable,  // cannot be opened: `reason`
  Stuck,       // the file did not answer in time (from the pool)
};

struct Thumb {
  ThumbStatus status = ThumbStatus::Unreadable;
  image::RgbaImage image;                   // Ok only
  std::optional<int> frames;                // when the header could be read
  int largestWidth = 0, largestHeight = 0;  // the frame with most pixels, first of equals
  std::string reason;
  // Taken from a valid cache entry another program wrote: the details above are not known yet,
  // and come from MakeThumbnail when wanted.
  bool detailsMissing = false;
  bool fromCache = false;
};

// The thumbnail as `sprconv thumbnail` makes it (the same frame, scaled into box x box), and
// every record read and checked as `sprconv info` does, for the frame count, the largest frame
// and a broken sprite's reason. The file is opened without blocking; anything but an ordinary
// file is refused unread. `modified` and `size`, when given, receive the file's as read.
Thumb MakeThumbnail(const std::string& path, int box, std::int64_t* modified = nullptr,
                    std::int64_t* size = nullptr);

// A sprite as the listing saw it.
struct ThumbRequest {
  std::string path;
  std::int64_t size = 0;
  std::int64_t mtime = 0;  // whole seconds
};

// The valid entry of `root` (SizeFolder(box), else our failure) when there is one, else the
// thumbnail made and its entry written: Ok under SizeFolder(box), Broken and Blank under
// FailFolder(). A cache that cannot be written leaves the thumbnail as made.
Thumb MakeOrLoad(const ThumbRequest& request, int box, const std::string& root);

}  // namespace glint::gallery
