#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "cli/console.h"

namespace glint::cli {

// A failure of one input or one output, told to the user as "sprconv: PATH: reason".
class Failure : public std::runtime_error {
 public:
  Failure(std::string path, std::string reason)
      : std::runtime_error(reason), path_(std::move(path)), reason_(std::move(reason)) {}
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// Several failures found at once, told a line each.
class Failures : public std::runtime_error {
 public:
  explicit Failures(std::vector<Failure> all)
      : std::runtime_error(all.front().reason()), all_(std::move(all)) {}
  const std::vector<Failure>& all() const { return all_; }

 private:
  std::vector<Failure> all_;
};

// One line for stderr; the path quoted where it needs to be.
inline std::string ErrorLine(const std::string& path, const std::string& reason) {
  return "sprconv: " + QuotedName(path) + ": " + reason + "\n";
}

}  // namespace glint::cli
