#include "export/save_frames.h"

namespace glint {

void Exporter::SaveFrames(std::int16_t&, std::int16_t&, const std::string&) {}
void Exporter::mnuFileSave_Click() {}
void Exporter::mnuSaveMult_Click() {}

}  // namespace glint
