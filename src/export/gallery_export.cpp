#include "export/gallery_export.h"

#include <sys/stat.h>

#include <cstddef>
#include <filesystem>

#include "export/sprite_export.h"
#include "image/naming.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"

namespace glint {
namespace fs = std::filesystem;
namespace {

using Kind = GalleryExport::Kind;
// More failures than this are counted, not listed: the box must still fit on the screen.
constexpr std::size_t kMostListed = 10;

struct Planned {
  std::string sprite;
  std::string target;   // the frames' folder, or the sheet's or the animation's file
  std::string problem;  // set when it is not exported
  FileId id;
  bool again = false;  // the same file as an earlier sprite: written once
};

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

std::string spritesText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " sprite" : " sprites");
}

// Each sprite's target, and what keeps it from being written, before anything is: a second
// sprite writing the same names is refused as the converter refuses it.
std::vector<Planned> planExport(const GalleryExport& job) {
  const bool frames = job.kind == Kind::kFrames;
  std::vector<Planned> plan;
  std::vector<std::string> keys;
  for (const std::string& sprite : job.sprites) {
    Planned p{sprite,
              frames ? job.outputFolder
                     : GalleryTarget(sprite, job.galleryFolder, job.outputFolder,
                                     job.kind == Kind::kSheets ? ".png" : ".gif"),
              {},
              {}};
    struct stat st {};
    if (::stat(sprite.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
      p.problem = UnreadableMessage(sprite);
    else
      p.id = FileId{st.st_dev, st.st_ino};
    if (!p.problem.empty())
      keys.emplace_back();
    else if (frames)
      keys.push_back(image::FrameFilesKey(sprite, job.outputFolder, image::SpriteName(sprite)));
    else
      keys.push_back(fs::path(p.target).lexically_normal().string());
    plan.push_back(std::move(p));
  }
  const std::vector<std::size_t> first = image::FirstClaims(keys);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    if (first[i] == i) continue;
    Planned& p = plan[i];
    const Planned& earlier = plan[first[i]];
    if (earlier.id == p.id) {
      p.again = true;
      continue;
    }
    const std::string what =
        frames ? "files (" +
                     inQuotes(image::FramePath(p.sprite, p.target, image::SpriteName(p.sprite), 1,
                                               ".png")) +
                     ", ...)"
               : "file (" + inQuotes(p.target) + ")";
    p.problem = "Cannot export " + inQuotes(p.sprite) + ": " + inQuotes(earlier.sprite) +
                " writes the same " + what + ".";
  }
  return plan;
}

// An empty text when the folder is there or was made.
std::string makeFolder(const std::string& folder) {
  try {
    Folder::OpenPath(folder, true);
    return {};
  } catch (const Error& e) {
    return "Cannot create the folder " + inQuotes(folder) + ": " + e.description() + ".";
  }
}

// One sprite as the Export menu exports it, stopped between frames by the export's cancel.
WindowExportResult exportSprite(const GalleryExport& job, const Planned& sprite,
                                const WindowExportProgress& overall) {
  using OneKind = WindowExportJob::Kind;
  if (job.kind != Kind::kFrames) {
    const std::string made = makeFolder(fs::path(sprite.target).parent_path().string());
    if (!made.empty()) return {false, made};
  }
  WindowExportProgress progress;
  const OneKind kind = job.kind == Kind::kFrames   ? OneKind::kFramesPng
                       : job.kind == Kind::kSheets ? OneKind::kSheet
                                                   : OneKind::kGif;
  return RunWindowExport({kind, sprite.sprite, sprite.target, job.transparent, job.frameTimeMs,
                          [&](int) { progress.cancel = overall.cancel.load(); }},
                         progress);
}

std::string listed(const std::vector<std::string>& failures) {
  std::string text;
  for (std::size_t i = 0; i < failures.size() && i < kMostListed; ++i)
    text += (i == 0 ? "" : "\n") + failures[i];
  if (failures.size() > kMostListed)
    text += "\nAnd " + std::to_string(failures.size() - kMostListed) + " more.";
  return text;
}

}  // namespace

std::string GalleryTarget(const std::string& sprite, const std::string& galleryFolder,
                          const std::string& outputFolder, const std::string& extension) {
  fs::path relative = fs::path(sprite).lexically_normal().lexically_relative(
      fs::path(galleryFolder).lexically_normal());
  if (relative.empty() || *relative.begin() == "..") relative = fs::path(sprite).filename();
  relative.replace_filename(image::SpriteName(relative.filename().string()) + extension);
  return (fs::path(outputFolder) / relative).string();
}

WindowExportResult RunGalleryExport(const GalleryExport& job, WindowExportProgress& progress) {
  const std::vector<Planned> plan = planExport(job);
  progress.total = static_cast<int>(plan.size());
  if (const std::string made = makeFolder(job.outputFolder); !made.empty()) return {false, made};
  std::vector<std::string> failures;
  std::size_t written = 0;
  auto cancelled = [&]() -> WindowExportResult {
    const std::string text = "Cancelled after " + std::to_string(progress.done.load()) + " of " +
                             spritesText(plan.size()) + ".";
    return {false, failures.empty() ? text : text + "\n" + listed(failures), true};
  };
  for (const Planned& sprite : plan) {
    if (progress.cancel) return cancelled();
    if (!sprite.problem.empty()) {
      failures.push_back(sprite.problem);
    } else if (!sprite.again) {
      const WindowExportResult one = exportSprite(job, sprite, progress);
      if (one.cancelled) return cancelled();
      if (one.ok)
        ++written;
      else
        failures.push_back(one.message);
    }
    const int done = ++progress.done;
    if (job.afterSprite) job.afterSprite(done);
  }
  if (!failures.empty()) return {false, listed(failures)};
  const std::string what = job.kind == Kind::kFrames   ? "the frames of "
                           : job.kind == Kind::kSheets ? "the sheets of "
                                                       : "the animations of ";
  return {true, "Wrote " + what + spritesText(written) +
                    (job.kind == Kind::kFrames ? " as PNG files" : "") + " to " + job.outputFolder};
}

}  // namespace glint
