#pragma once

// What each file layer (posix/ or windows/) gives the shared code of this folder, and what the
// shared code gives the layers, beyond the public headers. Not for callers outside the folder.
//
// A layer implements, besides these: Folder (all but native()), GetAttr, OrdinaryFileExists,
// FileOrFolderExists, ListFolder; StatusOf, StatusIn, ListNames; FileSource::open, close,
// readFromFile and the destructor; AtomicFile::State, StateDeleter, start, write, commit, abandon,
// the destructor, SetWay and RemoveTemporariesOnSignals; CommandLine and StandardErrorIsTerminal.

#include <cstddef>
#include <string>

#include "platform/atomic_file.h"

namespace glint::layer {

// Given by the layer: the space left on the file system that holds `folder`; {} when unknown.
FreeSpace SystemFreeSpace(const Folder& folder);

// Given by the shared code: whether `bytes` more fit while the file system keeps its margin
// (kMinFree or 1 %), asking the seam's query when one is set.
bool RoomFor(const Folder& folder, std::size_t bytes);

// Given by the shared code: ".NAME." and six letters or digits, NAME losing whole UTF-8
// characters from its end until the whole fits in `limit` bytes.
std::string TemporaryName(const std::string& name, std::size_t limit);

}  // namespace glint::layer
