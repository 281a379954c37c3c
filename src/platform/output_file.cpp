#include "platform/output_file.h"

#include <algorithm>

#include "platform/errors.h"

namespace glint {

OutputFile::OutputFile(const std::string& path, const FileIds& inputs, AtomicFile::Kind kind)
    : path_(path) {
  try {
    file_.emplace(path, inputs, kind);
  } catch (const Error& e) {
    fail(e);
  }
}

OutputFile::OutputFile(const Folder& folder, const std::string& name, const std::string& path,
                       const FileIds& inputs)
    : path_(path) {
  try {
    file_.emplace(folder, name, inputs);
  } catch (const Error& e) {
    fail(e);
  }
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
  if (pending_.empty() && bytes.size() >= kPiece) return put(bytes);
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  if (pending_.size() >= kPiece) flush();
}

bool OutputFile::copy(spr::ByteSource& source, std::int64_t from, std::int64_t to) {
  flush();
  std::vector<std::uint8_t> piece(
      static_cast<std::size_t>(std::clamp<std::int64_t>(to - from, 0, kPiece)));
  for (std::int64_t at = from; at < to;) {
    const std::span<std::uint8_t> part(
        piece.data(), static_cast<std::size_t>(std::min<std::int64_t>(kPiece, to - at)));
    if (!source.readAt(at, part)) return false;
    put(part);
    at += static_cast<std::int64_t>(part.size());
  }
  return true;
}

std::function<void(std::span<const std::uint8_t>)> OutputFile::sink() {
  return [this](std::span<const std::uint8_t> bytes) { write(bytes); };
}

void OutputFile::commit() {
  flush();
  try {
    file_->commit();
  } catch (const Error& e) {
    fail(e);
  }
}

void OutputFile::flush() {
  put(pending_);
  pending_.clear();
}

void OutputFile::put(std::span<const std::uint8_t> bytes) {
  try {
    file_->write(bytes);
  } catch (const Error& e) {
    fail(e);
  }
}

void OutputFile::fail(const Error& e) const { throw WriteFailure(path_, e.description()); }

}  // namespace glint
