#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "path/path.h"
#include "platform/atomic_file.h"
#include "platform/byte_source.h"
#include "platform/errors.h"
#include "platform/file_status.h"
#include "platform_support.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::wstring wide(const std::string& utf8) {
  std::wstring text(utf8.size(), L'\0');
  text.resize(static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                            static_cast<int>(text.size()))));
  return text;
}

// Every call below takes the long form, so the test's own files may be as deep as the code's.
std::wstring longForm(const std::string& path) { return L"\\\\?\\" + wide(path); }

void put(const std::string& path, const Bytes& bytes) {
  HANDLE file = ::CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD wrote = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
  ::CloseHandle(file);
}

Bytes read(const std::string& path) {
  FileSource source(path);
  Bytes bytes(static_cast<std::size_t>(source.length()));
  return source.readAt(0, bytes) ? bytes : Bytes{};
}

// A fresh folder under the system's temporary folder, by its full path with `\`.
struct WindowsFiles : ::testing::Test {
  WindowsFiles() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    dir = (fs::path(temp) / ("glint-" + std::to_string(std::random_device{}()))).string();
    fs::create_directories(dir);
  }
  ~WindowsFiles() override { remove(L"\\\\?\\" + wide(dir)); }
  // The standard library's removal stops at the old path limit.
  static void remove(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(find, &entry)) {
      const std::wstring name = entry.cFileName, inner = path + L"\\" + name;
      ::SetFileAttributesW(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        ::DeleteFileW(inner.c_str());
      else if (name != L"." && name != L"..")
        remove(inner);
    }
    ::FindClose(find);
    ::RemoveDirectoryW(path.c_str());
  }
  std::string file(const std::string& name) const { return dir + "\\" + name; }
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
      found.push_back(entry.path().filename().string());
    return found;
  }
  std::string dir;
};

TEST(WindowsPaths, SplitKeepsEachKindOfRootWhole) {
  const struct {
    std::string path, folder, name;
  } cases[] = {
      {"C:\\x.spr", "C:\\", "x.spr"},
      {"C:x.spr", "C:", "x.spr"},
      {"C:/a/x.spr", "C:/a", "x.spr"},
      {"\\\\server\\share\\x.spr", "\\\\server\\share", "x.spr"},
      {"\\\\?\\C:\\x.spr", "\\\\?\\C:\\", "x.spr"},
      {"\\x.spr", "\\", "x.spr"},
      {"a\\b/x.spr", "a\\b", "x.spr"},
  };
  for (const auto& c : cases) {
    const path::Parts parts = path::Split(c.path);
    EXPECT_EQ(parts.folder + "|" + parts.name, c.folder + "|" + c.name) << c.path;
  }
}

// Writing over a file changes its bytes alone: whether it is hidden or a system file stays.
TEST_F(WindowsFiles, ReplacingAFileKeepsItsAttributes) {
  for (const DWORD attributes :
       {DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
    put(file("a.png"), Bytes(10, 1));
    ::SetFileAttributesW(longForm(file("a.png")).c_str(), attributes);
    WriteFileAtomically(file("a.png"), Bytes{2, 3});
    EXPECT_EQ(read(file("a.png")), (Bytes{2, 3}));
    EXPECT_EQ(::GetFileAttributesW(longForm(file("a.png")).c_str()) & attributes, attributes);
    EXPECT_EQ(names(), std::vector<std::string>{"a.png"});
    ::SetFileAttributesW(longForm(file("a.png")).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// A sprite is refused, before anything is written, when writing it in place would not replace it
// whole; the file stays as it was and no temporary is left.
TEST_F(WindowsFiles, RefusesASpriteItCouldNotReplaceWhole) {
  const struct {
    std::function<void(const std::string&)> make;
    std::string error;
  } cases[] = {
      {[](const std::string& sprite) {
         ::SetFileAttributesW(longForm(sprite).c_str(), FILE_ATTRIBUTE_READONLY);
       },
       "52 it is read-only"},
      {[this](const std::string& sprite) {
         ::CreateHardLinkW(longForm(file("other.spr")).c_str(), longForm(sprite).c_str(), nullptr);
       },
       "52 it has 2 names (hard links), which writing it in place would split; -o with another "
       "name writes a new file"},
  };
  for (const auto& c : cases) {
    const std::string sprite = file("s.spr");
    put(sprite, Bytes(4, 9));
    c.make(sprite);
    EXPECT_EQ(errorOf([&] {
                AtomicFile out(sprite, {}, AtomicFile::Kind::kSprite);
                out.write(Bytes{1});
                out.commit();
              }),
              c.error);
    EXPECT_EQ(read(sprite), Bytes(4, 9));
    ::SetFileAttributesW(longForm(sprite).c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove(file("other.spr"));
    EXPECT_EQ(names(), std::vector<std::string>{"s.spr"});
    fs::remove(sprite);
  }
}

// Whatever the spelling, the same file is the same file, so an input is never written over.
TEST_F(WindowsFiles, OneFileHasOneIdHoweverItIsSpelt) {
  put(file("s.spr"), Bytes(3, 1));
  fs::create_directory(file("sub"));
  const std::string slashes = fs::path(dir).generic_string() + "/s.spr";
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  const FileId id = FileSource(file("s.spr")).id();
  for (const std::string& spelling : {slashes, "\\\\?\\" + file("s.spr"), file("sub\\..\\s.spr"),
                                      dir.substr(0, 2) + "s.spr", std::string("s.spr")}) {
    EXPECT_TRUE(FileSource(spelling).id() == id) << spelling;
    EXPECT_TRUE(StatusOf(spelling).id == id) << spelling;
  }
  EXPECT_EQ(errorOf([&] { AtomicFile out(slashes, FileIds{id}); }),
            "52 it is one of the files being read");
  EXPECT_EQ(errorOf([&] { WriteFileAtomically(dir.substr(0, 2) + "s.spr", Bytes{1}); }), "");
  fs::current_path(before);
}

// Folders are made and files written and read far below the old 260-character limit, names in
// any script.
TEST_F(WindowsFiles, PathsPastTheOldLimitAreWrittenAndRead) {
  std::string deep = dir;
  for (int k = 0; k < 5; ++k) deep += "\\" + std::string(60, static_cast<char>('a' + k)) + "Ω";
  Folder::OpenPath(deep, true);
  const std::string sprite = deep + "\\frame \xE2\x80\x94 1.spr";
  ASSERT_GT(wide(sprite).size(), 300u);
  for (const Bytes& bytes : {Bytes(70'000, 5), Bytes{6, 7}}) {  // made, then replaced
    WriteFileAtomically(sprite, bytes);
    EXPECT_EQ(read(sprite), bytes);
    EXPECT_EQ(StatusOf(sprite).size, bytes.size());
  }
  std::vector<std::string> listed;
  EXPECT_EQ(ListNames(Folder::OpenPath(deep), listed), 0);
  EXPECT_EQ(listed, std::vector<std::string>{"frame \xE2\x80\x94 1.spr"});
}

// Another program's open file makes the write fail soon, in plain words, and leaves nothing.
TEST_F(WindowsFiles, ATargetAnotherProgramHoldsOpenFailsSoonAsBusy) {
  put(file("held.png"), Bytes{1});
  HANDLE held = ::CreateFileW(longForm(file("held.png")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(errorOf([&] { WriteFileAtomically(file("held.png"), Bytes{2}); }),
            "52 another program has it open");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  ::CloseHandle(held);
  EXPECT_EQ(read(file("held.png")), Bytes{1});
  EXPECT_EQ(names(), std::vector<std::string>{"held.png"});
}

// Names Windows would alter, or take for a device, are refused as files and as folders to make.
TEST_F(WindowsFiles, RefusesNamesWindowsCannotHold) {
  const struct {
    std::string name, reason;
  } cases[] = {
      {"NUL.png", "a name Windows reserves for a device (NUL)"},
      {"com1", "a name Windows reserves for a device (COM1)"},
      {"a:b.png", "a character Windows does not allow in names (:)"},
      {"frame.", "a name ending in a dot or a space, which Windows drops"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(errorOf([&] { WriteFileAtomically(file(c.name), Bytes{1}); }), "52 " + c.reason);
    EXPECT_EQ(errorOf([&] { Folder::OpenPath(file(c.name + "\\out"), true); }), "52 " + c.reason);
  }
  EXPECT_TRUE(names().empty());
  // An input of such a name is looked at, not written: its reason is in the same words.
  EXPECT_EQ(SystemErrorReason(StatusOf(file("bad\x01name.spr")).error),
            "a name the system does not allow");
}

}  // namespace
}  // namespace glint
