#pragma once

// A real Form1 on a throw-away program folder and sprite folder, with scripted dialogs.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QAction>

#include "platform/dialogs_scripted.h"
#include "support/sprite_builder.h"
#include "ui/folder_tree.h"
#include "ui/form1.h"

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
  QTreeWidgetItem* node(const std::string& key) { return form->TreeView1().Node(key); }
  QAction* action(const char* name) { return form->findChild<QAction*>(name); }
  // Types the path into the path box and loads it.
  void load(const std::string& path) {
    form->SetText1(path);
    form->LoadSprite();
  }
  // The prompts of the message boxes shown since the last look.
  std::vector<std::string> said() {
    std::vector<std::string> prompts;
    for (const auto& m : std::exchange(dialogs.messages, {})) prompts.push_back(m.prompt);
    return prompts;
  }

  TempDir app, sprites, pictures;
  ScriptedDialogs dialogs;
  std::unique_ptr<Form1> form;
};

}  // namespace glint::testing
