// Memory follows the frame really read, whatever a file claims: what `operator new` hands out to
// each reader, and the whole process's peak resident memory under the real window. Both count
// the whole process, so this program holds nothing else.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "cli/cli_support.h"
#include "export/save_frames.h"
#include "spr/sprite.h"
#include "support/fake_window.h"
#include "support/form1_fixture.h"
#include "support/image_files.h"
#include "viewer/frame_viewer.h"

namespace glint::testing {
namespace {

// Each block carries, in front of it, its size when it was made while metering, else 0: so only
// those count, and freeing older blocks does not hide new ones.
constexpr std::size_t kFront = alignof(std::max_align_t);
std::atomic<bool> metering{false};
std::atomic<std::ptrdiff_t> live{0}, peak{0};

void* allocate(std::size_t size) {
  auto* block = static_cast<char*>(std::malloc(kFront + size));
  if (block == nullptr) throw std::bad_alloc();
  const std::ptrdiff_t counted = metering ? static_cast<std::ptrdiff_t>(size) : 0;
  std::memcpy(block, &counted, sizeof counted);
  const std::ptrdiff_t now = live += counted;
  for (auto top = peak.load(); now > top && !peak.compare_exchange_weak(top, now);) {
  }
  return block + kFront;
}

void release(void* p) {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - kFront;
  std::ptrdiff_t counted;
  std::memcpy(&counted, block, sizeof counted);
  live -= counted;
  std::free(block);
}

TEST(Bounds, EveryReaderAllocatesWhatTheFrameNeedsAndNoMore) {
  // 2 KB that claim 32,767 frames: a real one, then 102 empty records, then the palette's bytes
  // read as a record that runs past the end.
  SpriteBuilder many = SpriteBuilder().rawFrame(20, 20, Bytes(398, 5)).frameCount(32767);
  many.gap(Bytes(612, 0));
  // 32,767 runs of 255 zeros and one literal: the most pixels stored data can describe, on the
  // widest frame whose rows still fit within that count.
  Bytes runs;
  for (int k = 0; k < 32767; ++k) runs.insert(runs.end(), {0, 255});
  runs.push_back(7);
  const int width = 4095, height = static_cast<int>(spr::kMaxFramePixels / width);
  // Whether it is broken; what one frame of it really needs (its pixel block, fitted); the rows
  // the viewer paints, each followed by a yield.
  const std::tuple<const char*, Bytes, bool, std::size_t, int> files[] = {
      {"32,767 frames claimed in 2 KB", many.build(), true, 20 * 20, 20},
      {"32,767 x 32,767 in four bytes",
       SpriteBuilder().rawFrame(32767, 32767, {0, 255, 0, 255}).build(), true, 0, 0},
      {"maximal zero runs", SpriteBuilder().rawFrame(width, height, runs).build(), false,
       std::size_t(width + 1) * std::size_t(height), height},
  };
  for (const auto& [name, bytes, broken, frameBytes, rows] : files) {
    SCOPED_TRACE(name);
    TempDir dir;
    FakeWindow window;
    const std::string path = window.text1 = WriteFile(dir.file("h.spr"), bytes);
    window.text2 = dir.path();
    window.scripted().inputAnswers = {"1"};  // for Save Single
    for (const std::string reader : {"viewer", "Save Single", "Save Multiple", "sprconv export",
                                     "sprconv sheet", "sprconv gif", "sprconv info"}) {
      live = peak = 0;
      metering = true;
      if (reader == "viewer") FrameViewer(window).LoadSprite();
      EXPECT_GE(window.yields, reader == "viewer" ? rows : 0);  // serviced once a row painted
      if (reader == "Save Single") Exporter(window).mnuFileSave_Click();
      if (reader == "Save Multiple") Exporter(window).mnuSaveMult_Click();
      if (reader.starts_with("sprconv ")) {
        const Strings to = reader.ends_with("info") ? Strings{} : Strings{"-o", dir.file(reader)};
        EXPECT_EQ(Sprconv({reader.substr(8), path}, to).status, broken ? 1 : 0) << reader;
      }
      metering = false;
      // A reader holds the expansion, the fitted block and the file or image made of them at
      // most, in vectors that may take twice what they hold; all else is small: records of at
      // most 64 KiB, palettes, texts.
      EXPECT_LE(std::size_t(peak), 4 * frameBytes + (1 << 20)) << reader;
    }
    // The viewer's sheet: only as large as the frames drawn, never what a header claims.
    EXPECT_LE(window.sheet().pixelWidth() * std::int64_t{window.sheet().pixelHeight()},
              std::max<std::int64_t>(361 * 1500, std::int64_t(frameBytes)));
  }
}

// The real window loads, and then saves with Save Multiple, the sprites that ask the most of it:
// frames of the largest size, and a sheet that widens when it is nearly full.
TEST(PeakMemory, LoadAndSaveMultipleOfTheHeaviestSprites) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer's own memory would be counted";
#endif
  // Frames of no stored bytes at the most pixels a frame may have, more than the sheet holds.
  SpriteBuilder largest;
  for (int k = 0; k < 10; ++k) largest.rawFrame(2890, 2891, {});
  Form1Fixture window;
  TempDir out;
  // The largest frames as wide as the preview, until the sheet is as large as it may be and still
  // be widened, then a frame a little wider: the sheet is copied at its largest.
  const int wide = window.preview().pixelWidth();
  SpriteBuilder widening;
  for (int k = 0; k < 3; ++k)
    widening.rawFrame(wide, static_cast<int>(spr::kMaxFramePixels / wide), {});
  widening.rawFrame(wide + 2, 2, {});
  window.model().SetText2(out.path());
  for (const auto& [name, sprite] :
       {std::pair{"largest.spr", &largest}, {"widening.spr", &widening}}) {
    window.load(sprite->write(window.sprites.file(name)));
    EXPECT_EQ(window.model().StatusText().rfind("Decoded ", 0), 0u) << name;
    window.form->mnuSaveMult_Click();
    EXPECT_EQ(window.said().size(), 1u) << name;  // the summary
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
  EXPECT_LT(usage.ru_maxrss, 512 * 1024);
}

// Peak resident memory of a forked child running the converter, in KiB. The child starts with
// this process's pages, so only the difference between two runs means anything.
long ChildPeak(const Strings& args) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(Sprconv(args).status);
  rusage usage{};
  ::wait4(child, nullptr, 0, &usage);
  return usage.ru_maxrss;
}

// Images from strangers: a few kilobytes that claim a chunk of 2 GiB, or a 2 MB file of
// compressed text that inflates to 2 GB; and a sprite of 128 MiB whose frame is replaced or
// whose palette is taken. Each run takes a few megabytes more than a run that does nothing.
TEST(PeakMemory, SmallImagesAndLargeSpritesTakeLittle) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer's own memory would be counted";
#endif
  TempDir dir;
  const Bytes small = SpriteBuilder().patternFrame(8, 6, 1).build();
  Sprconv({"export", WriteFile(dir.file("s.spr"), small), "-o", dir.path(), "--format", "png"});
  const Bytes png = ReadFile(dir.file("s_01.png"));
  // The small sprite's record, then a hole, then its palette at the end of 128 MiB.
  WriteFile(dir.file("big.spr"), Bytes(small.begin(), small.end() - 1024));
  std::filesystem::resize_file(dir.file("big.spr"), (128 << 20) - 1024);
  std::ofstream(dir.file("big.spr"), std::ios::binary | std::ios::app)
      .write(reinterpret_cast<const char*>(&*(small.end() - 1024)), 1024);
  Bytes text(8000, 'x'), zipped(10000), inflates(8000000, 0);
  uLongf zippedSize = zipped.size();
  ::compress2(zipped.data(), &zippedSize, inflates.data(), inflates.size(), 9);
  zipped.resize(zippedSize);
  zipped.insert(zipped.begin(), {'C', 0, 0});
  Bytes many = png;
  for (int k = 0; k < 250; ++k)
    many = WithChunk(many, "zTXt", zipped, std::uint32_t(zipped.size()));
  WriteFile(dir.file("many.png"), many);
  const std::string out = dir.file("out.spr");
  std::vector<Strings> runs = {
      {"pack", dir.file("s_01.png"), "-o", out, "--palette", dir.file("iTXt.png")},
      {"replace", dir.file("s.spr"), "--frame", "1", dir.file("zTXt.png"), "-o", out},
      {"pack", dir.file("many.png"), "-o", out},
      {"replace", dir.file("big.spr"), "--frame", "1", dir.file("many.png"), "-o", out},
      {"replace", dir.file("big.spr"), "--frame", "1", dir.file("s_01.png")},
      {"pack", dir.file("s_01.png"), "-o", out, "--palette", dir.file("big.spr")},
      {"palette", dir.file("big.spr"), "--set", dir.file("s.spr")}};
  for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP"}) {
    Bytes claims = WithChunk(png, type, text, 0x7ffffff0);
    claims.resize(claims.size() - png.size() + 800);  // the file ends inside that chunk
    runs.push_back({"pack", WriteFile(dir.file(std::string(type) + ".png"), claims), "-o", out});
  }
  const long before = ChildPeak({"--version"});
  for (const Strings& run : runs) EXPECT_LT(ChildPeak(run) - before, 64 * 1024) << Sprconv(run).err;
  EXPECT_EQ(std::filesystem::file_size(dir.file("big.spr")), std::uintmax_t{128} << 20);
}

}  // namespace
}  // namespace glint::testing

// The array forms the library gives call these.
void* operator new(std::size_t size) { return glint::testing::allocate(size); }
void operator delete(void* p) noexcept { glint::testing::release(p); }
void operator delete(void* p, std::size_t) noexcept { glint::testing::release(p); }
