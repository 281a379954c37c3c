// The whole process's peak resident memory while the real window loads, and then saves with Save
// Multiple, the sprites that ask the most of it: frames of the largest size, and a sheet that
// widens when it is nearly full. It reads the process's own peak, so it stands alone.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "cli/cli_support.h"
#include "platform/dialogs_scripted.h"
#include "spr/sprite.h"
#include "ui/form1.h"

namespace glint {
namespace {

using testing::SpriteBuilder;

TEST(PeakMemory, LoadAndSaveMultipleOfTheHeaviestSprites) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer's own memory would be counted";
#endif
  // Frames of no stored bytes at the most pixels a frame may have, more than the sheet holds.
  SpriteBuilder largest;
  for (int k = 0; k < 10; ++k) largest.rawFrame(2890, 2891, {});
  testing::TempDir app, sprites, out;
  ScriptedDialogs dialogs;
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};
  form.show();
  // The largest frames as wide as the preview, until the sheet is as large as it may be and still
  // be widened, then a frame a little wider: the sheet is copied at its largest.
  const int wide = form.preview().pixelWidth();
  SpriteBuilder widening;
  for (int k = 0; k < 3; ++k)
    widening.rawFrame(wide, static_cast<int>(spr::kMaxFramePixels / wide), {});
  widening.rawFrame(wide + 2, 2, {});
  form.SetText2(out.path());
  for (const auto& [name, sprite] :
       {std::pair{"largest.spr", &largest}, {"widening.spr", &widening}}) {
    form.SetText1(sprite->write(sprites.file(name)));
    form.LoadSprite();
    EXPECT_EQ(form.StatusText().rfind("Decoded ", 0), 0u) << name;
    form.mnuSaveMult_Click();
    EXPECT_EQ(dialogs.messages.size(), 1u) << name;  // the summary
    dialogs.messages.clear();
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
  EXPECT_LT(usage.ru_maxrss, 512 * 1024);
}

}  // namespace
}  // namespace glint
