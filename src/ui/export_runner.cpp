#include "ui/export_runner.h"

#include <QProgressDialog>
#include <QTimer>

#include "image/naming.h"
#include "path/path.h"

namespace glint {

ExportRunner::ExportRunner(WindowModel& window, QWidget* parent)
    : QObject(parent), window_(window), parent_(parent) {
  timer_ = new QTimer(this);
  timer_->setInterval(40);
  connect(timer_, &QTimer::timeout, this, [this] { poll(); });
}

ExportRunner::~ExportRunner() {
  timer_->stop();
  job_.reset();  // cancels and waits
  delete progress_;
}

void ExportRunner::start(WindowExportJob job) {
  std::string label = "Exporting " + std::string(path::FileName(job.sprite)) + "...";
  begin(std::move(label), [job = std::move(job)](WindowExportProgress& progress) {
    return RunWindowExport(job, progress);
  });
}

void ExportRunner::start(GalleryExport job, std::function<void(const std::string&)> status) {
  const std::size_t count = job.sprites.size();
  std::string label =
      "Exporting " + std::to_string(count) + (count == 1 ? " sprite..." : " sprites...");
  begin(
      std::move(label),
      [job = std::move(job)](WindowExportProgress& progress) {
        return RunGalleryExport(job, progress);
      },
      std::move(status));
}

void ExportRunner::begin(std::string label, ExportWork work,
                         std::function<void(const std::string&)> status) {
  label_ = std::move(label);
  status_ = std::move(status);
  exporting_.emplace(window_.Exporting);
  job_ = std::make_unique<BackgroundExport>(std::move(work));
  started_.start();
  timer_->start();
}

void ExportRunner::poll() {
  if (!job_) return;
  if (job_->finished()) {
    finish();
    return;
  }
  if (progress_ == nullptr) {
    if (started_.elapsed() < kProgressDelayMs) return;
    progress_ = new QProgressDialog(parent_);
    progress_->setObjectName("ExportProgress");
    progress_->setWindowTitle("Export");
    progress_->setLabelText(QString::fromStdString(label_));
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setWindowModality(Qt::NonModal);
    connect(progress_, &QProgressDialog::canceled, this, [this] {
      if (job_) job_->cancel();
    });
    progress_->show();
  }
  const int total = job_->framesTotal();
  if (total > 0 && !progress_->wasCanceled()) {
    progress_->setMaximum(total);
    progress_->setValue(job_->framesDone());
  }
}

void ExportRunner::finish() {
  timer_->stop();
  const WindowExportResult result = job_->result();
  job_.reset();
  delete progress_;
  exporting_.reset();
  if (result.ok && status_) {
    status_(result.message);
  } else if (result.ok) {
    window_.SetStatusText(result.message);
  } else {
    window_.dialogs().MsgBox(result.message, style::kExclamation, kAppTitle);
  }
}

}  // namespace glint
