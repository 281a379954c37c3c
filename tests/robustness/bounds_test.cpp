// Memory follows the frame really read, whatever a file claims: every reader against a header
// that claims 32,767 frames in 2 KB, a 32,767 x 32,767 frame of four stored bytes, and a frame of
// maximal zero runs.
#include <gtest/gtest.h>

#include <chrono>

#include "allocation_meter.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "export/save_frames.h"
#include "robustness_support.h"
#include "spr/spr_file.h"
#include "support/fake_window.h"
#include "viewer/frame_viewer.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

constexpr std::size_t kMiB = 1 << 20;

struct Hostile {
  const char* name;
  const char* key;  // names its figures
  Bytes file;
  bool broken;
  // What one frame of it really needs: its pixel block, fitted.
  std::size_t frameBytes;
  std::size_t messages;  // the window's boxes: the failures, or Save Multiple's summary
  int rows;              // rows the viewer paints, each followed by a yield
};

std::vector<Hostile> Files() {
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
  return {
      {"32,767 frames claimed in 2 KB", "claimed frames", many.build(), true, 20 * 20, 2, 20},
      {"32,767 x 32,767 in four bytes", "huge frame",
       SpriteBuilder().rawFrame(32767, 32767, {0, 255, 0, 255}).build(), true, 0, 3, 0},
      {"maximal zero runs", "zero runs", SpriteBuilder().rawFrame(width, height, runs).build(),
       false, static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(height), 1, height},
  };
}

// Everything but the frame is small: records of at most 64 KiB, palettes, texts. A growing
// vector may take up to twice what it holds, and a reader holds the expansion, the pixel block
// and the file or image made from them at once at most.
std::size_t peakBound(const Hostile& h) { return 4 * h.frameBytes + kMiB; }
std::size_t largestBound(const Hostile& h) { return 2 * h.frameBytes + 64 * 1024; }

TEST(Bounds, EveryReaderAllocatesWhatTheFrameNeedsAndNoMore) {
  for (const Hostile& h : Files()) {
    SCOPED_TRACE(h.name);
    testing::TempDir dir;
    const std::string path = dir.file("h.spr");
    testing::WriteBytes(path, h.file);
    if (std::string(h.name).find("2 KB") != std::string::npos) {
      EXPECT_EQ(h.file.size(), 2048u);
    }

    std::vector<std::pair<std::string, std::function<void()>>> readers;
    testing::FakeWindow window;
    window.text1 = path;
    window.text2 = dir.path();
    FrameViewer viewer(window);
    Exporter exporter(window);
    double longestWithoutYield = 0;
    int viewerYields = 0;
    auto last = std::chrono::steady_clock::now();
    window.onYield = [&] {
      viewerYields += window.Loading ? 1 : 0;
      const auto now = std::chrono::steady_clock::now();
      longestWithoutYield =
          std::max(longestWithoutYield, std::chrono::duration<double>(now - last).count());
      last = now;
    };
    readers.emplace_back("viewer", [&] { viewer.LoadSprite(); });
    readers.emplace_back("Save Single", [&] {
      window.scripted().inputAnswers = {"1"};
      exporter.mnuFileSave_Click();
    });
    readers.emplace_back("Save Multiple", [&] { exporter.mnuSaveMult_Click(); });
    for (const char* command : {"export", "sheet", "gif", "info"}) {
      readers.emplace_back(std::string("sprconv ") + command, [&, command] {
        cli::BufferConsole console;
        std::vector<std::string> args{"sprconv", command, path};
        if (std::string(command) == "sheet") args.insert(args.end(), {"-o", dir.file("s.png")});
        if (std::string(command) == "gif") args.insert(args.end(), {"-o", dir.file("a.gif")});
        if (std::string(command) == "export")
          args.insert(args.end(), {"-o", dir.path(), "-j", "1"});
        EXPECT_EQ(cli::Sprconv(args, console), h.broken ? 1 : 0) << command;
      });
    }

    for (auto& [name, read] : readers) {
      last = std::chrono::steady_clock::now();
      testing::StartMetering();
      read();
      const testing::AllocationFigures figures = testing::StopMetering();
      EXPECT_LE(figures.peak, peakBound(h)) << name;
      EXPECT_LE(figures.largest, largestBound(h)) << name;
      RecordProperty(std::string(h.key) + ": " + name + " peak KiB",
                     static_cast<int>(figures.peak / 1024));
    }
    // The viewer's sheet: only as large as the frames drawn, never what a header claims.
    EXPECT_LE(window.sheet().pixelWidth() * static_cast<std::int64_t>(window.sheet().pixelHeight()),
              std::max<std::int64_t>(361 * 1500, static_cast<std::int64_t>(h.frameBytes)));
    EXPECT_EQ(window.scripted().messages.size(), h.messages);
    EXPECT_EQ(window.channels().openCount(), 0);
    EXPECT_GE(viewerYields, h.rows);  // the window is serviced at least once per painted row
    // Not pass/fail, for the record: how long the window went without being serviced.
    RecordProperty(std::string(h.key) + ": longest ms without a yield",
                   static_cast<int>(longestWithoutYield * 1000));
  }
}

}  // namespace
}  // namespace glint
