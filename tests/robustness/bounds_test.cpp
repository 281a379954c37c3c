// Memory follows the frame really read, whatever a file claims: every reader against a header
// that claims 32,767 frames in 2 KB, a 32,767 x 32,767 frame of four stored bytes, and a frame of
// maximal zero runs. It counts what `operator new` hands out, so it stands alone in its program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "cli/cli_support.h"
#include "export/save_frames.h"
#include "spr/sprite.h"
#include "support/fake_window.h"
#include "viewer/frame_viewer.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

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
  const struct {
    const char* name;
    Bytes file;
    bool broken;
    std::size_t frameBytes;  // what one frame of it really needs: its pixel block, fitted
    int rows;                // rows the viewer paints, each followed by a yield
  } files[] = {
      {"32,767 frames claimed in 2 KB", many.build(), true, 20 * 20, 20},
      {"32,767 x 32,767 in four bytes",
       SpriteBuilder().rawFrame(32767, 32767, {0, 255, 0, 255}).build(), true, 0, 0},
      {"maximal zero runs", SpriteBuilder().rawFrame(width, height, runs).build(), false,
       std::size_t(width + 1) * std::size_t(height), height},
  };
  for (const auto& h : files) {
    SCOPED_TRACE(h.name);
    testing::TempDir dir;
    const std::string path = dir.file("h.spr");
    testing::WriteFile(path, h.file);
    testing::FakeWindow window;
    window.text1 = path;
    window.text2 = dir.path();
    FrameViewer viewer(window);
    Exporter exporter(window);
    window.scripted().inputAnswers = {"1"};  // for Save Single
    for (const std::string reader : {"viewer", "Save Single", "Save Multiple", "sprconv export",
                                     "sprconv sheet", "sprconv gif", "sprconv info"}) {
      live = peak = 0;
      metering = true;
      if (reader == "viewer") viewer.LoadSprite();
      // The window is serviced at least once per row the viewer paints.
      EXPECT_GE(window.yields, reader == "viewer" ? h.rows : 0);
      if (reader == "Save Single") exporter.mnuFileSave_Click();
      if (reader == "Save Multiple") exporter.mnuSaveMult_Click();
      if (reader.rfind("sprconv ", 0) == 0) {
        const std::string command = reader.substr(8);
        std::vector<std::string> args{command, path, "-o", dir.file("out." + command)};
        if (command == "info") args.resize(2);
        EXPECT_EQ(testing::Sprconv(args).status, h.broken ? 1 : 0) << reader;
      }
      metering = false;
      // A reader holds the expansion, the fitted block and the file or image made of them at
      // most, in vectors that may take twice what they hold; all else is small: records of at
      // most 64 KiB, palettes, texts.
      EXPECT_LE(std::size_t(peak), 4 * h.frameBytes + (1 << 20)) << reader;
    }
    // The viewer's sheet: only as large as the frames drawn, never what a header claims.
    EXPECT_LE(window.sheet().pixelWidth() * std::int64_t{window.sheet().pixelHeight()},
              std::max<std::int64_t>(361 * 1500, std::int64_t(h.frameBytes)));
    EXPECT_EQ(window.channels().openCount(), 0);
  }
}

}  // namespace
}  // namespace glint

void* operator new(std::size_t size) { return glint::allocate(size); }
void* operator new[](std::size_t size) { return glint::allocate(size); }
void operator delete(void* p) noexcept { glint::release(p); }
void operator delete[](void* p) noexcept { glint::release(p); }
void operator delete(void* p, std::size_t) noexcept { glint::release(p); }
void operator delete[](void* p, std::size_t) noexcept { glint::release(p); }
