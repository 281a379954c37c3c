#include "cli/info.h"

#include <cstdio>

#include "cli/console.h"
#include "cli/failure.h"
#include "cli/sprite_input.h"

namespace glint::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else if (c >= 0x80) {
      std::size_t length = Utf8Length(text.substr(i));
      if (length == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
        continue;
      }
      out.append(text.substr(i, length));
      i += length;
      continue;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  return out + "\"";
}

SpriteInfo ReadSpriteInfo(const std::string& path) {
  SpriteInfo info;
  info.file = path;
  try {
    SpriteFile sprite(path);
    info.frames = sprite.frameCount();
    for (int k = 1; k <= sprite.frameCount(); ++k) {
      const spr::FrameRecord frame = sprite.reader().readFrame();
      info.sizes.push_back({frame.width, frame.height, frame.storedLength});
      spr::CheckFrameData(frame);  // the faults of the stored bytes, found without expanding
    }
  } catch (const Failure& failure) {
    info.error = failure.reason();
  } catch (const spr::Fault& fault) {
    info.error = FaultReason(fault);
  }
  return info;
}

std::string InfoText(const SpriteInfo& info) {
  if (!info.frames) return {};  // not a sprite file: the error says why
  std::string text = QuotedName(info.file) + ": " + std::to_string(*info.frames) +
                     (*info.frames == 1 ? " frame\n" : " frames\n");
  for (std::size_t k = 0; k < info.sizes.size(); ++k) {
    const FrameInfo& f = info.sizes[k];
    text += "  frame " + std::to_string(k + 1) + ": " + std::to_string(f.width) + " x " +
            std::to_string(f.height) + ", " + std::to_string(f.storedLength) + " bytes stored\n";
  }
  return text;
}

std::string InfoJson(const SpriteInfo& info) {
  std::string sizes, stored;
  for (const FrameInfo& f : info.sizes) {
    if (!sizes.empty()) sizes += ",", stored += ",";
    sizes += "[" + std::to_string(f.width) + "," + std::to_string(f.height) + "]";
    stored += std::to_string(f.storedLength);
  }
  std::string json = "{\"file\":" + JsonString(info.file) +
                     ",\"frames\":" + (info.frames ? std::to_string(*info.frames) : "null") +
                     ",\"sizes\":[" + sizes + "],\"stored\":[" + stored + "]";
  if (!info.error.empty()) json += ",\"error\":" + JsonString(info.error);
  return json + "}\n";
}

}  // namespace glint::cli
