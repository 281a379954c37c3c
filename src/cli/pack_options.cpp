#include "cli/pack_options.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

namespace glint::cli {

CommandLineEntry AddPackCommand(CLI::App& app) {
  auto options = std::make_shared<PackOptions>();
  CLI::App* pack = app.add_subcommand(
      "pack",
      "Write a sprite file with one frame per image (PNG or 8-bit BMP), in the order given.");
  pack->footer(
      "A folder stands for the frames the export wrote into it (NAME_k.png or NAME_k.bmp, one\n"
      "NAME), in the order of k as a number: safer than a shell pattern, which puts NAME_100\n"
      "before NAME_11. Frames without pixels cannot be packed: the export writes no file for "
      "them.\n"
      "Images may be PNG in any form (palette, grey, RGB, with alpha, 16 bits) or 8-bit BMP. A\n"
      "palette image whose palette is the sprite's keeps its indices; any other pixel takes the\n"
      "palette entry of exactly its colour, the lowest index when several hold it. A colour the\n"
      "palette lacks, or a partly transparent pixel, is an error naming the image and the pixel\n"
      "(x, y from 0 at the top left).\n\n" +
      app.get_footer());
  pack->add_option("inputs", options->inputs, "Images, and folders of exported frames")
      ->required()
      ->type_name("IMAGE|FOLDER");
  pack->add_option("-o,--output", options->output, "Sprite file to write")
      ->required()
      ->type_name("OUT.spr");
  pack->add_option("--palette", options->palette,
                   "Palette from a sprite file, a palette PNG or an 8-bit BMP (default: the first "
                   "palette image's)")
      ->type_name("FILE");
  pack->add_flag("--transparent", options->transparent,
                 "Fully transparent pixels become index 0, opaque ones never do");
  return {pack, [options] { return Ready(*options); }};
}

CommandLineEntry AddReplaceCommand(CLI::App& app) {
  auto options = std::make_shared<ReplaceOptions>();
  CLI::App* replace =
      app.add_subcommand("replace", "Replace one frame of a sprite file by an image.");
  replace->footer(
      "The image's colours are matched to the sprite's palette as pack matches them. Every other\n"
      "byte of the file stays as it was. Without -o the sprite itself is replaced, whole, keeping\n"
      "its owner, group and permissions. A sprite this user may not write, one with more than one\n"
      "name (hard links), or one whose owner or group this user cannot keep is refused, in place\n"
      "or named by -o.\n\n" +
      app.get_footer());
  // One value each: a list would take the image too, when --frame stands between them.
  replace
      ->add_option_function<std::string>(
          "sprite", [options](const std::string& sprite) { options->sprite = sprite; },
          "Sprite file")
      ->required()
      ->type_name("SPRITE");
  replace->add_option("image", options->image, "The new frame: a PNG or an 8-bit BMP")
      ->required()
      ->type_name("IMAGE");
  replace->add_option("--frame", options->frame, "The frame to replace, from 1")
      ->required()
      ->type_name("N");
  replace->add_option("-o,--output", options->output, "Sprite file to write instead")
      ->type_name("OUT.spr");
  replace->add_flag("--transparent", options->transparent,
                    "Fully transparent pixels become index 0, opaque ones never do");
  return {replace, [options] { return Ready(*options); }};
}

}  // namespace glint::cli
