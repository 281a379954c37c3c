#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/options.h"

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

// Runs one unit of work and tells how it failed: "" when it did not, else the lines for stderr.
// A fault in what is read and a lack of memory are told of `input`; an error no other case
// knows, of `output`.
std::string Attempt(const std::function<void()>& work, const std::string& input,
                    const std::string& output);

// The same, the lines handed to `tell`, as an exit status.
ExitStatus Run(const std::function<void()>& work, const std::string& input,
               const std::string& output, const std::function<void(const std::string&)>& tell);

}  // namespace glint::cli
