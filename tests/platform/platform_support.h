#pragma once

// What the portable platform tests and the POSIX ones share; each program that runs AtomicWrite
// instantiates it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "support/sprite_builder.h"

namespace glint {

inline void touch(const std::string& path, const std::string& text = "x") {
  std::ofstream(path) << text;
}

// The error the call raises, as "number description"; empty when it raises none.
inline std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return std::to_string(e.number()) + " " + e.description();
  }
  return "";
}

// Every behaviour holds both ways of writing: through an unnamed temporary and a named one.
class AtomicWrite : public ::testing::TestWithParam<AtomicFile::Way> {
 protected:
  void SetUp() override { AtomicFile::SetWay(GetParam()); }
  void TearDown() override { AtomicFile::SetWay(AtomicFile::Way::kUnnamedWhereAvailable); }
  testing::TempDir dir;
  const std::string target = testing::WriteFile(dir.file("a.bmp"), testing::Bytes(100, 'z'));
};

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadFile;
using ::testing::StartsWith;
using testing::TempDir;

}  // namespace glint
