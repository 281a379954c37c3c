#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_support.h"

namespace glint::testing {
namespace {
using ::testing::HasSubstr;
using ::testing::Not;

TEST(Binary, ExitStatuses) {
  TempDir dir;
  SpriteBuilder().patternFrame(4, 4, 1).write(dir.file("good.spr"));
  SpriteBuilder().signature({'S', 'P', 0, 2}).write(dir.file("bad.spr"));
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"export", dir.file("good.spr"), "-o", dir.file("out")}, 0},
      {{"export", dir.file("good.spr"), dir.file("bad.spr"), "-o", dir.file("out")}, 1},
      {{"export", "-o", dir.file("out")}, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SprconvBinary(c.args).status, c.status) << ::testing::PrintToString(c.args);
  EXPECT_EQ(ReadFile(dir.file("out/good_01.bmp")).size(), 1078u + 16);
}

// stderr on a terminal shows the bar; -q or a pipe shows none.
std::string RunOnTerminal(const std::vector<std::string>& args) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<std::string> argv{SPRCONV_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(SPRCONV_PATH, raw.data());
    _exit(127);
  }
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  waitpid(pid, nullptr, 0);
  close(master);
  return text;
}

TEST(Binary, ProgressBarOnlyOnATerminal) {
  TempDir dir;
  SpriteBuilder().patternFrame(4, 4, 1).patternFrame(4, 4, 2).write(dir.file("p.spr"));
  EXPECT_THAT(RunOnTerminal({"export", dir.file("p.spr"), "-o", dir.file("a")}),
              HasSubstr("1/1 files, 2 frames"));
  EXPECT_THAT(RunOnTerminal({"export", dir.file("p.spr"), "-o", dir.file("b"), "-q"}),
              Not(HasSubstr("files")));
  EXPECT_EQ(SprconvBinary({"export", dir.file("p.spr"), "-o", dir.file("c")}).err, "");
}

}  // namespace
}  // namespace glint::testing
