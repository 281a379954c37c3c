// Every handler of the real window, run again and again from inside the yields of a running load
// and of a running export: nothing crashes, closing is refused, no channel is left open, the
// running command finishes as if left alone, and every file written is whole.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QScrollBar>
#include <functional>
#include <map>

#include "export/frame_bmp.h"
#include "platform/dialogs_scripted.h"
#include "platform/gdi_qt.h"
#include "robustness_support.h"
#include "spr/frame_codec.h"
#include "ui/folder_tree.h"
#include "ui/form1.h"

namespace glint {
namespace {

using testing::Bytes;

constexpr int kFrames = 6;
constexpr int kW = 20, kH = 30;
const std::string kBusy = "Another file is being read. Please try again when it is done.";

gdi::COLORREF colourOf(int index) {
  static const auto palette = testing::DistinctPalette();
  return gdi::RGB(palette[4 * index], palette[4 * index + 1], palette[4 * index + 2]);
}

// Frame k is solid index k, with literals only, so the decoder yields inside every frame.
std::string writeSprite(const std::string& path, int frames) {
  testing::SpriteBuilder sprite;
  for (int k = 1; k <= frames; ++k)
    sprite.frame(kW, kH, Bytes(kW * kH, static_cast<std::uint8_t>(k)));
  return sprite.write(path);
}

// The BMP files of the sprite as a reader with no window makes them, frame by frame.
std::vector<Bytes> expectedBitmaps(const std::string& path) {
  MemorySource source(testing::ReadFile(path));
  spr::SprReader reader(source);
  const spr::Bytes table = spr::ConvertPalette(reader.readPalette());
  reader.readSignature();
  std::vector<Bytes> files;
  NoWindow window;
  for (int k = reader.readFrameCount(); k > 0; --k)
    files.push_back(*bmp::FrameFile(reader.readFrame(), table, window));
  return files;
}

struct Window {
  testing::TempDir app, sprites, out, otherOut;
  ScriptedDialogs dialogs;
  std::string a = writeSprite(sprites.file("a.spr"), kFrames);
  std::string b = writeSprite(sprites.file("b.spr"), 2);
  std::string c = (std::filesystem::create_directory(sprites.file("sub")),
                   writeSprite(sprites.file("sub/c.spr"), 1));
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};

  Window() {
    form.findChild<QCheckBox*>("Check2")->setChecked(false);  // frames alone on the sheet
    form.SetText2(out.path());
    form.show();
  }
  void menu(const char* item) { form.findChild<QAction*>(item)->trigger(); }
  std::string folderKey(const std::string& name) const { return sprites.file(name) + "/"; }
};

struct Action {
  const char* name;
  std::function<void(Window&, int)> run;  // the int counts the calls
  bool isExport = false;                  // refused with the busy message
};

std::vector<Action> Actions() {
  return {
      {"double-click another sprite",
       [](Window& w, int) {
         w.form.TreeView1().setCurrentItem(w.form.TreeView1().Node(w.b));
         w.form.TreeView1_DblClick();
       }},
      {"Browse",
       [](Window& w, int) {
         w.dialogs.openAnswers = {w.b};
         w.form.Browse_Click();
       }},
      {"File > Open",
       [](Window& w, int) {
         w.dialogs.openAnswers = {w.b};
         w.menu("mnuFileOpen");
       }},
      {"load the path box", [](Window& w, int) { w.form.LoadSprite(); }},
      {"File > Save Single",
       [](Window& w, int) {
         w.dialogs.inputAnswers = {"1"};
         w.menu("mnuFileSave");
       },
       true},
      {"File > Save Multiple", [](Window& w, int) { w.menu("mnuSaveMult"); }, true},
      {"expand a folder",
       [](Window& w, int n) {
         QTreeWidgetItem* sub = w.form.TreeView1().Node(w.folderKey("sub"));
         sub->setExpanded(n % 2 == 1);
       }},
      {"scroll",
       [](Window& w, int n) {
         w.form.VScroll1Bar().setValue(n % 50);
         w.form.VScroll1_Scroll();
       }},
      {"resize",
       [](Window& w, int n) {
         w.form.SetWidth(n % 2 ? 14000 : 5000);  // the second is below the minimum
         w.form.SetHeight(n % 3 ? 9000 : 7000);
       }},
      {"close", [](Window& w, int) { EXPECT_FALSE(w.form.close()); }},
      {"File > Exit", [](Window& w, int) { w.menu("mnuFileExit"); }},
      {"edit the boxes",
       [](Window& w, int n) {
         w.form.SetText1(n % 2 ? w.b : "");
         w.form.SetText2(w.otherOut.path());
       }},
  };
}

enum class Work { Load, SaveMultiple, SaveSingle };

// Each colour's pixels on the sheet: every frame drawn whole, none over another.
std::map<gdi::COLORREF, int> sheetColours(Window& w) {
  std::map<gdi::COLORREF, int> counts;
  const QImage& image = *gdi::SelectedImage(w.form.sheet().hDC());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) & 0xFFFFFF];
  return counts;
}

// Byte order of QImage pixels is 0xRRGGBB; the colour values are red + 256 x green + ...
QRgb rgbOf(gdi::COLORREF c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF) & 0xFFFFFF; }

void runDuring(Work work, const Action& action) {
  Window w;
  int calls = 0, fired = 0;
  w.form.yieldHook = [&] {
    if (++calls % 5 != 0) return;
    EXPECT_TRUE(w.form.Loading || w.form.Exporting);
    action.run(w, ++fired);
    EXPECT_TRUE(w.form.isVisible());
  };
  w.form.SetText1(w.a);
  switch (work) {
    case Work::Load:
      w.form.LoadSprite();
      break;
    case Work::SaveMultiple:
      w.menu("mnuSaveMult");
      break;
    case Work::SaveSingle:
      w.dialogs.inputAnswers = {"4"};
      w.menu("mnuFileSave");
      break;
  }
  w.form.yieldHook = nullptr;
  ASSERT_GT(fired, 2);

  EXPECT_TRUE(w.form.isVisible());
  EXPECT_EQ(w.form.channels().openCount(), 0);
  EXPECT_FALSE(w.form.Loading);
  EXPECT_FALSE(w.form.Exporting);
  EXPECT_EQ(w.form.Picture1().MousePointer(), pointer::kDefault);

  // The boxes shown: the busy message for each export started meanwhile, and the summary.
  std::vector<std::string> expected(action.isExport ? static_cast<std::size_t>(fired) : 0, kBusy);
  if (work == Work::SaveMultiple) expected.push_back("Decoded 6 images in a.spr");
  std::vector<std::string> shown;
  for (const auto& m : w.dialogs.messages) shown.push_back(m.prompt);
  EXPECT_EQ(shown, expected);

  const std::vector<Bytes> bitmaps = expectedBitmaps(w.a);
  if (work == Work::Load) {
    EXPECT_EQ(w.form.StatusText(), "Decoded 6 pictures in " + w.a);
    const auto colours = sheetColours(w);
    for (int k = 1; k <= kFrames; ++k)
      EXPECT_EQ(colours.count(rgbOf(colourOf(k))) ? colours.at(rgbOf(colourOf(k))) : 0, kW * kH)
          << "frame " << k;
  } else if (work == Work::SaveMultiple) {
    EXPECT_EQ(testing::ExpectOnlyWholeBmps(w.out.path()), kFrames);
    for (int k = 1; k <= kFrames; ++k)
      EXPECT_EQ(testing::ReadFile(w.out.file("a_0" + std::to_string(k) + ".bmp")),
                bitmaps[static_cast<std::size_t>(k - 1)]);
  } else {
    EXPECT_EQ(testing::ReadFile(w.a + ".4.bmp"), bitmaps[3]);
  }
  // Nothing went where the texts pointed meanwhile, and nothing half-written stays anywhere.
  EXPECT_TRUE(testing::Entries(w.otherOut.path()).empty());
  for (const std::string& name : testing::Entries(w.sprites.path())) EXPECT_NE(name[0], '.');
  if (work != Work::SaveMultiple) {
    EXPECT_TRUE(testing::Entries(w.out.path()).empty());
  }

  if (std::string(action.name) == "expand a folder") {
    EXPECT_NE(w.form.TreeView1().Node(w.c), nullptr);
  }

  // The window works on: a load, then Exit closes it.
  w.form.SetText1(w.b);
  w.form.LoadSprite();
  EXPECT_EQ(w.form.StatusText(), "Decoded 2 pictures in " + w.b);
  w.menu("mnuFileExit");
  EXPECT_FALSE(w.form.isVisible());
}

TEST(Reentry, EveryHandlerDuringALoad) {
  for (const Action& action : Actions()) {
    SCOPED_TRACE(action.name);
    runDuring(Work::Load, action);
  }
}

TEST(Reentry, EveryHandlerDuringSaveMultiple) {
  for (const Action& action : Actions()) {
    SCOPED_TRACE(action.name);
    runDuring(Work::SaveMultiple, action);
  }
}

TEST(Reentry, EveryHandlerDuringSaveSingle) {
  for (const Action& action : Actions()) {
    SCOPED_TRACE(action.name);
    runDuring(Work::SaveSingle, action);
  }
}

}  // namespace
}  // namespace glint
