#include "cli_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/console.h"

namespace glint::testing {
namespace fs = std::filesystem;

CliRun Sprconv(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"sprconv"};
  argv.insert(argv.end(), args.begin(), args.end());
  cli::BufferConsole console;
  CliRun run;
  run.status = cli::Sprconv(argv, console);
  run.out = console.outText();
  run.err = console.errText();
  return run;
}

CliRun SprconvBinary(const std::vector<std::string>& args) {
  TempDir io;
  std::string outPath = io.file("out"), errPath = io.file("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0644);
  std::vector<std::string> argv{SPRCONV_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, SPRCONV_PATH, &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start sprconv");
  int status = 0;
  waitpid(pid, &status, 0);
  CliRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  Bytes out = ReadFile(outPath), err = ReadFile(errPath);
  run.out.assign(out.begin(), out.end());
  run.err.assign(err.begin(), err.end());
  return run;
}

std::map<std::string, Bytes> Tree(const std::string& root) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path().string());
  return files;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace glint::testing
