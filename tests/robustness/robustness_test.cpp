// Every writer (the converter's commands and the window's exports) against what may not be
// replaced at an output's name; the converter's folder walk against depth and entries it cannot
// read; a tiny file that claims the most pixels, and exports on a disk that fills up. Every
// handler of the real window, again and again from inside the yields of a running load and of a
// running export: nothing crashes, the running command finishes as if left alone.
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QScrollBar>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "cli/cli_support.h"
#include "export/save_frames.h"
#include "platform/atomic_file.h"
#include "platform/file_status.h"
#include "platform/gdi_qt.h"
#include "support/fake_window.h"
#include "support/form1_fixture.h"

namespace glint::testing {
namespace {

namespace fs = std::filesystem;

// Owner, group, mode, names, file, device and size of what stands at a path (all zeros: nothing):
// all that a thing left alone keeps, so that it can be told from one replaced.
auto Metadata(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return std::tuple(st.st_uid, st.st_gid, st.st_mode, st.st_nlink, st.st_ino, st.st_rdev,
                    st.st_size);
}

// The window's box since the last look.
std::string Shown(FakeWindow& window) {
  const auto shown = std::exchange(window.scripted().messages, {});
  return shown.empty() ? "" : shown.back().prompt;
}

TEST(HostileOutputs, NoWriterReplacesADeviceAFifoASocketALoopOrAnInput) {
  TempDir dir;
  const std::string sprite = SpriteBuilder().patternFrame(4, 4, 1).write(dir.file("s.spr"));
  const Bytes bytes = ReadFile(sprite);
  const std::string out = dir.file("out");
  FakeWindow window;
  fs::create_directory(window.text2 = out);
  window.text1 = sprite;
  Exporter exporter(window);
  // Each writer by the name it writes: the converter's commands, or the window's.
  const std::vector<std::pair<std::string, std::vector<std::string>>> writers = {
      {out + "/x.png", {"sheet", sprite, "-o", out + "/x.png"}},
      {out + "/x.gif", {"gif", sprite, "-o", out + "/x.gif"}},
      {out + "/s_01.bmp", {"export", sprite, "-o", out}},
      {sprite + ".1.bmp", {"Save Single"}},
      {out + "/s_01.bmp", {"Save Multiple"}}};
  auto run = [&](const std::vector<std::string>& args) {
    if (args.size() > 1) return Sprconv(args).err;
    window.scripted().inputAnswers = {"1"};
    args[0] == "Save Single" ? exporter.mnuFileSave_Click() : exporter.mnuSaveMult_Click();
    return Shown(window);
  };
  auto node = [](mode_t t) {
    return [t](const char* p) { return ::mknod(p, t | 0600, ::makedev(1, 3)); };
  };
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  const std::string pipeEnd = "/proc/self/fd/" + std::to_string(pipe[1]);
  const std::pair<const char*, std::function<int(const char*)>> things[] = {
      {"a folder has that name", [](const char* p) { return ::mkdir(p, 0700); }},
      {"a FIFO has that name", node(S_IFIFO)},
      {"a socket has that name", node(S_IFSOCK)},
      {"a device has that name", node(S_IFCHR)},  // made only as root, else left out
      {"a symbolic link that loops has that name",
       [](const char* p) { return ::symlink(fs::path(p).filename().c_str(), p); }},
      {"it is one of the files being read",
       [&](const char* p) { return ::symlink(sprite.c_str(), p); }},
      // As /dev/stdout is when it is a pipe.
      {"it is not an ordinary file", [&](const char* p) { return ::symlink(pipeEnd.c_str(), p); }},
  };
  for (const auto& [reason, make] : things)
    for (const auto& [target, args] : writers) {
      if (make(target.c_str()) != 0) continue;
      SCOPED_TRACE(args[0] + ": " + reason);
      const auto before = Metadata(target);
      EXPECT_NE(run(args).find(reason), std::string::npos);
      EXPECT_EQ(Metadata(target), before);
      EXPECT_EQ(ReadFile(sprite), bytes);
      fs::remove_all(target);
    }
  EXPECT_EQ(Names(out), std::vector<std::string>{});
  EXPECT_EQ(window.channels().openCount(), 0);
  ::close(pipe[0]);
  ::close(pipe[1]);
}

constexpr uid_t kNobody = 65534;

// A sprite written over, in place or by -o, is written as writing into it would be: by whom may,
// to the same owner, group and mode, and never split from its other names.
TEST(HostileOutputs, ASpriteWrittenOverKeepsItsOwnerOrIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as two users";
  ASSERT_EQ(::setgroups(0, nullptr), 0);  // nobody is in nobody's group alone
  TempDir dir;
  ::chmod(dir.path().c_str(), 0777);
  const std::string source = SpriteBuilder().patternFrame(4, 4, 1).write(dir.file("source.spr"));
  ASSERT_EQ(Sprconv({"export", source, "-o", dir.path(), "--format", "png"}).status, 0);
  const std::string image = dir.file("source_01.png"), links = "it has 2 names (hard links)";
  // Packed, replaced or given a palette in place; with a second name; run by nobody; the sprite's
  // owner, group and mode; the refusal, or none: written anew, keeping owner, group and mode.
  const std::tuple<bool, bool, bool, uid_t, gid_t, mode_t, std::string> cases[] = {
      {false, false, true, kNobody, kNobody, 0444, "it is read-only"},
      {false, false, false, kNobody, kNobody, 0640, ""},
      {true, false, false, kNobody, 0, 04755, ""},  // set-ID bits outlive the new owner
      {false, false, true, 0, kNobody, 0664,
       "its owner cannot be kept: it belongs to another user (root)"},
      {false, true, false, 0, 0, 0644,
       links + ", which writing it in place would split; -o with another name writes a new file"},
      {true, true, false, 0, 0, 0644, links},
      {false, false, true, kNobody, kNobody, 0444, "it is read-only"},  // palette --set, below
      {false, true, false, 0, 0, 0644, links},
  };
  int row = 0;
  for (const auto& [pack, linked, asNobody, uid, gid, mode, refusal] : cases) {
    const std::string folder = dir.file(std::to_string(++row)), sprite = folder + "/s.spr";
    SCOPED_TRACE(row);
    fs::create_directory(folder);
    fs::copy_file(source, sprite);
    ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody) | ::chown(sprite.c_str(), uid, gid) |
                  ::chmod(sprite.c_str(), mode),
              0);
    if (linked) fs::create_hard_link(sprite, folder + "/other.spr");
    const auto before = Metadata(sprite);
    const auto files = Tree(folder);
    EXPECT_EQ(asNobody && ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0, asNobody);
    const CliRun run = Sprconv(pack      ? Strings{"pack", image, "-o", sprite}
                               : row > 6 ? Strings{"palette", sprite, "--set", source}
                                         : Strings{"replace", sprite, "--frame", "1", image});
    if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();  // the other tests need root
    const auto [owner, group, kind, names, file, device, size] = Metadata(sprite);
    const std::string said = "sprconv: " + sprite + ": cannot write the file: " + refusal;
    if (refusal.empty())  // a new file, as the old one was
      EXPECT_EQ(
          std::tuple(run.status, run.err, owner, group, kind, names, file != std::get<4>(before)),
          std::tuple(0, "", uid, gid, S_IFREG | mode, 1u, true));
    else
      EXPECT_EQ(
          std::tuple(run.status, run.err.substr(0, said.size()), Metadata(sprite), Tree(folder)),
          std::tuple(1, said, before, files));
  }
}

// 32,767 records in 197 KB, each claiming 2,890 x 2,891 pixels: info reads them at once, gif
// refuses them, and on a small file system (for real, as root) both exports stop before its last
// 64 MB, every file whole.
TEST(HostileOutputs, ATinyFileThatClaimsTheMostPixels) {
  TempDir dir;
  SpriteBuilder builder;
  for (int k = 0; k < 32767; ++k) builder.rawFrame(2890, 2891, {});
  const std::string sprite = builder.write(dir.file("a.spr")), disk = dir.file("disk");
  const auto start = std::chrono::steady_clock::now();
  const CliRun info = Sprconv({"info", sprite});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(info.out.substr(0, info.out.find('\n')), sprite + ": 32767 frames");
  EXPECT_EQ(Sprconv({"gif", sprite, "-o", dir.file("a.gif")}).err,
            "sprconv: " + sprite +
                ": the GIF would hold 273767957330 pixels (canvas pixels x frames), more than "
                "2^30 (1073741824)\n");
  fs::create_directory(disk);
  if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=100m") != 0)
    GTEST_SKIP() << "needs root, to mount a small file system";
  FakeWindow window;
  window.text1 = sprite;
  fs::create_directory(window.text2 = disk + "/window");
  Exporter(window).mnuSaveMult_Click();
  EXPECT_EQ(Shown(window), "Cannot write \"" + disk + "/window/a_05.bmp\": the disk is full.");
  fs::remove_all(window.text2);
  EXPECT_EQ(Sprconv({"export", sprite, "-o", disk + "/cli"}).err,
            "sprconv: " + disk + "/cli/a_05.bmp: cannot write the file: the disk is full\n");
  const auto files = Tree(disk);
  EXPECT_EQ(files.size(), 4u);
  for (const auto& [name, file] : files) EXPECT_EQ(file.size(), 1078u + 2892 * 2891) << name;
  EXPECT_GE(fs::space(disk).available, AtomicFile::kMinFree);
  ::umount(disk.c_str());
}

// The converter's folder walk: depth stops neither the walk nor the mirrored folders; whatever
// the walk cannot read or convert is named, names quoted where they hold control characters; an
// output folder that cannot be looked up is a message, and so is a bad argument, quoted.
TEST(HostileInputs, TheWalkNamesEveryEntryItCannotReadQuoted) {
  TempDir dir;
  const std::string in = dir.file("in"), mirror = dir.file("mirror");
  std::string deep(250, 'd');
  while (deep.size() <= PATH_MAX) deep += "/" + std::string(250, 'd');
  AtomicFile file(Folder::OpenPath(in + "/" + deep, true), "deep.spr");
  file.write(SpriteBuilder().patternFrame(3, 2, 1).build());
  file.commit();
  ::symlink("nowhere", (in + "/gone.spr").c_str());
  ::mkfifo((in + "/pipe.spr").c_str(), 0600);
  SpriteBuilder().signature({'S', 'P', 2, 1}).write(in + "/evil\nname.spr");
  const std::string said =
      "sprconv: $'" + in + "/evil\\nname.spr': not a sprite file: wrong signature\nsprconv: " + in +
      "/gone.spr: no such file or folder\nsprconv: " + in + "/pipe.spr: not an ordinary file\n";
  EXPECT_THAT(Sprconv({"export", in, "-o", mirror}), ::testing::FieldsAre(1, "", said));
  const FileStatus written = StatusIn(Folder::OpenPath(mirror + "/" + deep), "deep_01.bmp", true);
  EXPECT_EQ(std::pair(written.error, written.size), std::pair(0, std::uint64_t{1078 + 8}));

  ::symlink("loop", dir.file("loop").c_str());
  EXPECT_EQ(Sprconv({"export", in + "/" + deep + "/deep.spr", "-o", dir.file("loop/x")}).err,
            "sprconv: " + dir.file("loop/x") +
                ": cannot create the folder: a symbolic link on the way loops\n");
  EXPECT_EQ(Sprconv({"export", in, "--frames", "1\x1b[2J"}).err,
            "sprconv: --frames: $'1\\x1b[2J' is not a frame number N or a range A-B with 1 <= A "
            "<= B\nRun 'sprconv --help' for the usage.\n");
}

// Pack: a folder packs whole or not at all: every entry named as a frame that cannot be read is
// named and nothing is written; a gap in the numbers packs in order, with one line. Every name
// inside a reason is quoted as the leading path is.
TEST(HostileInputs, PackNamesEveryFrameItCannotReadQuotedAndWritesNothing) {
  TempDir dir;
  const std::string f = dir.file("evil\nf"), q = "$'" + dir.path() + "/evil\\nf",
                    out = f + "/o.spr";
  const Bytes sprite = SpriteBuilder().patternFrame(3, 2, 1).patternFrame(3, 2, 2).build();
  Sprconv({"export", WriteFile(dir.file("s.spr"), sprite), "-o", f, "--format", "png"});
  for (const auto& [at, to] :
       {std::pair{"4", "s_04.png"}, {"5", "s_06.png"}, {"6", "s_05.png"}, {"7", "nowhere"}})
    ::symlink(to, (f + "/s_0" + at + ".png").c_str());
  fs::create_directory(f + "/s_08.png");
  ::mkfifo((f + "/s_09.png").c_str(), 0600);
  const std::string loops = "': a symbolic link on the way loops\nsprconv: " + q;
  EXPECT_EQ(Sprconv({"pack", f, "-o", out}).err,
            "sprconv: " + q + "/s_04.png" + loops + "/s_05.png" + loops + "/s_06.png" + loops +
                "/s_07.png': no such file or folder\nsprconv: " + q +
                "/s_08.png': a folder, not a file\nsprconv: " + q +
                "/s_09.png': not an ordinary file\n");
  EXPECT_FALSE(fs::exists(out));
  for (int k = 4; k <= 9; ++k) fs::remove(f + "/s_0" + std::to_string(k) + ".png");
  fs::rename(f + "/s_02.png", f + "/s_4.png");
  const CliRun gap = Sprconv({"pack", f, "-o", out});
  EXPECT_EQ(
      std::pair(gap.status, gap.err),
      std::pair(0, "sprconv: " + q + "': no image numbered 2-3; the others are packed in order\n"));
  EXPECT_NE(Sprconv({"info", out}).out.find(": 2 frames"), std::string::npos);
  auto says = [&](const Strings& args) { return Sprconv(args).err.substr(9 + q.size()); };
  fs::copy(f + "/s_01.png", f + "/s_1.png");
  EXPECT_EQ(says({"pack", f, "-o", out}),
            "': two images for frame 1: " + q + "/s_01.png' and " + q + "/s_1.png'\n");
  fs::rename(f + "/s_1.png", f + "/t\x1b_1.png");
  EXPECT_EQ(says({"pack", f, "-o", out}),
            "': frames of more than one sprite here (s and $'t\\x1b'): name the images instead\n");
}

constexpr int kFrames = 6, kW = 20, kH = 30;

// Frame k is solid index k, with literals only, so the decoder yields inside every frame. The
// other sprites have a palette of their own, so that colours taken from them would show.
std::string writeSprite(const std::string& path, int frames, bool ownPalette = true) {
  auto palette = DistinctPalette();
  if (ownPalette) std::reverse(palette.begin(), palette.end());
  SpriteBuilder sprite = SpriteBuilder().palette(palette);
  for (int k = 1; k <= frames; ++k) sprite.solidFrame(kW, kH, static_cast<std::uint8_t>(k));
  return sprite.write(path);
}

struct Window : Form1Fixture {
  TempDir out, otherOut;
  std::string a = writeSprite(sprites.file("a.spr"), kFrames, false);
  std::string b = writeSprite(sprites.file("b.spr"), 2);
  std::string c = (make("sub/"), writeSprite(sprites.file("sub/c.spr"), 1));

  Window() : Form1Fixture(false) {
    reopen();                                                  // with the sprites in the tree
    form->findChild<QCheckBox*>("Check2")->setChecked(false);  // frames alone on the sheet
    model().SetText2(out.path());
  }
  void menu(const char* item) { form->findChild<QAction*>(item)->trigger(); }
};

// Every handler, given the round it is in; the two exports first. The dialogs answer with the
// other sprite and frame 1.
const std::vector<std::function<void(Window&, int)>> kHandlers = {
    [](Window& w, int) { w.menu("mnuFileSave"); },
    [](Window& w, int) { w.menu("mnuSaveMult"); },
    [](Window& w, int) { w.tree().setCurrentItem(w.node(w.b)); },
    [](Window& w, int) { w.form->TreeView1_DblClick(); },
    [](Window& w, int) { w.form->Browse_Click(); },
    [](Window& w, int) { w.menu("mnuFileOpen"); },
    [](Window& w, int) { w.form->LoadSprite(); },
    [](Window& w, int n) { w.node(w.sprites.file("sub/"))->setExpanded(n % 2); },
    [](Window& w, int n) { w.scrollBar().setValue(n % 50); },  // VScroll1_Change
    [](Window& w, int) { w.form->VScroll1_Scroll(); },
    [](Window& w, int n) { w.form->SetWidth(n % 2 ? 14000 : 5000); },  // 5000: below the minimum
    [](Window& w, int n) { w.form->SetHeight(n % 3 ? 9000 : 7000); },
    [](Window& w, int) { EXPECT_FALSE(w.form->close()); },
    [](Window& w, int) { w.menu("mnuFileExit"); },
    [](Window& w, int n) { w.model().SetText1(n % 2 ? w.b : w.c); },
    [](Window& w, int) { w.model().SetText2(w.otherOut.path()); },
};

// Starts a load or an export of a.spr, with every handler run during its yields when asked to.
void run(Window& w, const char* command, bool meddle) {
  std::size_t calls = 0, fired = 0;
  w.onYield([&] {
    if (!meddle || ++calls % 2 != 0) return;
    EXPECT_TRUE(w.busy());
    const std::size_t k = fired++ % kHandlers.size();
    w.dialogs.openAnswers = {w.b};
    w.dialogs.inputAnswers = {"1"};
    kHandlers[k](w, static_cast<int>(fired / kHandlers.size()));
    // An export is refused while another command runs; nothing else says anything.
    const std::string busy = "Another file is being read. Please try again when it is done.";
    EXPECT_EQ(w.said(), k < 2 ? std::vector{busy} : std::vector<std::string>{});
  });
  w.model().SetText1(w.a);
  w.dialogs.inputAnswers = {"4"};
  command == std::string("load") ? w.form->LoadSprite() : w.menu(command);
  w.onYield(nullptr);
  EXPECT_GE(fired, meddle ? 2 * kHandlers.size() : 0);
}

TEST(Reentry, EveryHandlerDuringALoadAndAnExport) {
  const int handles = gdi::LiveHandleCount();
  const std::map<std::string, Bytes> none, exported = [] {
    Window alone;
    run(alone, "mnuSaveMult", false);
    return Tree(alone.out.path());
  }();
  ASSERT_EQ(exported.size(), std::size_t{kFrames});

  for (const std::string name : {"load", "mnuSaveMult", "mnuFileSave"}) {
    SCOPED_TRACE(name);
    Window w;
    run(w, name.c_str(), true);
    // The folder was expanded meanwhile; nothing went where the texts pointed meanwhile.
    EXPECT_EQ(
        std::tuple(w.form->isVisible(), w.model().channels().openCount(), w.busy(),
                   w.model().Picture1().MousePointer(), w.node(w.c) != nullptr,
                   w.dialogs.messages.size(), Names(w.otherOut.path()).size()),
        std::tuple(true, 0, false, pointer::kDefault, true, name == "mnuSaveMult" ? 1u : 0u, 0u));
    EXPECT_EQ(Tree(w.out.path()), name == "mnuSaveMult" ? exported : none);
    EXPECT_EQ(Tree(w.sprites.path())["a.spr.4.bmp"],
              name == "mnuFileSave" ? exported.at("a_04.bmp") : Bytes{});
    if (name == "load") {  // every frame drawn whole in its own colour, none over another
      EXPECT_EQ(w.model().StatusText(), "Decoded 6 pictures in " + w.a);
      std::map<QRgb, int> counts;
      const QImage& sheet = *gdi::SelectedImage(w.sheet().hDC());
      for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x) ++counts[sheet.pixel(x, y)];
      const auto p = DistinctPalette();
      for (int k = 1; k <= kFrames; ++k)
        EXPECT_EQ(counts[qRgb(p[4 * k], p[4 * k + 1], p[4 * k + 2])], kW * kH) << "frame " << k;
    }
    // Nothing half-written stays anywhere.
    for (const std::string& file : Names(w.sprites.path())) EXPECT_NE(file[0], '.');
    w.menu("mnuFileExit");  // the close guard lets go
    EXPECT_FALSE(w.form->isVisible());
  }
  EXPECT_EQ(gdi::LiveHandleCount(), handles);
}

}  // namespace
}  // namespace glint::testing
