#include "cli/export_plan.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "cli/console.h"
#include "cli/failure.h"
#include "image/naming.h"
#include "path/path.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/file_status.h"
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

void walk(const Folder& folder, const fs::path& at, const fs::path& relative,
          std::vector<Found>& found) {
  struct Entry {
    std::string name;
    bool folder;
    std::string problem;
    FileId id;
  };
  std::vector<Entry> entries;
  std::vector<std::string> names;
  if (const int code = ListNames(folder, names); code != 0) {
    found.push_back({at, relative, "cannot read the folder: " + SystemErrorReason(code), {}});
    return;
  }
  for (const std::string& name : names) {
    if (name.empty() || name[0] == '.') continue;  // hidden, as the viewer's tree hides them
    const FileStatus own = StatusIn(folder, name, false);
    if (own.error != 0) {
      if (own.error != ENOENT)  // vanished while listed: nothing to convert
        entries.push_back({name, false, SystemErrorReason(own.error), {}});
      continue;
    }
    if (own.kind == FileKind::kFolder) {
      entries.push_back({name, true, {}, {}});
    } else if (image::IsSpriteFileName(name)) {
      const FileStatus target = StatusIn(folder, name, true);  // a linked file counts as its file
      if (target.error != 0)
        entries.push_back({name, false, SystemErrorReason(target.error), {}});
      else if (target.kind != FileKind::kFile)
        entries.push_back({name, false, "not an ordinary file", {}});
      else
        entries.push_back({name, false, {}, target.id});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return SortedNameLess(a.name, b.name); });
  for (const Entry& entry : entries) {
    const fs::path name = path::FsPath(entry.name);
    if (!entry.folder) {
      found.push_back({at / name, relative / name, entry.problem, entry.id});
      continue;
    }
    try {
      walk(folder.open(entry.name, false, false), at / name, relative / name, found);
    } catch (const Error& e) {
      found.push_back(
          {at / name, relative / name, "cannot read the folder: " + e.description(), {}});
    }
  }
}

}  // namespace

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
          relativeFolder.empty() ? outDir : path::Utf8(path::FsPath(outDir) / relativeFolder);
    plan.push_back(std::move(input));
  };

  for (const std::string& argument : inputs) {
    const FileStatus status = StatusOf(argument);
    if (status.error != 0) {
      plan.push_back({argument, {}, {}, SystemErrorReason(status.error), false, {}});
    } else if (status.kind == FileKind::kFolder) {
      std::vector<Found> found;
      try {
        walk(Folder::OpenPath(argument), path::FsPath(argument), {}, found);
      } catch (const Error& e) {
        found.push_back(
            {path::FsPath(argument), {}, "cannot read the folder: " + e.description(), {}});
      }
      if (found.empty())
        plan.push_back({argument, {}, {}, "no sprite files in this folder", true, {}});
      for (const Found& f : found) {
        if (!f.problem.empty())
          plan.push_back({path::Utf8(f.path), {}, {}, f.problem, false, {}});
        else
          add(path::Utf8(f.path), f.relative.parent_path(), f.id);
      }
    } else {
      add(argument, {}, status.id);
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
