#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "platform/names.h"

namespace glint::cli {

// Where the converter talks: stdout for results, stderr for errors and the progress bar.
class Console {
 public:
  virtual ~Console() = default;
  virtual void out(std::string_view text) = 0;
  virtual void err(std::string_view text) = 0;
  virtual bool errIsTerminal() const = 0;
  // Sends what is held; says which stream could not be written, and why (empty when all went).
  virtual std::string finish() { return {}; }
};

// The quoting rule is shared with the viewer's command line.
using glint::QuotedName;
using glint::Utf8Length;

// The process's own stdout and stderr.
class StdConsole : public Console {
 public:
  void out(std::string_view text) override;
  void err(std::string_view text) override;
  bool errIsTerminal() const override;
  std::string finish() override;

 private:
  void failed(const char* stream);

  std::mutex mutex_;
  std::string failure_;
};

// Keeps what was written, for tests and for callers that want the text.
class BufferConsole : public Console {
 public:
  explicit BufferConsole(bool terminal = false) : terminal_(terminal) {}
  void out(std::string_view text) override;
  void err(std::string_view text) override;
  bool errIsTerminal() const override { return terminal_; }
  std::string outText() const;
  std::string errText() const;

 private:
  bool terminal_;
  mutable std::mutex mutex_;
  std::string out_, err_;
};

}  // namespace glint::cli
