#pragma once

// The Export menu's work: frames as PNG files, the sheet and the animated GIF of one sprite,
// the very files `sprconv export --format png`, `sprconv sheet` and `sprconv gif` write with the
// same options, made by the same code. It runs off the window's thread and can be cancelled;
// every file is written whole or not at all.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace glint {

struct WindowExportJob {
  enum class Kind { kFramesPng, kSheet, kGif };
  Kind kind = Kind::kFramesPng;
  std::string sprite;  // read through a byte source of its own, never the window's channels
  std::string target;  // the folder of the frames; the file of the sheet or the GIF
  bool transparent = false;
  int delayMs = 100;  // the GIF's frame time
  // Runs on the export's thread after each frame is done, for tests that act in between.
  std::function<void(int)> afterFrame;
};

struct WindowExportProgress {
  std::atomic<int> done{0};
  std::atomic<int> total{0};  // the frames with pixels, once they are known
  std::atomic<bool> cancel{false};
};

struct WindowExportResult {
  bool ok = false;
  std::string message;  // a failure or the cancel for a box; on success, a status text
  bool cancelled = false;
};

// Runs the job on the calling thread.
WindowExportResult RunWindowExport(const WindowExportJob& job, WindowExportProgress& progress);

// Work that reports through a progress and honours its cancel.
using ExportWork = std::function<WindowExportResult(WindowExportProgress&)>;

// The work on a thread of its own, started at once. Destroying it cancels and waits.
class BackgroundExport {
 public:
  explicit BackgroundExport(ExportWork work);
  ~BackgroundExport();
  BackgroundExport(const BackgroundExport&) = delete;
  BackgroundExport& operator=(const BackgroundExport&) = delete;

  void cancel() { progress_.cancel = true; }
  bool finished() const { return finished_.load(); }
  int framesDone() const { return progress_.done.load(); }
  int framesTotal() const { return progress_.total.load(); }
  // Waits for the end.
  const WindowExportResult& result();

 private:
  ExportWork work_;
  WindowExportProgress progress_;
  WindowExportResult result_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace glint
