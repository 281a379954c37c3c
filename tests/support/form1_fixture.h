#pragma once

// A real Form1 on a throw-away program folder and sprite folder, with scripted dialogs. The
// window's state is its own; tests reach it through the few doors below.

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QAction>

#include "platform/dialogs_scripted.h"
#include "support/sprite_builder.h"
#include "ui/folder_tree.h"
#include "ui/form1.h"
#include "ui/gallery_window.h"

namespace glint::testing {

class Form1Fixture {
 public:
  explicit Form1Fixture(bool show = true) { reopen(show); }

  void reopen(bool show = true) {
    form.reset();
    form = std::make_unique<Form1>(Form1Options{.appPath = app.path(),
                                                .spriteFolder = sprites.path(),
                                                .dialogs = &dialogs,
                                                .picturesFolder = pictures.path()});
    if (show) form->show();
  }

  // Makes a folder (a name ending in a separator) or a small file, below the sprite folder.
  void make(const std::string& relative) {
    std::filesystem::create_directories(
        std::filesystem::path(sprites.file(relative)).parent_path());
    if (relative.back() != '/') std::ofstream(sprites.file(relative)) << "x";
  }
  std::string sprite(const std::string& relative, int frames = 3) {
    SpriteBuilder builder;
    for (int i = 0; i < frames; ++i) builder.patternFrame(20, 30, static_cast<std::uint32_t>(i));
    return builder.write(sprites.file(relative));
  }
  QAction* action(const char* name) { return form->findChild<QAction*>(name); }
  // Types the path into the path box and loads it.
  void load(const std::string& path) {
    model().SetText1(path);
    form->LoadSprite();
  }
  // The prompts of the message boxes shown since the last look.
  std::vector<std::string> said() {
    std::vector<std::string> prompts;
    for (const auto& m : std::exchange(dialogs.messages, {})) prompts.push_back(m.prompt);
    return prompts;
  }

  // The window as the features see it.
  WindowModel& model() { return *form; }
  FolderTree& tree() { return *form->tree_; }
  QTreeWidgetItem* node(const std::string& key) { return tree().Node(key); }
  QScrollBar& scrollBar() { return *form->scroll_; }
  ImagePictureBox& preview() { return form->picture1_; }
  ImagePictureBox& sheet() { return form->picture2_; }
  TwipRect rect(const std::string& control) { return form->ControlRect(control); }
  // Null while the animation window is closed.
  AnimationWindow* animationWindow() { return form->animation_; }
  GalleryWindow* gallery() { return form->gallery_; }
  const std::string& lastLoaded() { return form->lastLoaded(); }
  bool busy() { return form->Loading || form->Exporting; }
  // Hooks into long work: inside every yield, and after each frame on the export's thread.
  void onYield(std::function<void()> hook) { form->yieldHook = std::move(hook); }
  void onExportFrame(std::function<void(int)> hook) { form->exportFrameHook = std::move(hook); }

  TempDir app, sprites, pictures;
  ScriptedDialogs dialogs;
  std::unique_ptr<Form1> form;
};

}  // namespace glint::testing
