#pragma once

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "export/save_frames.h"
#include "export/window_export.h"
#include "platform/dialogs.h"
#include "ui/animation_window.h"
#include "ui/layout_rules.h"
#include "viewer/frame_viewer.h"
#include "window/picture_box.h"
#include "window/window_model.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTreeWidgetItem;

namespace glint {

class FolderTree;
class PathBox;
class PictureView;
class ScrollBarControl;
class StatusPanel;
class ClientArea;
class ExportRunner;
class GalleryWindow;
struct GalleryHost;
namespace testing {
class Form1Fixture;
}

struct Form1Options {
  // The program's folder; empty means the folder of the running executable.
  std::string appPath = {};
  // The tree's root and the open dialog's first folder; unset means the game's sprite folder.
  std::optional<std::string> spriteFolder = {};
  // The boxes the window shows; null means the real ones.
  Dialogs* dialogs = nullptr;
  // Where the output folder goes when the program's folder cannot take it; unset means the
  // user's Pictures folder.
  std::optional<std::string> picturesFolder = {};
};

// The only window: every control and every piece of shared state, and the handlers of the
// user's actions. Start-up runs from the constructor, before the window is shown.
class Form1 : public QMainWindow, public WindowModel {
 public:
  explicit Form1(Form1Options options = {});
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Event handlers and procedures, under the names the features use.
  void Form_Load();
  void Form_Resize();
  void Form_Unload(int& Cancel);
  void Browse_Click();
  void mnuFileOpen_Click();
  void mnuFileSave_Click();
  void mnuSaveMult_Click();
  void mnuFileExit_Click();
  void Text1_GotFocus();
  void TreeView1_Expand(QTreeWidgetItem* Node);
  void TreeView1_DblClick();
  void FillFolderNode(const std::string& folderPath, const std::string& parentKey);
  void LoadSprite();
  void VScroll1_Change();
  void VScroll1_Scroll();
  void SaveFrames(std::int16_t& StartFrame, std::int16_t& EndFrame, const std::string& Filename);
  // The View and Export menus, on the sprite last loaded.
  void mnuAnimation_Click();
  // The gallery, on the folder of the tree's selected node (the sprite folder without one).
  void mnuGallery_Click();
  // The gallery on this folder, until a node is next selected in the tree.
  void OpenGallery(const std::string& folder);
  void mnuExportFrames_Click();
  void mnuExportSheet_Click();
  void mnuExportGif_Click();
  // The loaded sprite's palette, in the kind of file the chosen name's extension says.
  void mnuExportPalette_Click();
  // Loads a sprite file dropped on the window; false for anything else.
  bool DropFiles(const QList<QUrl>& urls);
  // Loads a file named outside the window (on the command line) as if chosen in the open
  // dialog, which then starts there.
  void OpenNamed(const std::string& path);

  // The window's outer size in twips: the central area plus kFrameWidth and kFrameHeight.
  int Width() const;
  int Height() const;
  void SetWidth(int twips);
  void SetHeight(int twips);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  friend class testing::Form1Fixture;

  // The window model, for the features; the busy flags change only through ScopedFlag.
  using WindowModel::Exporting;
  using WindowModel::Loading;
  std::string Text1() const override;
  void SetText1(const std::string& text) override;
  std::string Text2() const override;
  void SetText2(const std::string& text) override;
  int Check1() const override;
  int Check2() const override;
  PictureBox& Picture1() override { return picture1_; }
  PictureBox& Picture2() override { return picture2_; }
  ScrollBar& VScroll1() override;
  Dialogs& dialogs() override { return *dialogs_; }
  FileChannels& channels() override { return channels_; }
  double TwipsPerPixelX() const override { return tppX_; }
  double TwipsPerPixelY() const override { return tppY_; }
  std::string AppPath() const override { return appPath_; }
  const std::string& StatusText() const override { return status_.text(); }
  void SetStatusText(std::string text) override;
  void SetStatusTail(const std::string& prefix, std::string_view tail) override;
  std::optional<std::uint64_t> StatusRevision() const override { return status_.revision(); }
  // Lets pending window events run, at most about every 10 ms; the hook runs on every call.
  void Yield() override;

  // A control's Left, Top, Width and Height in twips as last set; the widgets stand at the
  // nearest whole pixels.
  TwipRect ControlRect(const std::string& name) const;
  // The file of the last load that ended without a message; empty before one.
  const std::string& lastLoaded() const { return viewer_.lastLoaded(); }

  void buildControls();
  void buildMenu();
  // Loads a name the open dialog or a drop handed over, as the file it stands for.
  void openChosen(const std::string& chosen);
  void spriteLoaded(const std::string& path);
  // The folder of the selected node: that folder, or a sprite's; the sprite folder for none.
  std::string selectedFolder() const;
  void showAnimation(const std::string& path);
  // Where exports start their dialogs: the output folder, else the sprite's folder.
  std::string exportFolder() const;
  void startExport(WindowExportJob::Kind kind, const std::string& target);
  // Asks where to save one file, offered as the sprite's name and `suffix`, then exports it.
  void exportToFile(WindowExportJob::Kind kind, const std::string& title, const std::string& suffix,
                    const std::string& filter);
  void place(QWidget* widget, const TwipRect& rect);
  void applyLayout(const Layout& layout);
  int pixelsX(double twips) const;
  int pixelsY(double twips) const;

  // The open-file dialog's properties, kept between uses.
  CommonDialog CommonDialog1;
  // Run inside every yield (never re-entered), and on the export's thread after each frame: for
  // tests that act in the middle of long work.
  std::function<void()> yieldHook;
  std::function<void(int)> exportFrameHook;

  Form1Options options_;
  double tppX_ = 15, tppY_ = 15;
  std::string appPath_;
  std::string spriteFolder_;
  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_ = nullptr;
  FileChannels channels_;
  StatusLine status_;
  ImagePictureBox picture1_;
  ImagePictureBox picture2_;

  ClientArea* client_ = nullptr;
  PathBox* text1_ = nullptr;
  QPushButton* browse_ = nullptr;
  PictureView* pictureView_ = nullptr;
  FolderTree* tree_ = nullptr;
  QCheckBox* check1_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  std::unique_ptr<ScrollBarControl> scrollControl_;
  StatusPanel* statusBar_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QCheckBox* check2_ = nullptr;

  std::map<std::string, TwipRect> rects_;
  std::int64_t eventsRanAt_ = -1;  // milliseconds on a coarse clock; -1 before the first yield
  bool inYieldHook_ = false;
  bool inResize_ = false;

  FrameViewer viewer_;
  Exporter exporter_;

  QAction* mnuAnimation_ = nullptr;
  QList<QAction*> exportItems_;
  QAction* transparent_ = nullptr;
  std::unique_ptr<AnimationHost> animationHost_;
  QPointer<AnimationWindow> animation_;
  std::unique_ptr<GalleryHost> galleryHost_;
  QPointer<GalleryWindow> gallery_;
  std::unique_ptr<ExportRunner> exports_;
};

}  // namespace glint
