#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "platform/dialogs_scripted.h"
#include "support/sprite_builder.h"

namespace glint {
namespace {

using testing::TempDir;

TEST(Form1Smoke, StartsWithTheDesignState) {
  TempDir app, sprites;
  ScriptedDialogs dialogs;
  Form1 form({.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs});
  form.show();
  EXPECT_EQ(form.windowTitle().toStdString(), "Valkarin Glintscope Pro");
  EXPECT_EQ(form.Text1(), "");
  EXPECT_EQ(form.Text2(), app.path() + "/Output");
  EXPECT_EQ(form.Check1(), 1);
  EXPECT_EQ(form.Check2(), 1);
  EXPECT_FALSE(form.VScroll1().Enabled());
  EXPECT_EQ(form.VScroll1().Max(), 0);
  EXPECT_EQ(form.TwipsPerPixelY(), 15);
}

}  // namespace
}  // namespace glint
