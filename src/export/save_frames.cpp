#include "export/save_frames.h"

#include <new>
#include <vector>

#include "export/frame_number.h"
#include "export/sprite_export.h"
#include "image/naming.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"

namespace glint {
namespace {

constexpr const char* kSummaryCaption = "SPR Mox Plus";

std::string emptyFramesMessage(const std::vector<int>& frames) {
  std::string list;
  for (int f : frames) list += (list.empty() ? "" : ", ") + std::to_string(f);
  if (frames.size() == 1) return "Frame " + list + " has no pixels, so no file was written for it.";
  return "Frames " + list + " have no pixels, so no files were written for them.";
}

// After a whole export: at most ten numbers, the last joined by "and".
std::string skippedFramesMessage(const std::vector<int>& frames) {
  constexpr std::size_t kListed = 10;
  if (frames.size() == 1)
    return "Frame " + std::to_string(frames[0]) + " had no pixels, so no file was written for it.";
  const std::size_t listed = std::min(frames.size(), kListed);
  std::string list;
  for (std::size_t k = 0; k < listed; ++k) {
    if (k > 0) list += (k + 1 == listed && listed == frames.size()) ? " and " : ", ";
    list += std::to_string(frames[k]);
  }
  if (frames.size() > listed) list += " and " + std::to_string(frames.size() - listed) + " more";
  return "Frames " + list + " had no pixels, so no files were written for them.";
}

}  // namespace

bool Exporter::refuseWhileBusy() {
  if (!window_.channels().isOpen(FileChannels::kSpriteChannel) && !window_.Loading &&
      !window_.Exporting)
    return false;
  window_.dialogs().MsgBox("Another file is being read. Please try again when it is done.",
                           style::kExclamation, kAppTitle);
  return true;
}

void Exporter::fail(const std::string& message) {
  window_.dialogs().MsgBox(message, style::kExclamation, kAppTitle);
}

bool Exporter::reportFailure(const std::string& path, const std::function<bool()>& work) {
  try {
    return work();
  } catch (const ExportFailure& e) {
    fail(e.what());
  } catch (const std::bad_alloc&) {
    fail("Cannot export \"" + path + "\": there is not enough memory.");
  }
  return false;
}

void Exporter::SaveFrames(std::int16_t& StartFrame, std::int16_t& EndFrame,
                          const std::string& /*Filename*/) {
  saveFrames(window_.Text1(), StartFrame, EndFrame);
}

void Exporter::saveFrames(const std::string& path, int startFrame, int endFrame) {
  if (refuseWhileBusy()) return;
  ScopedFlag exporting(window_.Exporting);
  std::vector<int> emptyFrames;
  const bool done = reportFailure(path, [&] {
    SpriteExport sprite(window_.channels(), window_, path);
    BitmapWriter bitmaps(window_.channels());
    if (!sprite.readHeader()) {
      sprite.close();
      window_.Picture1().SetMousePointer(pointer::kDefault);
      window_.dialogs().MsgBox("Error", style::kOkOnly, kAppTitle);
      return false;
    }
    const int count = sprite.frameCount();
    if (startFrame < 1 || endFrame > count) {
      sprite.close();
      window_.dialogs().MsgBox("Incorrect frame range! Please choose frames between 1 and " +
                                   std::to_string(count) + ".",
                               style::kExclamation, kAppTitle);
      return false;
    }
    // Records past the range are never needed; a start above the end writes nothing.
    const int last = startFrame <= endFrame ? endFrame : 0;
    for (int i = 1; i <= last; ++i) {
      window_.Yield();
      spr::FrameRecord frame = sprite.readFrame();
      if (i < startFrame) continue;
      window_.SetStatusText("Writing bitmap " + std::to_string(i) + " of " + std::to_string(count) +
                            "...");
      auto file = sprite.bitmap(frame);
      if (!file) {
        emptyFrames.push_back(i);
        continue;
      }
      bitmaps.write(image::SingleFrameName(path, i), *file);
    }
    sprite.close();
    return true;
  });
  if (done && !emptyFrames.empty())
    window_.dialogs().MsgBox(emptyFramesMessage(emptyFrames), style::kInformation, kAppTitle);
}

void Exporter::mnuFileSave_Click() {
  const std::string path = window_.Text1();
  if (path.empty() || !OrdinaryFileExists(path)) return;
  if (refuseWhileBusy()) return;
  std::string answer =
      window_.dialogs().InputBox("Enter the frame number to extract", "Save single frame", "1");
  if (IsBlank(answer)) return;
  std::optional<std::int16_t> frame = ParseFrameNumber(answer);
  if (!frame) {
    fail("\"" + answer + "\" is not a frame number.");
    return;
  }
  saveFrames(path, *frame, *frame);
}

void Exporter::mnuSaveMult_Click() {
  const std::string path = window_.Text1();
  const std::string folder = window_.Text2();
  if (path.empty() || !OrdinaryFileExists(path)) return;
  if (refuseWhileBusy()) return;
  if (folder.empty()) {
    fail("No output folder is set. Enter a folder under \"Batch Output Folder\" and try again.");
    return;
  }
  saveAll(path, folder);
}

void Exporter::saveAll(const std::string& path, const std::string& folder) {
  ScopedFlag exporting(window_.Exporting);
  const std::string base = image::BaseName(path);
  int count = 0;
  std::vector<int> emptyFrames;
  const bool done = reportFailure(path, [&] {
    SpriteExport sprite(window_.channels(), window_, path);
    BitmapWriter bitmaps(window_.channels());
    if (!sprite.readHeader()) {
      sprite.close();
      window_.dialogs().MsgBox("Error", style::kInformation, kSummaryCaption);
      return false;
    }
    count = sprite.frameCount();
    for (int i = 1; i <= count; ++i) {
      spr::FrameRecord frame = sprite.readFrame();
      auto file = sprite.bitmap(frame);
      if (file)
        bitmaps.write(image::MultipleFrameName(folder, base, i), *file);
      else
        emptyFrames.push_back(i);
    }
    sprite.close();
    return true;
  });
  if (!done) return;
  std::string summary = "Decoded " + std::to_string(count) + " images in " + base + ".spr";
  if (!emptyFrames.empty()) summary += "\n" + skippedFramesMessage(emptyFrames);
  window_.dialogs().MsgBox(summary, style::kInformation, kSummaryCaption);
}

}  // namespace glint
