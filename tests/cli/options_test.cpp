#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/options.h"
#include "cli_support.h"

namespace glint::testing {
namespace {
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(Options, FramesAreOneNumberOrAnOrderedRange) {
  struct Case {
    std::string text;
    std::optional<cli::FrameRange> expected;
  } cases[] = {
      {"1", cli::FrameRange{1, 1}},
      {"12", cli::FrameRange{12, 12}},
      {"2-5", cli::FrameRange{2, 5}},
      {"3-3", cli::FrameRange{3, 3}},
      {"0", std::nullopt},
      {"0-2", std::nullopt},
      {"5-2", std::nullopt},
      {"-3", std::nullopt},
      {"3-", std::nullopt},
      {"a", std::nullopt},
      {"1.5", std::nullopt},
      {"+2", std::nullopt},
      {"1-2-3", std::nullopt},
      {"", std::nullopt},
      {"99999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(cli::ParseFrames(c.text), c.expected) << c.text;
}

TEST(Options, ParsesEachCommand) {
  auto parsed = cli::ParseCommandLine({"sprconv", "export", "a.spr", "dir", "-o", "out", "--format",
                                       "png", "--frames", "2-4", "--transparent", "-j", "3", "-q"});
  ASSERT_TRUE(parsed.options);
  const cli::Options& o = *parsed.options;
  EXPECT_EQ(o.command, cli::Command::Export);
  EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.spr", "dir"}));
  EXPECT_EQ(o.output, "out");
  EXPECT_EQ(o.format, cli::Format::Png);
  EXPECT_EQ(o.frames, (cli::FrameRange{2, 4}));
  EXPECT_TRUE(o.transparent && o.quiet);
  EXPECT_EQ(o.jobs, 3);

  EXPECT_GE(cli::ParseCommandLine({"sprconv", "export", "a"}).options->jobs, 1);
}

TEST(Options, BadCommandLinesAreUsageErrors) {
  std::vector<std::vector<std::string>> cases = {
      {},
      {"convert", "a.spr"},
      {"export"},
      {"export", "a.spr", "--bogus"},
      {"export", "a.spr", "-o"},
      {"export", "a.spr", "--format", "gif"},
      {"export", "a.spr", "--transparent"},
      {"export", "a.spr", "--format", "bmp", "--transparent"},
      {"export", "a.spr", "--frames", "0"},
      {"export", "a.spr", "--frames", "4-2"},
      {"export", "a.spr", "-j", "0"},
      {"export", "a.spr", "-j", "two"},
      {"sheet", "a.spr"},
      {"sheet", "a.spr", "b.spr", "-o", "s.png"},
      {"sheet", "a.spr", "-o", "s.png", "--columns", "0"},
      {"gif", "a.spr", "-o", "a.gif", "--delay", "-1"},
      {"gif", "a.spr", "-o", "a.gif", "--delay", "fast"},
      {"info"},
      {"info", "a.spr", "--frames", "2"},
  };
  for (const auto& args : cases) {
    CliRun run = Sprconv(args);
    std::string shown = ::testing::PrintToString(args);
    EXPECT_EQ(run.status, 2) << shown;
    EXPECT_EQ(run.out, "") << shown;
    EXPECT_THAT(run.err, StartsWith("sprconv: ")) << shown;
  }
}

TEST(Options, HelpAndVersion) {
  CliRun help = Sprconv({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("sprconv export SPRITE|FOLDER..."));
  EXPECT_EQ(help.err, "");
  CliRun exportHelp = Sprconv({"export", "--help"});
  EXPECT_EQ(exportHelp.status, 0);
  EXPECT_THAT(exportHelp.out, HasSubstr("--frames"));
  CliRun version = Sprconv({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, cli::VersionText() + "\n");
}

}  // namespace
}  // namespace glint::testing
