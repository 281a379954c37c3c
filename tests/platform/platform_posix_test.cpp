// What the file layer does with what POSIX alone has: permissions, symbolic links and FIFOs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/file_channels.h"
#include "platform_support.h"
#include "support/sprite_builder.h"

namespace glint {
namespace {

INSTANTIATE_TEST_SUITE_P(BothWays, AtomicWrite,
                         ::testing::Values(AtomicFile::Way::kUnnamedWhereAvailable,
                                           AtomicFile::Way::kNamedTemporary));

// The file written over keeps its permissions.
TEST_P(AtomicWrite, ReplacesTheWholeFileWhateverTheLengthOfItsName) {
  for (const std::string& name : {target, dir.file(std::string(255, 'n'))}) {
    testing::WriteFile(name, Bytes(100, 'z'));
    ::chmod(name.c_str(), 0640);
    WriteFileAtomically(name, Bytes{1, 2, 3});
    EXPECT_EQ(ReadFile(name), (Bytes{1, 2, 3})) << name.size();
    EXPECT_EQ(fs::status(name).permissions(), fs::perms(0640)) << name.size();
  }
}

// The link stays, whether its file exists yet or not.
TEST_P(AtomicWrite, WritesThroughASymbolicLinkToItsFile) {
  fs::create_directory(dir.file("links"));
  for (const std::string name : {"a.bmp", "new.bmp"}) {
    fs::create_symlink("../" + name, dir.file("links/" + name));
    WriteFileAtomically(dir.file("links/" + name), Bytes{9});
    EXPECT_TRUE(fs::is_symlink(dir.file("links/" + name)) && ReadFile(dir.file(name)) == Bytes{9})
        << name;
  }
}

// A FIFO that came to stand at a new file's name while it was written stays, and the write is
// refused.
TEST_P(AtomicWrite, RefusesAFifoThatCameToStandAtItsNameMeanwhile) {
  AtomicFile late(dir.file("late"));
  late.write(Bytes{5});
  ::mkfifo(dir.file("late").c_str(), 0600);
  EXPECT_EQ(errorOf([&] { late.commit(); }), "52 a FIFO has that name");
  EXPECT_TRUE(fs::is_fifo(dir.file("late")));
}

// A channel reads ordinary files only: a FIFO is not waited on.
TEST(FileChannels, AFifoIsNoFileToRead) {
  TempDir dir;
  FileChannels channels;
  EXPECT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  EXPECT_THAT(errorOf([&] { channels.openForReading(3, dir.file("fifo")); }),
              StartsWith(std::to_string(err::kBadFileName) + " "));
}

}  // namespace
}  // namespace glint
