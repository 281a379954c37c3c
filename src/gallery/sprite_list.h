#pragma once

// The sprites of a folder as the gallery lists them, named relative to the folder, with what the
// file system says of them without opening any.

#include <cstdint>
#include <string>
#include <vector>

namespace glint::gallery {

struct SpriteEntry {
  std::string path;  // as given: the folder, "/", the name
  std::string name;  // relative to the gallery's folder, '/' between parts
  std::int64_t size = 0;
  std::int64_t mtime = 0;  // whole seconds
};

// The sprites the tree would list in `folder`, and with `subfolders` those in every folder below
// it (hidden ones left out, each folder once however it is linked). A folder that cannot be read
// lists nothing and stops nothing. Only names are looked up: no file is opened, so a FIFO or a
// stalled file cannot block the listing.
std::vector<SpriteEntry> ListSprites(const std::string& folder, bool subfolders);

}  // namespace glint::gallery
