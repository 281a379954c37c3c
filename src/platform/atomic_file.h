#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/dir_listing.h"

namespace glint {

// The space a file system has left for files, and its size, in bytes.
struct FreeSpace {
  std::uint64_t available = 0;
  std::uint64_t total = 0;
};

// Writes a file under a temporary name in the target's folder and renames it over the target on
// commit(), so readers see either the old file or the whole new one. A target that exists keeps
// its permissions; a symbolic link is written through to the file it points at. Destroying an
// uncommitted file removes the temporary. Where the system has unnamed files (Linux), the
// temporary has no name until commit() links it in as a new target, or under a temporary name
// that is renamed over a target that exists.
//
// A target that exists must be an ordinary file: a folder, a device, a FIFO, a socket, a link that
// loops, or one of the files being read is refused before anything is written. Writing stops as a
// full disk rather than leave less than kMinFree or 1 % of the file system free, whichever is
// more. Temporary names are ".NAME.XXXXXX", NAME cut short where the name limit asks for it. A
// link that leads to no file the folders hold (/dev/stdout on a pipe) is refused as well.
//
// Sprites are edited in place, so a sprite that exists is replaced only as writing into it would
// change it: one this user may not write, one with more than one name (hard link), or one whose
// owner and group a new file cannot take is refused before anything is written, and the new file
// keeps its owner and group.
//
// On Windows the temporary is always named; it is flushed, then put in place by ReplaceFileW when
// the target exists (which keeps the target's attributes and access rights) or moved there with
// write-through when it does not. A name Windows reserves or cannot hold, a read-only target, one
// with more than one name, and one another program holds open are refused.
class AtomicFile {
 public:
  enum class Way { kUnnamedWhereAvailable, kNamedTemporary };
  enum class Kind { kImage, kSprite };
  static constexpr std::uint64_t kMinFree = std::uint64_t{64} << 20;

  // Raises 52 when the target is refused or the temporary cannot be created (missing folder, no
  // permission). Every error of the class carries the reason alone, in plain words, as its
  // description. `inputs` are the files being read, never to be replaced.
  explicit AtomicFile(const std::string& target, const FileIds& inputs = {},
                      Kind kind = Kind::kImage);
  // The file `name` in an open folder, which must stay open until the file is committed or
  // abandoned (an export writes many files through one folder).
  AtomicFile(const Folder& folder, const std::string& name, const FileIds& inputs = {},
             Kind kind = Kind::kImage);
  // The same in a folder that this file keeps open.
  AtomicFile(Folder&& folder, const std::string& name, const FileIds& inputs = {},
             Kind kind = Kind::kImage);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void write(std::span<const std::uint8_t> bytes);
  void commit();
  void abandon();

  // The folder a target path is in, opened as the constructor opens it (52 and the reason when
  // it cannot be), for writing a run of files into one folder.
  static Folder OpenFolder(const std::string& target);

  // Seams: the way files are written from now on (the named way is the one systems without
  // unnamed files take; GLINT_NAMED_TEMPORARIES=1 in the environment chooses it at start), and
  // where free space is learnt (nothing: from the file system).
  static void SetWay(Way way);
  static void SetFreeSpaceQuery(std::function<FreeSpace()> query);

 private:
  struct State;  // the file layer's own
  // Deletes it where it is known, so that the shared constructors need not know it.
  struct StateDeleter {
    void operator()(State* state) const;
  };
  void start(const Folder& folder, std::string name, const FileIds& inputs, Kind kind);

  Folder ownFolder_;  // the target's folder when this file opened it
  std::unique_ptr<State, StateDeleter> state_;
};

// Writes a whole file atomically as above; raises 52 with the reason on failure.
void WriteFileAtomically(const std::string& target, std::span<const std::uint8_t> bytes);

// On SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and the console closing), removes
// the named temporaries in flight, then ends the process as that signal would have ended it. A
// signal ignored when this is called stays ignored.
void RemoveTemporariesOnSignals();

}  // namespace glint
