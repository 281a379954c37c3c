// Every handler of the real window, one after the other, again and again from inside the yields
// of a running load and of a running export: nothing crashes, closing is refused, no channel is
// left open, the running command finishes as if left alone, every file written is whole, and
// once the window is gone no drawing handle is left.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QScrollBar>
#include <functional>
#include <map>

#include "platform/gdi_qt.h"
#include "support/form1_fixture.h"

namespace glint {
namespace {

using testing::Bytes;

constexpr int kFrames = 6, kW = 20, kH = 30;

// Frame k is solid index k, with literals only, so the decoder yields inside every frame. The
// other sprites have a palette of their own, so that colours taken from them would show.
std::string writeSprite(const std::string& path, int frames, bool ownPalette = true) {
  auto palette = testing::DistinctPalette();
  if (ownPalette) std::reverse(palette.begin(), palette.end());
  testing::SpriteBuilder sprite;
  sprite.palette(palette);
  for (int k = 1; k <= frames; ++k) sprite.solidFrame(kW, kH, static_cast<std::uint8_t>(k));
  return sprite.write(path);
}

struct Window : testing::Form1Fixture {
  testing::TempDir out, otherOut;
  std::string a = writeSprite(sprites.file("a.spr"), kFrames, false);
  std::string b = writeSprite(sprites.file("b.spr"), 2);
  std::string c = (make("sub/"), writeSprite(sprites.file("sub/c.spr"), 1));

  Window() : Form1Fixture(false) {
    reopen();                                                  // with the sprites in the tree
    form->findChild<QCheckBox*>("Check2")->setChecked(false);  // frames alone on the sheet
    form->SetText2(out.path());
  }
  void menu(const char* item) { form->findChild<QAction*>(item)->trigger(); }
};

// Every handler, given the round it is in; the two exports first. The dialogs answer with the
// other sprite and frame 1.
const std::vector<std::function<void(Window&, int)>> kHandlers = {
    [](Window& w, int) { w.menu("mnuFileSave"); },
    [](Window& w, int) { w.menu("mnuSaveMult"); },
    [](Window& w, int) {
      w.form->TreeView1().setCurrentItem(w.form->TreeView1().Node(w.b));
      w.form->TreeView1_DblClick();
    },
    [](Window& w, int) { w.form->Browse_Click(); },
    [](Window& w, int) { w.menu("mnuFileOpen"); },
    [](Window& w, int) { w.form->LoadSprite(); },
    [](Window& w, int n) { w.form->TreeView1().Node(w.sprites.file("sub/"))->setExpanded(n % 2); },
    [](Window& w, int n) {
      w.form->VScroll1Bar().setValue(n % 50);
      w.form->VScroll1_Scroll();
    },
    [](Window& w, int n) {
      w.form->SetWidth(n % 2 ? 14000 : 5000);  // the second is below the minimum
      w.form->SetHeight(n % 3 ? 9000 : 7000);
    },
    [](Window& w, int) { EXPECT_FALSE(w.form->close()); },
    [](Window& w, int) { w.menu("mnuFileExit"); },
    [](Window& w, int n) {
      w.form->SetText1(n % 2 ? w.b : w.c);
      w.form->SetText2(w.otherOut.path());
    },
};

// Starts a load or an export of a.spr, with every handler run during its yields when asked to.
void run(Window& w, const char* command, bool meddle) {
  std::size_t calls = 0, fired = 0;
  w.form->yieldHook = [&] {
    if (!meddle || ++calls % 2 != 0) return;
    EXPECT_TRUE(w.form->Loading || w.form->Exporting);
    const std::size_t k = fired++ % kHandlers.size();
    w.dialogs.openAnswers = {w.b};
    w.dialogs.inputAnswers = {"1"};
    kHandlers[k](w, static_cast<int>(fired / kHandlers.size()));
    if (k < 2) {  // an export is refused while another command runs
      ASSERT_EQ(w.dialogs.messages.size(), 1u);
      EXPECT_EQ(w.dialogs.messages[0].prompt,
                "Another file is being read. Please try again when it is done.");
      w.dialogs.messages.clear();
    }
    EXPECT_TRUE(w.dialogs.messages.empty() && w.form->isVisible());
  };
  w.form->SetText1(w.a);
  w.dialogs.inputAnswers = {"4"};
  command == std::string("load") ? w.form->LoadSprite() : w.menu(command);
  w.form->yieldHook = nullptr;
  EXPECT_GE(fired, meddle ? 2 * kHandlers.size() : 0);
}

TEST(Reentry, EveryHandlerDuringALoadAndAnExport) {
  const int handles = gdi::LiveHandleCount();
  std::map<std::string, Bytes> exported, none;
  {
    Window alone;
    run(alone, "mnuSaveMult", false);
    exported = testing::Tree(alone.out.path());
  }
  ASSERT_EQ(exported.size(), std::size_t{kFrames});
  EXPECT_EQ(gdi::LiveHandleCount(), handles);

  for (const std::string name : {"load", "mnuSaveMult", "mnuFileSave"}) {
    SCOPED_TRACE(name);
    Window w;
    run(w, name.c_str(), true);
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_EQ(w.form->channels().openCount(), 0);
    EXPECT_FALSE(w.form->Loading || w.form->Exporting);
    EXPECT_EQ(w.form->Picture1().MousePointer(), pointer::kDefault);
    EXPECT_NE(w.form->TreeView1().Node(w.c), nullptr);  // the folder was expanded meanwhile

    EXPECT_EQ(w.dialogs.messages.size(), name == "mnuSaveMult" ? 1u : 0u);
    EXPECT_EQ(testing::Tree(w.out.path()), name == "mnuSaveMult" ? exported : none);
    if (name == "mnuFileSave") {
      EXPECT_EQ(testing::ReadFile(w.a + ".4.bmp"), exported.at("a_04.bmp"));
    }
    if (name == "load") {  // every frame drawn whole in its own colour, none over another
      EXPECT_EQ(w.form->StatusText(), "Decoded 6 pictures in " + w.a);
      std::map<QRgb, int> counts;
      const QImage& sheet = *gdi::SelectedImage(w.form->sheet().hDC());
      for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x) ++counts[sheet.pixel(x, y)];
      const auto p = testing::DistinctPalette();
      for (int k = 1; k <= kFrames; ++k)
        EXPECT_EQ(counts[qRgb(p[4 * k], p[4 * k + 1], p[4 * k + 2])], kW * kH) << "frame " << k;
    }
    // Nothing went where the texts pointed meanwhile, and nothing half-written stays anywhere.
    EXPECT_TRUE(testing::Tree(w.otherOut.path()).empty());
    for (const std::string& file : testing::Names(w.sprites.path())) EXPECT_NE(file[0], '.');
    w.menu("mnuFileExit");  // the close guard lets go
    EXPECT_FALSE(w.form->isVisible());
  }
  EXPECT_EQ(gdi::LiveHandleCount(), handles);
}

}  // namespace
}  // namespace glint
