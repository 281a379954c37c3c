#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <random>

#include "path/path.h"
#include "platform/errors.h"
#include "platform/layer.h"

namespace glint {
namespace {

// A missing entry, when a file is being created, is its folder.
[[noreturn]] void fail(int code) {
  throw Error(err::kBadFileName, "AtomicFile",
              code == ENOENT ? "the folder does not exist" : SystemErrorReason(code));
}

// Six letters or digits for a temporary name, as mkstemp makes them.
std::string randomSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uint64_t bits = random();
  std::string suffix(6, ' ');
  for (char& c : suffix) {
    c = kLetters[bits % (sizeof(kLetters) - 1)];
    bits /= sizeof(kLetters) - 1;
  }
  return suffix;
}

std::mutex queryMutex;
std::function<FreeSpace()> freeSpaceQuery;

// A folder of any depth, named by a path of any length.
Folder openFolderPath(const std::string& path) {
  try {
    return Folder::OpenPath(path);
  } catch (const SystemError& e) {
    fail(e.code());
  }
}

}  // namespace

namespace layer {

std::string TemporaryName(const std::string& name, std::size_t limit) {
  std::size_t keep = std::min(name.size(), limit - 8);
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
    --keep;
  std::string temporary(1, '.');
  temporary.append(name, 0, keep).append(1, '.').append(randomSuffix());
  return temporary;
}

bool RoomFor(const Folder& folder, std::size_t bytes) {
  std::function<FreeSpace()> query;
  {
    std::lock_guard lock(queryMutex);
    query = freeSpaceQuery;
  }
  const FreeSpace space = query ? query() : SystemFreeSpace(folder);
  if (space.total == 0) return true;  // a file system that tells nothing
  const std::uint64_t kept = std::max(AtomicFile::kMinFree, space.total / 100);
  return space.available >= kept && space.available - kept >= bytes;
}

}  // namespace layer

void AtomicFile::SetFreeSpaceQuery(std::function<FreeSpace()> query) {
  std::lock_guard lock(queryMutex);
  freeSpaceQuery = std::move(query);
}

Folder AtomicFile::OpenFolder(const std::string& target) {
  return openFolderPath(path::Split(target).folder);
}

AtomicFile::AtomicFile(const std::string& target, const FileIds& inputs, Kind kind) {
  path::Parts parts = path::Split(target);
  ownFolder_ = openFolderPath(parts.folder);
  start(ownFolder_, std::move(parts.name), inputs, kind);
}

AtomicFile::AtomicFile(const Folder& folder, const std::string& name, const FileIds& inputs,
                       Kind kind) {
  start(folder, name, inputs, kind);
}

AtomicFile::AtomicFile(Folder&& folder, const std::string& name, const FileIds& inputs, Kind kind)
    : ownFolder_(std::move(folder)) {
  start(ownFolder_, name, inputs, kind);
}

void WriteFileAtomically(const std::string& target, std::span<const std::uint8_t> bytes) {
  AtomicFile file(target);
  file.write(bytes);
  file.commit();
}

}  // namespace glint
