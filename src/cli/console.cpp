#include "cli/console.h"

#include <cerrno>
#include <cstdio>

#include "platform/errors.h"
#include "platform/process.h"

namespace glint::cli {

void StdConsole::failed(const char* stream) {
  const int code = errno;
  std::lock_guard lock(mutex_);
  if (failure_.empty())
    failure_ = std::string("cannot write to ") + stream + ": " + SystemErrorReason(code);
}

void StdConsole::out(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) failed("standard output");
}

void StdConsole::err(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), stderr) != text.size() || std::fflush(stderr) != 0)
    failed("standard error");
}

std::string StdConsole::finish() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) failed("standard output");
  std::lock_guard lock(mutex_);
  return failure_;
}

bool StdConsole::errIsTerminal() const { return StandardErrorIsTerminal(); }

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
