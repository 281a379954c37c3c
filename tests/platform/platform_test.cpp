#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/atomic_file.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/file_channels.h"
#include "platform/names.h"
#include "platform/output_file.h"
#include "platform/status.h"
#include "platform_support.h"
#include "support/sprite_builder.h"

namespace glint {
namespace {

INSTANTIATE_TEST_SUITE_P(BothWays, AtomicWrite,
                         ::testing::Values(AtomicFile::Way::kUnnamedWhereAvailable,
                                           AtomicFile::Way::kNamedTemporary));

TEST_P(AtomicWrite, AWriteNeverCommittedLeavesTheFileAsItWasAndNoTemporary) {
  AtomicFile(target).write(Bytes{7, 7});
  EXPECT_EQ(ReadFile(target), Bytes(100, 'z'));
  EXPECT_EQ(testing::Names(dir.path()), std::vector<std::string>{"a.bmp"});
}

TEST_P(AtomicWrite, RefusesAMissingFolder) {
  EXPECT_EQ(errorOf([&] { WriteFileAtomically(dir.file("none/x.bmp"), Bytes{1}); }),
            "52 the folder does not exist");
}

// The reserve is 64 MB, or 1 % of a file system above 6.4 GB.
TEST_P(AtomicWrite, StopsAsAFullDiskRatherThanLeaveLessThanTheReserveFree) {
  const std::uint64_t mb = 1 << 20;
  for (const FreeSpace space : {FreeSpace{64 * mb + 3, 1000 * mb}, {1024 * mb + 3, 102'400 * mb}}) {
    AtomicFile::SetFreeSpaceQuery([=] { return space; });
    WriteFileAtomically(target, Bytes(3, 7));
    EXPECT_THAT(errorOf([&] { WriteFileAtomically(target, Bytes(4, 8)); }),
                ::testing::EndsWith(" the disk is full"));
    EXPECT_EQ(ReadFile(target), Bytes(3, 7));
  }
  AtomicFile::SetFreeSpaceQuery({});
}

// A file that came to stand at a new file's name while it was written is written over.
TEST_P(AtomicWrite, WritesOverAFileThatCameToStandAtItsNameMeanwhile) {
  AtomicFile late(dir.file("late"));
  late.write(Bytes{5});
  touch(dir.file("late"));
  EXPECT_EQ(errorOf([&] { late.commit(); }), "");
  EXPECT_EQ(ReadFile(dir.file("late")), Bytes{5});
}

// Names a Windows build refuses, with the reason it gives; "" for a name Windows keeps as given.
TEST(WindowsNames, DevicesForbiddenCharactersAndDroppedEndingsAreRefused) {
  const std::string device = "a name Windows reserves for a device (";
  const std::string character = "a character Windows does not allow in names (";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {"frame 1.png", "CONSOLE.spr", "COM0", "LPT10", ".hidden", "..", "\xCE\xA9", "a\x7F"}},
      {"a name ending in a dot or a space, which Windows drops", {"name.", "name ", "NUL."}},
      {device + "NUL)", {"NUL", "nul.txt", "nul .png"}},
      {device + "COM9)", {"Com9.tar.gz"}},
      {device + "LPT1)", {"lpt1"}},
      {device + "PRN)", {"PRN"}},
      {character + ":)", {"a:b"}},
      {character + "U+0009)", {"a\tb"}},
  };
  for (const auto& [reason, names] : cases)
    for (const std::string& name : names) EXPECT_EQ(WindowsNameProblem(name), reason) << name;
  for (const char c : std::string("<>\"|?*"))
    EXPECT_EQ(WindowsNameProblem(std::string("a") + c), character + c + ")");
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

// A channel reads one ordinary file until it is closed; closing a closed one does nothing.
TEST(FileChannels, ReadOnlyOrdinaryFilesAndOneAChannel) {
  TempDir dir;
  FileChannels channels;
  touch(dir.file("s.spr"), "abc");
  EXPECT_EQ(channels.openForReading(1, dir.file("s.spr")).length(), 3);
  EXPECT_THAT(errorOf([&] { channels.openForReading(1, dir.file("s.spr")); }),
              StartsWith(std::to_string(err::kFileAlreadyOpen) + " "));
  for (const std::string& bad : {dir.file("missing"), dir.path()})
    EXPECT_THAT(errorOf([&] { channels.openForReading(3, bad); }),
                StartsWith(std::to_string(err::kBadFileName) + " "))
        << bad;
  channels.close(1);
  channels.close(1);
  EXPECT_EQ(channels.openCount(), 0);
}

TEST(FileChannels, AWrittenFileAppearsWholeAtCloseAndNeverWhenAbandoned) {
  TempDir dir;
  FileChannels channels;
  channels.openForWriting(2, dir.file("out.bmp")).write(Bytes{4, 5});
  channels.openForWriting(3, dir.file("dropped.bmp")).write(Bytes{1});
  EXPECT_FALSE(fs::exists(dir.file("out.bmp")));
  channels.close(2);
  channels.abandon(3);
  EXPECT_EQ(ReadFile(dir.file("out.bmp")), (Bytes{4, 5}));
  EXPECT_FALSE(fs::exists(dir.file("dropped.bmp")));
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

// Sprites in any letter case, another file, a hidden sprite and a folder. Folders in the listing
// show in the folder tree's tests.
struct DirListing : ::testing::Test {
  DirListing() {
    for (const char* name : {"b.SPR", "a.spr", "C.spr", "c.txt", ".hidden.spr", "_x.spr"})
      touch(dir.file(name));
    fs::create_directory(dir.file("Sub"));
  }
  TempDir dir;
};

TEST_F(DirListing, ListsWhatAPatternMatchesInOrderLeavingHiddenNamesOut) {
  EXPECT_EQ(ListFolder(dir.path(), "*.spr", ListFilter::Files),
            (std::vector<std::string>{"_x.spr", "a.spr", "b.SPR", "C.spr"}));
  EXPECT_TRUE(MatchesPattern("walk.SpR", "*.spr") && MatchesPattern("a.b.spr", "*.spr") &&
              MatchesPattern("x1", "x?"));
  EXPECT_FALSE(MatchesPattern("walk.spr.bak", "*.spr") || MatchesPattern("x", "x?"));
}

// An exact, case-sensitive look-up of ordinary files that are not hidden.
TEST_F(DirListing, AnOrdinaryFileExistsByItsExactVisibleName) {
  EXPECT_TRUE(OrdinaryFileExists(dir.file("a.spr")));
  for (const std::string& path :
       {dir.file("A.spr"), dir.file(".hidden.spr"), dir.file("Sub"), std::string()})
    EXPECT_FALSE(OrdinaryFileExists(path)) << path;
}

}  // namespace
}  // namespace glint
