#pragma once

#include <cstdint>
#include <string>

#include "ui/window_model.h"

namespace glint {

// The export commands: one chosen frame beside the sprite, or every frame into a folder.
class Exporter {
 public:
  explicit Exporter(WindowModel& window) : window_(window) {}

  void SaveFrames(std::int16_t& StartFrame, std::int16_t& EndFrame, const std::string& Filename);
  void mnuFileSave_Click();
  void mnuSaveMult_Click();

 private:
  WindowModel& window_;
};

}  // namespace glint
