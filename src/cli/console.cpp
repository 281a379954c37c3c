#include "cli/console.h"

#include <unistd.h>

#include <cstdio>

namespace glint::cli {

void StdConsole::out(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void StdConsole::err(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

bool StdConsole::errIsTerminal() const { return ::isatty(STDERR_FILENO) == 1; }

void BufferConsole::out(std::string_view text) {
  std::lock_guard lock(mutex_);
  out_.append(text);
}

void BufferConsole::err(std::string_view text) {
  std::lock_guard lock(mutex_);
  err_.append(text);
}

std::string BufferConsole::outText() const {
  std::lock_guard lock(mutex_);
  return out_;
}

std::string BufferConsole::errText() const {
  std::lock_guard lock(mutex_);
  return err_;
}

}  // namespace glint::cli
