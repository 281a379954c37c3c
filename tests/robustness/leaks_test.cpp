// What a load and an export cycle leave behind once the window is gone: no drawing handle (the
// sanitizer build checks the memory itself at exit).
#include <gtest/gtest.h>

#include "platform/dialogs_scripted.h"
#include "platform/gdi.h"
#include "robustness_support.h"
#include "ui/form1.h"

namespace glint {
namespace {

TEST(Leaks, HandlesReturnToTheirStartAfterALoadAndExportCycle) {
  const int before = gdi::LiveHandleCount();
  {
    testing::TempDir app, sprites;
    ScriptedDialogs dialogs;
    testing::SpriteBuilder sprite;
    for (int k = 0; k < 5; ++k) sprite.patternFrame(40 + k, 30, static_cast<std::uint32_t>(k));
    sprite.rawFrame(4, 1, {5, 0});  // and a failure at the end
    const std::string path = sprite.write(sprites.file("a.spr"));
    {
      Form1 form({.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs});
      form.show();
      EXPECT_GT(gdi::LiveHandleCount(), before);  // the picture boxes hold theirs
      form.SetText1(path);
      for (int round = 0; round < 2; ++round) {
        form.LoadSprite();
        dialogs.inputAnswers = {"6"};
        form.mnuFileSave_Click();
        form.mnuSaveMult_Click();
      }
      EXPECT_EQ(dialogs.messages.size(), 6u);  // the failures, each said once
      EXPECT_EQ(form.channels().openCount(), 0);
    }
  }
  EXPECT_EQ(gdi::LiveHandleCount(), before);
}

}  // namespace
}  // namespace glint
