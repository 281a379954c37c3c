#include "platform/status.h"

#include <utility>

namespace glint {

void StatusLine::set(std::string text) {
  if (text == text_) return;  // the same text again shows nothing new
  text_ = std::move(text);
  ++revision_;
}

void StatusLine::setTail(const std::string& prefix, std::string_view tail) {
  bool prefixIntact = tailOwner_ == &prefix && tailPrefixSize_ == prefix.size() &&
                      tailRevision_ == revision_ && text_.size() >= prefix.size();
  if (prefixIntact) {
    if (std::string_view(text_).substr(prefix.size()) == tail) return;
    text_.resize(prefix.size());
  } else {
    text_.assign(prefix);
  }
  text_.append(tail);
  tailOwner_ = &prefix;
  tailPrefixSize_ = prefix.size();
  tailRevision_ = ++revision_;
}

}  // namespace glint
