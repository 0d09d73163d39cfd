#include "ui/qt/run_progress.h"

#include <optional>

#include <QApplication>
#include <QCoreApplication>
#include <QProgressDialog>

#include "base/messages.h"
#include "ui/core/dialog_view.h"
#include "ui/core/run_monitor.h"
#include "ui/qt/background_job.h"

namespace varnok {
namespace {

// Steps of the progress bar.
constexpr int kProgressSteps = 1000;

void ShowProgress(QProgressDialog* dialog, const CRunMonitor& monitor) {
  dialog->setLabelText(QString::fromStdString(monitor.ProgressText()));
  const std::optional<int> step = monitor.ProgressStep(kProgressSteps);
  // A bar from 0 to 0 only shows that the run goes on.
  dialog->setMaximum(step ? kProgressSteps : 0);
  if (step) dialog->setValue(*step);
}

// Shows monitor's progress over owner until job is done; Cancel, Escape and
// the close box cancel the run, which then ends at its next report.
void WaitShowingProgress(QWidget* owner, CBackgroundJob* job,
                         CRunMonitor* monitor) {
  QProgressDialog progress(owner);
  progress.setWindowTitle(QCoreApplication::applicationName());
  progress.setWindowModality(Qt::WindowModal);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  progress.setMinimumDuration(0);
  progress.setCancelButtonText(QStringLiteral("Cancel"));
  const auto cancel = [monitor, job] {
    monitor->Cancel();
    job->StopWaiting();
  };
  QObject::connect(&progress, &QProgressDialog::canceled, job, cancel);
  ShowProgress(&progress, *monitor);
  progress.show();
  QApplication::restoreOverrideCursor();
  while (!monitor->cancelled() &&
         !job->Wait(kProgressIntervalMs, QEventLoop::AllEvents)) {
    ShowProgress(&progress, *monitor);
  }
  job->Wait(-1, QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

Status RunShowingProgress(QWidget* owner, const std::function<void()>& work,
                          CRunMonitor* monitor) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  CBackgroundJob job(work);
  if (!job.started()) {
    QApplication::restoreOverrideCursor();
    return Status::IoError(messages::kCantStartThread);
  }
  if (monitor == nullptr ||
      job.Wait(kProgressDelayMs, QEventLoop::ExcludeUserInputEvents)) {
    job.Wait(-1, QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
  } else {
    WaitShowingProgress(owner, &job, monitor);
  }
  return Status::Ok();
}

}  // namespace varnok
