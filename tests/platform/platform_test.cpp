#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/atomic_file.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/file_channels.h"
#include "platform/output_file.h"
#include "platform/status.h"
#include "support/sprite_builder.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadFile;
using ::testing::StartsWith;
using testing::TempDir;

void touch(const std::string& path, const std::string& text = "x") { std::ofstream(path) << text; }

// The error the call raises, as "number description"; empty when it raises none.
std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return std::to_string(e.number()) + " " + e.description();
  }
  return "";
}

TEST(AtomicFile, ReplacesWholeKeepsPermissionsFollowsLinksAndLeavesNothingOnFailure) {
  TempDir dir;
  const std::string target = dir.file("a.bmp");
  touch(target, std::string(100, 'z'));
  ::chmod(target.c_str(), 0640);
  WriteFileAtomically(target, Bytes{1, 2, 3});
  EXPECT_EQ(ReadFile(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));

  fs::create_directory(dir.file("real"));
  touch(dir.file("real/t.bmp"));
  fs::create_symlink("real/t.bmp", dir.file("link.bmp"));
  WriteFileAtomically(dir.file("link.bmp"), Bytes{9});
  EXPECT_TRUE(fs::is_symlink(dir.file("link.bmp")));
  EXPECT_EQ(ReadFile(dir.file("real/t.bmp")), Bytes{9});
  fs::create_symlink("real/new.bmp", dir.file("dangling.bmp"));  // a file yet to be made
  WriteFileAtomically(dir.file("dangling.bmp"), Bytes{8});
  EXPECT_EQ(ReadFile(dir.file("real/new.bmp")), Bytes{8});

  AtomicFile(target).write(Bytes{7, 7});  // never committed
  EXPECT_EQ(ReadFile(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 4);  // and dangling.bmp
  EXPECT_EQ(errorOf([&] { WriteFileAtomically(dir.file("none/x.bmp"), Bytes{1}); }),
            "52 the folder does not exist");
}

// Both ways of writing replace a file of the longest name; neither leaves a disk less free than
// its reserve: 64 MB, or 1 % of a file system above 6.4 GB.
TEST(AtomicFile, BothWaysTheLongestNamesAndTheDisksReserve) {
  TempDir dir;
  const std::string target = dir.file(std::string(255, 'n'));
  std::uint64_t available = 0, total = 0;
  for (auto way : {AtomicFile::Way::kUnnamedWhereAvailable, AtomicFile::Way::kNamedTemporary}) {
    AtomicFile::SetWay(way);
    for (std::uint8_t k = 1; k <= 2; ++k) WriteFileAtomically(target, Bytes{k});
    EXPECT_EQ(ReadFile(target), Bytes{2});
    AtomicFile::SetFreeSpaceQuery([&](int) { return FreeSpace{available, total}; });
    const std::uint64_t mb = 1 << 20;
    for (const auto& [free, size, room] :
         {std::tuple{64 * mb + 3, 1000 * mb, 3}, {1024 * mb + 3, 102'400 * mb, 3}}) {
      available = free, total = size;
      WriteFileAtomically(target, Bytes(room, 7));
      EXPECT_THAT(errorOf([&] { WriteFileAtomically(target, Bytes(room + 1, 8)); }),
                  ::testing::EndsWith(" the disk is full"));
      EXPECT_EQ(ReadFile(target), Bytes(room, 7));
    }
    AtomicFile::SetFreeSpaceQuery({});
    // What came to stand at a new file's name while it was written is looked at before the end.
    for (const bool fifo : {false, true}) {
      AtomicFile late(dir.file("late"));
      late.write(Bytes{5});
      fifo ? ::mkfifo(dir.file("late").c_str(), 0600) : (touch(dir.file("late")), 0);
      EXPECT_EQ(errorOf([&] { late.commit(); }), fifo ? "52 a FIFO has that name" : "");
      EXPECT_TRUE(fifo ? fs::is_fifo(dir.file("late")) : ReadFile(dir.file("late")) == Bytes{5});
      fs::remove(dir.file("late"));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);  // no temporary left
  }
  AtomicFile::SetWay(AtomicFile::Way::kUnnamedWhereAvailable);
}

// Writers hand out a few bytes, then a whole frame: the file holds them in the order given.
TEST(OutputFile, KeepsTheOrderOfSmallAndLargeWrites) {
  TempDir dir;
  const Bytes small(10, 1), large(2 << 20, 2);
  OutputFile file(dir.file("out"));
  for (const Bytes* piece : {&small, &large, &small}) file.write(*piece);
  file.commit();
  Bytes whole = small;
  for (const Bytes* piece : {&large, &small})
    whole.insert(whole.end(), piece->begin(), piece->end());
  EXPECT_TRUE(ReadFile(dir.file("out")) == whole);
}

TEST(FileChannels, OpenCloseAndTheirErrors) {
  TempDir dir;
  touch(dir.file("s.spr"), "abc");
  FileChannels channels;
  EXPECT_EQ(channels.openForReading(1, dir.file("s.spr")).length(), 3);
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  auto openError = [&](int channel, const std::string& path) {
    return errorOf([&] { channels.openForReading(channel, path); });
  };
  EXPECT_THAT(openError(1, dir.file("s.spr")),
              StartsWith(std::to_string(err::kFileAlreadyOpen) + " "));
  for (const std::string& bad : {dir.file("missing"), dir.path(), dir.file("fifo")})
    EXPECT_THAT(openError(3, bad), StartsWith(std::to_string(err::kBadFileName) + " ")) << bad;

  channels.openForWriting(2, dir.file("out.bmp")).write(Bytes{4, 5});
  EXPECT_FALSE(fs::exists(dir.file("out.bmp")));  // appears whole, at close
  channels.close(2);
  EXPECT_EQ(ReadFile(dir.file("out.bmp")), (Bytes{4, 5}));

  channels.openForWriting(2, dir.file("dropped.bmp")).write(Bytes{1});
  channels.abandon(2);
  EXPECT_FALSE(fs::exists(dir.file("dropped.bmp")));
  channels.close(1);
  channels.close(1);  // closing a closed channel does nothing
  EXPECT_EQ(channels.openCount(), 0);
}

TEST(StatusLine, TailsKeepTheirPrefixWhateverHappensBetween) {
  StatusLine line;
  const std::string prefix = "Decoding 1 of 2 bitmaps.";
  line.set(prefix);
  line.setTail(prefix, " (This bitmap 50%)");
  line.setTail(prefix, " (This bitmap 100%)");
  EXPECT_EQ(line.text(), prefix + " (This bitmap 100%)");
  line.set("something else, as long as the prefix or longer");
  line.setTail(prefix, " (This bitmap 7%)");
  EXPECT_EQ(line.text(), prefix + " (This bitmap 7%)");
  line.setTail(std::string(line.text()), "!");  // a nested call with a longer prefix
  line.setTail(prefix, " (This bitmap 8%)");
  EXPECT_EQ(line.text(), prefix + " (This bitmap 8%)");
}

TEST(DirListing, OrderPatternsHiddenAndAttributes) {
  TempDir dir;
  for (const char* name : {"b.SPR", "a.spr", "C.spr", "c.txt", ".hidden.spr", "_x.spr"})
    touch(dir.file(name));
  for (const char* folder : {"Sub", ".git"}) fs::create_directory(dir.file(folder));
  EXPECT_EQ(ListFolder(dir.path(), "*.spr", ListFilter::Files),
            (std::vector<std::string>{"_x.spr", "a.spr", "b.SPR", "C.spr"}));
  EXPECT_EQ(ListFolder(dir.path(), "*", ListFilter::FilesAndFolders).size(), 6u);
  EXPECT_TRUE(ListFolder(dir.file("missing"), "*", ListFilter::Files).empty());

  EXPECT_EQ((std::vector{GetAttr(dir.file("Sub")), GetAttr(dir.file(".git")),
                         GetAttr(dir.file("a.spr")), GetAttr(dir.file("missing"))}),
            (std::vector{attr::kDirectory, attr::kDirectory | attr::kHidden, attr::kNormal, -1}));

  EXPECT_TRUE(OrdinaryFileExists(dir.file("a.spr")));
  // An exact, case-sensitive look-up of ordinary files that are not hidden.
  for (const std::string& path :
       {dir.file("A.spr"), dir.file(".hidden.spr"), dir.file("Sub"), std::string()})
    EXPECT_FALSE(OrdinaryFileExists(path)) << path;
  EXPECT_TRUE(FileOrFolderExists(dir.file("Sub")));
  EXPECT_TRUE(MatchesPattern("walk.SpR", "*.spr") && MatchesPattern("a.b.spr", "*.spr") &&
              MatchesPattern("x1", "x?"));
  EXPECT_FALSE(MatchesPattern("walk.spr.bak", "*.spr") || MatchesPattern("x", "x?"));
}

}  // namespace
}  // namespace glint
