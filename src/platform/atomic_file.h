#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace glint {

// Writes a file under a temporary name in the target's folder and renames it over the target on
// commit(), so readers see either the old file or the whole new one. A target that exists keeps
// its permissions; a symbolic link is written through to the file it points at. Destroying an
// uncommitted file removes the temporary. Where the system has unnamed files (Linux), the
// temporary has no name until commit() links it in as a new target, or under a temporary name
// that is renamed over a target that exists.
class AtomicFile {
 public:
  // Raises 52 when the temporary cannot be created (missing folder, no permission). Every error
  // of the class carries the reason alone, in plain words, as its description.
  explicit AtomicFile(const std::string& target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void write(std::span<const std::uint8_t> bytes);
  void commit();
  void abandon();

  const std::string& target() const { return target_; }

 private:
  void commitUnnamed();

  std::string target_;  // the real file, links resolved
  std::string temp_;    // empty while the file has no name
  int fd_ = -1;
};

// Writes a whole file atomically as above; raises 52 with the reason on failure.
void WriteFileAtomically(const std::string& target, std::span<const std::uint8_t> bytes);

}  // namespace glint
