#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "window/window_model.h"

namespace glint {

// The export commands: one chosen frame beside the sprite, or every frame into a folder. Each
// takes the path box's and the output folder box's texts once, when it starts, reads the sprite
// afresh on channel 1 and writes each BMP whole on channel 2.
class Exporter {
 public:
  explicit Exporter(WindowModel& window) : window_(window) {}

  // Writes frames StartFrame..EndFrame of the sprite named in the path box as
  // "<path>.<n>.bmp". `Filename` is accepted and not used.
  void SaveFrames(std::int16_t& StartFrame, std::int16_t& EndFrame, const std::string& Filename);
  // File > Save Single: asks for a frame number and saves that frame.
  void mnuFileSave_Click();
  // File > Save Multiple: every frame into the output folder, then a summary.
  void mnuSaveMult_Click();

  // Frames startFrame..endFrame of the sprite at `path`, each beside it.
  void saveFrames(const std::string& path, int startFrame, int endFrame);
  // Every frame of the sprite at `path` into `folder`, then a summary.
  void saveAll(const std::string& path, const std::string& folder);

  // A load or another export runs: says so and returns true.
  bool refuseWhileBusy();

 private:
  void fail(const std::string& message);
  // Runs an export of `path`, showing its failure as a message: whether it ran to its end.
  bool reportFailure(const std::string& path, const std::function<bool()>& work);

  WindowModel& window_;
};

}  // namespace glint
