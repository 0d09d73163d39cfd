#include "ui/qt/background_job.h"

#include <utility>

#include <QThread>
#include <QTimer>

namespace varnok {

CBackgroundJob::CBackgroundJob(std::function<void()> work) {
  thread_.reset(QThread::create([this, work = std::move(work)] {
    work();
    done_.store(true, std::memory_order_release);
    // Wakes a Wait on the interface thread.
    QMetaObject::invokeMethod(this, &CBackgroundJob::StopWaiting,
                              Qt::QueuedConnection);
  }));
  thread_->start();
  // A thread that could not be created is neither running nor finished.
  started_ = thread_->isRunning() || thread_->isFinished();
}

CBackgroundJob::~CBackgroundJob() { thread_->wait(); }

bool CBackgroundJob::Wait(int msecs, QEventLoop::ProcessEventsFlags flags) {
  if (done() || !started_) return done();
  QEventLoop loop;
  QTimer timer;
  if (msecs >= 0) {
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(msecs);
  }
  // Should the work end between the test above and exec(), its wake-up call
  // is already queued and ends the loop at once.
  loop_ = &loop;
  loop.exec(flags);
  loop_ = nullptr;
  return done();
}

void CBackgroundJob::StopWaiting() {
  if (loop_ != nullptr) loop_->quit();
}

}  // namespace varnok
