#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "export/gallery_export.h"
#include "export/window_export.h"
#include "window/window_model.h"

class QTimer;
class QWidget;

namespace glint {

// Runs the Export menu's work, and the gallery's, off the window's thread. `Exporting` is set
// meanwhile, so closing is refused; work longer than half a second shows a progress dialog that can
// cancel it; the end shows a box for a failure or a cancel, and the status line for a success.
class ExportRunner : public QObject {
 public:
  static constexpr int kProgressDelayMs = 500;

  ExportRunner(WindowModel& window, QWidget* parent);
  ~ExportRunner() override;

  void start(WindowExportJob job);
  // The gallery's export of many sprites. Its success goes to `status`, the gallery's own line
  // (the window's only when it is empty); failures and cancels to a box, as above.
  void start(GalleryExport job, std::function<void(const std::string&)> status);
  bool running() const { return job_ != nullptr; }
  // Null unless shown.
  QProgressDialog* progressDialog() const { return progress_; }

 private:
  void begin(std::string label, ExportWork work,
             std::function<void(const std::string&)> status = {});
  void poll();
  void finish();

  WindowModel& window_;
  QWidget* parent_;
  std::unique_ptr<BackgroundExport> job_;
  QTimer* timer_ = nullptr;
  QElapsedTimer started_;
  QPointer<QProgressDialog> progress_;
  std::string label_;
  std::function<void(const std::string&)> status_;  // unset: the window's status line
  std::optional<ScopedFlag> exporting_;             // set from start to finish
};

}  // namespace glint
