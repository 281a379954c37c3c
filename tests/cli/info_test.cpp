#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/info.h"
#include "cli_support.h"

namespace glint::testing {
namespace {

TEST(Info, ListsCountAndEachFrame) {
  TempDir dir;
  SpriteBuilder().rawFrame(5, 2, {1, 2, 3}).rawFrame(0, 0, {}).write(dir.file("a.spr"));
  CliRun run = Sprconv({"info", dir.file("a.spr")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            dir.file("a.spr") +
                ": 2 frames\n  frame 1: 5 x 2, 3 bytes stored\n  frame 2: 0 x 0, 0 bytes stored\n");
}

TEST(Info, JsonLinesForScripts) {
  TempDir dir;
  SpriteBuilder().rawFrame(5, 2, {1, 2, 3}).rawFrame(7, 1, {0, 7}).write(dir.file("a.spr"));
  SpriteBuilder().patternFrame(3, 3, 1).rawFrame(4, 4, {0}).write(dir.file("b.spr"));
  SpriteBuilder().signature({'S', 'P', 1, 1}).write(dir.file("c.spr"));
  CliRun run = Sprconv({"info", "--json", dir.file("a.spr"), dir.file("b.spr"), dir.file("c.spr")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "{\"file\":\"" + dir.file("a.spr") +
                         "\",\"frames\":2,\"sizes\":[[5,2],[7,1]],\"stored\":[3,2]}\n"
                         "{\"file\":\"" +
                         dir.file("b.spr") +
                         "\",\"frames\":2,\"sizes\":[[3,3],[4,4]],\"stored\":[" +
                         std::to_string(EncodePixels(MakePixels(3, 3, 1)).size()) +
                         ",1],\"error\":\"broken file: frame 2 ends inside a run of zeros\"}\n"
                         "{\"file\":\"" +
                         dir.file("c.spr") +
                         "\",\"frames\":null,\"sizes\":[],\"stored\":[],\"error\":\"not a sprite "
                         "file: wrong signature\"}\n");
  EXPECT_EQ(run.err, "sprconv: " + dir.file("b.spr") +
                         ": broken file: frame 2 ends inside a run of zeros\nsprconv: " +
                         dir.file("c.spr") + ": not a sprite file: wrong signature\n");
}

TEST(Info, JsonStringsAreEscapedAndValidUtf8) {
  std::pair<std::string, std::string> cases[] = {
      {"plain.spr", "\"plain.spr\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"new\nline\ttab\x01", "\"new\\nline\\ttab\\u0001\""},
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},
      {"bad\xFFz", "\"bad\xEF\xBF\xBDz\""},
      {"cut\xE2\x82", "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"overlong\xC0\xAF", "\"overlong\xEF\xBF\xBD\xEF\xBF\xBD\""},
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(cli::JsonString(text), json);
}

}  // namespace
}  // namespace glint::testing
