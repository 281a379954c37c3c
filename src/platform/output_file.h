#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "spr/sprite.h"

namespace glint {

class Error;

// A file that could not be written: its path as the caller named it, and the reason alone.
class WriteFailure : public std::runtime_error {
 public:
  WriteFailure(std::string path, const std::string& reason)
      : std::runtime_error(reason), path_(std::move(path)) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A file written whole or not at all, through AtomicFile, as its bytes are made: writers hand out
// a few bytes at a time, which go on in pieces, so memory does not grow with the file. Every
// failure raises WriteFailure naming `path`.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path, const FileIds& inputs = {},
                      AtomicFile::Kind kind = AtomicFile::Kind::kImage);
  // The file `name` in an open folder, which must stay open until commit(); `path` names it.
  OutputFile(const Folder& folder, const std::string& name, const std::string& path,
             const FileIds& inputs = {});

  void write(std::span<const std::uint8_t> bytes);
  // Bytes [from, to) of `source`, a piece at a time; false when the source came up short.
  bool copy(spr::ByteSource& source, std::int64_t from, std::int64_t to);
  // What the image writers take.
  std::function<void(std::span<const std::uint8_t>)> sink();
  void commit();

 private:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;

  void flush();
  void put(std::span<const std::uint8_t> bytes);
  [[noreturn]] void fail(const Error& e) const;

  std::string path_;
  std::optional<AtomicFile> file_;
  std::vector<std::uint8_t> pending_;
};

}  // namespace glint
