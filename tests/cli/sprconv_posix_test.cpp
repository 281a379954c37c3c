// The converter as a real program on a terminal, and what needs POSIX alone: exit statuses on
// full devices and locked folders, signals, FIFOs, and the PNG read by another program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "cli_support.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::FieldsAre;
using ::testing::HasSubstr;

// Runs a shell command line on a terminal, calling `started` once it runs; `out` holds what it
// wrote to stdout and stderr, and a signal that ended it is given as minus its number.
CliRun OnTerminal(const std::string& command, const std::function<void(pid_t)>& started = {}) {
  int fd = -1;
  pid_t pid = forkpty(&fd, nullptr, nullptr, nullptr);
  if (pid == 0) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
    execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    _exit(127);
  }
  if (started) started(pid);
  CliRun run;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    run.out.append(buffer, static_cast<std::size_t>(n));
  close(fd);
  waitpid(pid, &run.status, 0);
  run.status = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -WTERMSIG(run.status);
  return run;
}

// The exit statuses, and a progress bar on a terminal unless -q; the in-process runs show that
// there is none when stderr is not a terminal. Output that cannot be written is a failure, and
// so is an output folder that cannot be looked up (as an unprivileged user, where one can be).
TEST(SprconvBinary, ExitStatusesAndAProgressBarOnlyOnATerminal) {
  TempDir dir;
  const std::string good =
      SpriteBuilder().patternFrame(4, 4, 1).patternFrame(4, 4, 2).write(dir.file("good.spr"));
  const std::string bad = SpriteBuilder().signature({'S', 'P', 0, 2}).write(dir.file("bad.spr"));
  fs::create_directory(dir.file("none"));
  ::mkdir(dir.file("locked").c_str(), 0700);
  fs::permissions(dir.path(), fs::perms(0755));
  const bool unprivileged = ::geteuid() == 0 && OnTerminal("setpriv --help >/dev/null").status == 0;
  if (!unprivileged) std::printf("needs root and setpriv: the unprivileged case is skipped\n");
  const std::string run = SPRCONV_PATH " export ";
  const std::tuple<std::string, int, std::string> cases[] = {
      // what it writes, or nothing
      {run + good + " -o " + dir.file("a"), 0, "1/1 files, 2 frames"},
      {run + good + " -q -o " + dir.file("b"), 0, ""},
      {run + good + " " + bad + " -o " + dir.file("c"), 1, "bad.spr: not a sprite file"},
      {run + "-o " + dir.file("d"), 2, "sprconv: "},
      {run + dir.file("none"), 0, "none: no sprite files in this folder"},
      {run + dir.file("none") + " 2>/dev/full", 1, ""},
      {SPRCONV_PATH " info --json " + good + " >/dev/full", 1, "cannot write to standard output"},
      {"setpriv --reuid=65534 --regid=65534 --clear-groups " + run + good + " -o " +
           dir.file("locked/out"),
       1, dir.file("locked/out") + ": cannot create the folder: permission denied\r\n"}};
  for (const auto& [command, status, out] : cases) {
    if (!unprivileged && command.rfind("setpriv", 0) == 0) continue;
    const CliRun ran = OnTerminal(command);  // nothing at all where nothing is expected
    EXPECT_EQ(std::tuple(ran.status, out.empty() ? ran.out : "", ran.out.find(out) != ran.out.npos),
              std::tuple(status, "", true))
        << command + "\n" + ran.out;
  }
  EXPECT_EQ(Names(dir.file("a")), (Strings{"good_01.bmp", "good_02.bmp"}));
}

// Where files are written under temporary names, a signal removes those in flight and ends the
// program as that signal would have.
TEST(SprconvBinary, ASignalRemovesTheTemporaryAndEndsTheProgramAsItWould) {
  TempDir dir;
  fs::create_directory(dir.file("none"));
  SpriteBuilder builder;
  for (int k = 0; k < 300; ++k) builder.patternFrame(250, 240, static_cast<std::uint32_t>(k));
  const std::string sprite = builder.write(dir.file("big.spr")), out = dir.file("none");
  const std::string gifPath = out + "/z.gif",
                    gif = "exec env GLINT_NAMED_TEMPORARIES=1 " SPRCONV_PATH " gif " + sprite +
                          " -o " + gifPath + " 2>/dev/null";
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // On a busy machine the signal may come once the GIF is whole: then it is tried again.
    CliRun ran;
    for (int tries = 0; tries < 5 && (tries == 0 || ran.status == 0); ++tries, fs::remove(gifPath))
      ran = OnTerminal(gif, [&](pid_t pid) {
        for (int k = 0; k < 10000 && Names(out).empty(); ++k) usleep(1000);
        kill(pid, signal);
      });
    EXPECT_EQ(std::pair(ran.status, Names(out)), std::pair(-signal, Strings{})) << signal;
  }
}

// A FIFO is refused as a frame to pack and as the sprite to write, and every file is left as it
// was.
TEST_F(SprconvPackAndReplace, AFifoIsRefusedAsInputAndAsOutput) {
  const std::string fifo = elsewhere.file("fifo");  // not in `dir`, whose listing would wait on it
  ::mkfifo(fifo.c_str(), 0600);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"pack", fifo, "-o", in}, "fifo: not an ordinary file"},
      {{"pack", good, "-o", fifo}, "fifo: not an ordinary file: it is not replaced"}};
  const auto before = Tree(dir.path());
  for (const auto& [args, message] : cases) {
    EXPECT_THAT(Sprconv(args), FieldsAre(1, "", HasSubstr(message)));
    EXPECT_EQ(Tree(dir.path()), before) << message;
  }
}

// A program we did not write reads the palette's PNG as 16 x 16 swatches of 256 colours.
TEST(SprconvPalette, AnotherProgramReadsThePalettePng) {
  const bool identify = std::system("identify -version >/dev/null 2>&1") == 0;
  if (!identify) GTEST_SKIP() << "identify is missing: the PNG is not read by another program";
  TempDir dir;
  const std::string sprite = SpriteBuilder().patternFrame(5, 4, 3).write(dir.file("s.spr"));
  const std::string file = dir.file("x.png");
  ASSERT_EQ(Sprconv({"palette", sprite, "-o", file}).status, 0);
  std::string said;
  FILE* run = ::popen(("identify -format '%w %h %k %r' " + file).c_str(), "r");
  for (char c; run != nullptr && std::fread(&c, 1, 1, run) == 1;) said += c;
  if (run != nullptr) ::pclose(run);
  EXPECT_EQ(said, "16 16 256 PseudoClass sRGB ");
}

}  // namespace
}  // namespace glint::testing
