#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace glint::cli {

// Where the converter talks: stdout for results, stderr for errors and the progress bar.
class Console {
 public:
  virtual ~Console() = default;
  virtual void out(std::string_view text) = 0;
  virtual void err(std::string_view text) = 0;
  virtual bool errIsTerminal() const = 0;
};

// The process's own stdout and stderr.
class StdConsole : public Console {
 public:
  void out(std::string_view text) override;
  void err(std::string_view text) override;
  bool errIsTerminal() const override;
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
