#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glint {

// What long work needs from the window: the one-line status text and the yield that lets
// pending window events run.
class StatusAndYield {
 public:
  virtual ~StatusAndYield() = default;
  virtual const std::string& StatusText() const = 0;
  virtual void SetStatusText(std::string text) = 0;
  // Sets the text to prefix + tail. `prefix` is a string the caller took from StatusText() and
  // keeps alive unchanged across its calls; while nobody else sets the text in between, only the
  // tail is rewritten, so a long prefix is not copied again for every call.
  virtual void SetStatusTail(const std::string& prefix, std::string_view tail) = 0;
  virtual void Yield() = 0;
  // False when nobody looks at the progress and the yield does nothing, so long work may skip
  // both.
  virtual bool ShowsProgress() const { return true; }
  // A count of the text's changes, where the window keeps one: long work that finds it as it
  // was after its own last write knows nobody else wrote in between. None: always rewrite.
  virtual std::optional<std::uint64_t> StatusRevision() const { return std::nullopt; }
};

// The status text itself, kept exactly; widgets show it at their next paint.
class StatusLine {
 public:
  const std::string& text() const { return text_; }
  void set(std::string text);
  void setTail(const std::string& prefix, std::string_view tail);
  // Counts changes, so a view can tell whether it is behind.
  std::uint64_t revision() const { return revision_; }

 private:
  std::string text_;
  std::uint64_t revision_ = 0;
  // Who wrote the last tail; when it writes again with nothing in between, its prefix is intact.
  const std::string* tailOwner_ = nullptr;
  std::size_t tailPrefixSize_ = 0;
  std::uint64_t tailRevision_ = 0;
};

}  // namespace glint
