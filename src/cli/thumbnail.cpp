#include "cli/thumbnail.h"

#include <filesystem>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/failure.h"
#include "cli/palette.h"
#include "cli/sprite_input.h"
#include "image/thumbnail.h"
#include "path/path.h"
#include "platform/output_file.h"

namespace glint::cli {

void WriteThumbnail(const ThumbnailOptions& options,
                    const std::function<void(const std::string&)>& tell) {
  const std::string& path = options.sprite;
  std::error_code ec;
  if (std::filesystem::equivalent(path::FsPath(path), path::FsPath(options.output), ec))
    throw Failure(options.output, "the output would replace the sprite itself");
  SpriteFile sprite(path);
  const spr::Palette palette = PaletteShown(options.palette, sprite.palette(), tell);
  // Nothing past the chosen frame is read. Only that frame is expanded: the frames before it are
  // checked and looked through as stored, as a sprite may hold hundreds of large frames that show
  // nothing.
  image::ThumbnailChoice choice;
  for (int k = 1; k <= sprite.frameCount() && !choice.settled(); ++k)
    choice.consider(sprite.reader().readFrame());
  const std::optional<spr::FrameRecord> chosen = choice.take();
  if (!chosen) throw Failure(path, "no frames to show");
  const std::optional<spr::IndexedImage> shown = spr::DecodeFrameData(*chosen);
  OutputFile file(options.output, WithPaletteInput({}, options.palette));
  file.write(image::RgbaPng(
      image::ScaleToThumbnail(shown->width, shown->height, shown->pixels, palette, options.size)));
  file.commit();
}

ExitStatus RunCommand(const ThumbnailOptions& options, Console& console) {
  const std::string& path = options.sprite;
  return Run([&] { WriteThumbnail(options, [&](const std::string& n) { console.err(n); }); }, path,
             options.output, [&](const std::string& lines) { console.err(lines); });
}

}  // namespace glint::cli
