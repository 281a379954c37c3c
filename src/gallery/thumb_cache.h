#pragma once

// The desktop's shared thumbnail cache (freedesktop.org): PNG files named by the MD5 of a file's
// URI, under normal/ (128) and large/ (256), with failures under fail/ in a folder of our own.
// Our own text keys carry what sorting needs, so a valid entry spares reading the sprite.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/thumbnail.h"

namespace glint::gallery {

inline constexpr int kNormalBox = 128;
inline constexpr int kLargeBox = 256;
// Larger entry files are not read: a thumbnail of 256 x 256 takes far less.
inline constexpr std::int64_t kMaxEntryBytes = std::int64_t{4} << 20;

// "file://" and the path, made absolute from the working folder (links not resolved),
// percent-encoded byte by byte as GLib's g_filename_to_uri does.
std::string FileUri(const std::string& path);
// The entry's file name: the URI's MD5 in lowercase hex, and ".png".
std::string CacheName(const std::string& uri);
// $XDG_CACHE_HOME/thumbnails when that is an absolute path, else $HOME/.cache/thumbnails.
std::string ThumbnailRoot();
// The folder below the root that holds entries for a box: "normal" (up to 128) or "large".
std::string SizeFolder(int box);
// The folder below the root that holds our failures: "fail/glintscope-VERSION".
std::string FailFolder();

// What our own keys carry, absent from entries other programs wrote.
struct Details {
  std::optional<int> frames;                       // the count, when the header could be read
  std::optional<int> largestWidth, largestHeight;  // the frame with most pixels (0 x 0: none)
  std::string reason;                              // a broken sprite's, in the converter's words
  bool blank = false;                              // no frame has a visible pixel
  bool operator==(const Details&) const = default;
};

struct CacheEntry {
  image::RgbaImage image;
  std::string uri;
  std::int64_t mtime = 0;            // the sprite's, in whole seconds
  std::optional<std::int64_t> size;  // the sprite's size in bytes
  std::optional<Details> details;    // nothing when none of our keys is there
};

// The entry as a PNG file, and back; nothing for anything that is not a readable PNG of at most
// 256 x 256 with a URI and an mtime.
std::vector<std::uint8_t> EncodeEntry(const CacheEntry& entry);
std::optional<CacheEntry> DecodeEntry(std::span<const std::uint8_t> bytes);

// The entry stands for the sprite as it is now.
inline bool IsValidFor(const CacheEntry& entry, const std::string& uri, std::int64_t mtime) {
  return entry.uri == uri && entry.mtime == mtime;
}

// Where the entry for `uri` lies in `folder` (SizeFolder or FailFolder) below `root`.
std::string EntryPath(const std::string& root, const std::string& folder, const std::string& uri);
// Reads the entry file; nothing when it is missing, not an ordinary file, larger than
// kMaxEntryBytes or not an entry.
std::optional<CacheEntry> ReadEntry(const std::string& file);
// Writes the entry for entry.uri in `folder` below `root`: missing folders made 0700, the file
// 0600, written to a temporary in the same folder and renamed in. Raises SystemError.
void WriteEntry(const std::string& root, const std::string& folder, const CacheEntry& entry);

}  // namespace glint::gallery
