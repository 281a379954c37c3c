#include "cli/export_plan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "cli/console.h"
#include "cli/failure.h"
#include "image/naming.h"
#include "path/path.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/names.h"

namespace glint::cli {
namespace fs = std::filesystem;
namespace {

struct Found {
  fs::path path;
  fs::path relative;  // below the folder argument
  std::string problem;
  FileId id;
};

void walk(const Folder& folder, const fs::path& path, const fs::path& relative,
          std::vector<Found>& found) {
  struct Entry {
    std::string name;
    bool folder;
    std::string problem;
    FileId id;
  };
  std::vector<Entry> entries;
  // The listing's own descriptor, closed before going deeper: a walk holds one per level.
  const int listed = ::openat(folder.native().fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
  if (dir == nullptr) {
    const int code = errno;
    if (listed >= 0) ::close(listed);
    found.push_back({path, relative, "cannot read the folder: " + SystemErrorReason(code), {}});
    return;
  }
  int code = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      code = errno;
      break;
    }
    std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;  // hidden, as the viewer's tree hides them
    struct stat own {};
    if (::fstatat(::dirfd(dir), name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT)  // vanished while listed: nothing to convert
        entries.push_back({name, false, SystemErrorReason(errno), {}});
      continue;
    }
    if (S_ISDIR(own.st_mode)) {
      entries.push_back({name, true, {}, {}});
    } else if (image::IsSpriteFileName(name)) {
      struct stat target {};  // a linked file counts as the file it names
      if (::fstatat(::dirfd(dir), name.c_str(), &target, 0) != 0)
        entries.push_back({name, false, SystemErrorReason(errno), {}});
      else if (!S_ISREG(target.st_mode))
        entries.push_back({name, false, "not an ordinary file", {}});
      else
        entries.push_back({name, false, {}, FileId{target.st_dev, target.st_ino}});
    }
  }
  ::closedir(dir);
  if (code != 0) {
    found.push_back({path, relative, "cannot read the folder: " + SystemErrorReason(code), {}});
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return SortedNameLess(a.name, b.name); });
  for (const Entry& entry : entries) {
    if (!entry.folder) {
      found.push_back({path / entry.name, relative / entry.name, entry.problem, entry.id});
      continue;
    }
    try {
      walk(folder.open(entry.name, false, false), path / entry.name, relative / entry.name, found);
    } catch (const Error& e) {
      found.push_back({path / entry.name,
                       relative / entry.name,
                       "cannot read the folder: " + e.description(),
                       {}});
    }
  }
}

}  // namespace

int StatPath(const std::string& path, struct stat& st) {
  path::Parts parts = path::Split(path);
  if (parts.name.empty()) parts.name = ".";
  try {
    const Folder folder = Folder::OpenPath(parts.folder);
    return ::fstatat(folder.native().fd, parts.name.c_str(), &st, 0) == 0 ? 0 : errno;
  } catch (const SystemError& e) {
    return e.code();
  }
}

bool SortedNameLess(const std::string& a, const std::string& b) {
  if (NameLess(a, b)) return true;
  if (NameLess(b, a)) return false;
  return a < b;
}

std::vector<PlannedInput> PlanExport(const std::vector<std::string>& inputs,
                                     const std::string& outDir, std::string_view extension) {
  std::vector<PlannedInput> plan;
  auto add = [&](const std::string& sprite, const fs::path& relativeFolder, FileId id) {
    PlannedInput input{sprite, {}, image::SpriteName(sprite), {}, false, id};
    if (!outDir.empty())
      input.outFolder =
          relativeFolder.empty() ? outDir : (fs::path(outDir) / relativeFolder).string();
    plan.push_back(std::move(input));
  };

  for (const std::string& argument : inputs) {
    struct stat st {};
    if (int code = StatPath(argument, st); code != 0) {
      plan.push_back({argument, {}, {}, SystemErrorReason(code), false, {}});
    } else if (S_ISDIR(st.st_mode)) {
      std::vector<Found> found;
      try {
        walk(Folder::OpenPath(argument), argument, {}, found);
      } catch (const Error& e) {
        found.push_back({argument, {}, "cannot read the folder: " + e.description(), {}});
      }
      if (found.empty())
        plan.push_back({argument, {}, {}, "no sprite files in this folder", true, {}});
      for (const Found& f : found) {
        if (!f.problem.empty())
          plan.push_back({f.path.string(), {}, {}, f.problem, false, {}});
        else
          add(f.path.string(), f.relative.parent_path(), f.id);
      }
    } else {
      add(argument, {}, FileId{st.st_dev, st.st_ino});
    }
  }

  // Outputs are named after (folder, NAME), or after the sprite's own path when beside it.
  std::vector<std::string> keys;
  for (const PlannedInput& input : plan)
    keys.push_back(input.problem.empty()
                       ? image::FrameFilesKey(input.sprite, input.outFolder, input.name)
                       : std::string());
  const std::vector<std::size_t> first = image::FirstClaims(keys);
  std::vector<PlannedInput> result;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    PlannedInput input = plan[i];
    if (first[i] != i) {
      const PlannedInput& earlier = plan[first[i]];
      if (earlier.id == input.id) continue;  // once is enough
      input.problem =
          "not converted: " + QuotedName(earlier.sprite) + " writes the same files (" +
          QuotedName(image::FramePath(input.sprite, input.outFolder, input.name, 1, extension)) +
          ", ...)";
    }
    result.push_back(std::move(input));
  }
  return result;
}

}  // namespace glint::cli
