#include "cli/export_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

#include "cli/failure.h"
#include "image/naming.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"

namespace glint::cli {
namespace fs = std::filesystem;
namespace {

struct Found {
  fs::path path;
  fs::path relative;  // below the folder argument
  std::string problem;
};

void walk(const fs::path& folder, const fs::path& relative, std::vector<Found>& found) {
  struct Entry {
    std::string name;
    bool folder;
  };
  std::vector<Entry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;  // hidden, as the viewer's tree hides them
    std::error_code statError;
    auto own = it->symlink_status(statError);
    if (statError) continue;  // vanished while listed
    if (fs::is_directory(own)) {
      entries.push_back({name, true});
    } else if (image::IsSpriteFileName(name)) {
      auto target = it->status(statError);  // a linked file counts as the file it names
      if (!statError && fs::is_regular_file(target)) entries.push_back({name, false});
    }
  }
  if (ec) {
    found.push_back({folder, relative, "cannot read the folder: " + SystemErrorReason(ec.value())});
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return SortedNameLess(a.name, b.name); });
  for (const Entry& entry : entries) {
    if (entry.folder)
      walk(folder / entry.name, relative / entry.name, found);
    else
      found.push_back({folder / entry.name, relative / entry.name, {}});
  }
}

std::string identity(const std::string& path) {
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(path, ec);
  return ec ? fs::path(path).lexically_normal().string() : canonical.string();
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
  auto add = [&](const std::string& sprite, const fs::path& relativeFolder) {
    PlannedInput input{sprite, {}, image::SpriteName(sprite), {}, false};
    if (!outDir.empty())
      input.outFolder =
          relativeFolder.empty() ? outDir : (fs::path(outDir) / relativeFolder).string();
    plan.push_back(std::move(input));
  };

  for (const std::string& argument : inputs) {
    struct stat st {};
    if (::stat(argument.c_str(), &st) != 0) {
      plan.push_back({argument, {}, {}, SystemErrorReason(errno), false});
    } else if (S_ISDIR(st.st_mode)) {
      std::vector<Found> found;
      walk(argument, {}, found);
      if (found.empty()) plan.push_back({argument, {}, {}, "no sprite files in this folder", true});
      for (const Found& f : found) {
        if (!f.problem.empty())
          plan.push_back({f.path.string(), {}, {}, f.problem, false});
        else
          add(f.path.string(), f.relative.parent_path());
      }
    } else {
      add(argument, {});
    }
  }

  // Outputs are named after (folder, NAME), or after the sprite's own path when beside it. Which
  // file a path is costs a look at every folder on the way, so it is asked only on a clash.
  std::map<std::string, std::string> claims;  // the sprite that claimed each name
  std::vector<PlannedInput> result;
  for (PlannedInput& input : plan) {
    if (!input.problem.empty()) {
      result.push_back(std::move(input));
      continue;
    }
    std::string key = input.outFolder.empty()
                          ? identity(input.sprite)
                          : (fs::path(input.outFolder) / input.name).lexically_normal().string();
    auto [at, fresh] = claims.try_emplace(key, input.sprite);
    if (!fresh) {
      if (identity(at->second) == identity(input.sprite)) continue;  // once is enough
      input.problem = "not converted: " + at->second + " writes the same files (" +
                      image::FramePath(input.sprite, input.outFolder, input.name, 1, extension) +
                      ", ...)";
    }
    result.push_back(std::move(input));
  }
  return result;
}

}  // namespace glint::cli
