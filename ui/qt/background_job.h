// Runs one function on a thread of its own while the interface thread goes
// on painting its windows.
//
// The job starts when it is constructed, unless the system can't start a
// thread (started() tells). Wait runs a local event loop on the
// calling thread until the work is done, a time has passed or StopWaiting is
// called; with QEventLoop::ExcludeUserInputEvents the user's clicks and keys
// are held back meanwhile and delivered afterwards. The destructor waits for
// the work to end. The work must not throw.

#ifndef VARNOK_UI_QT_BACKGROUND_JOB_H_
#define VARNOK_UI_QT_BACKGROUND_JOB_H_

#include <atomic>
#include <functional>
#include <memory>

#include <QEventLoop>
#include <QObject>

class QThread;

namespace varnok {

class CBackgroundJob : public QObject {
  Q_OBJECT

 public:
  explicit CBackgroundJob(std::function<void()> work);
  ~CBackgroundJob() override;

  // False when no thread could be started: the work then never runs.
  bool started() const { return started_; }

  // True once the work has returned; what it wrote is then visible to the
  // caller.
  bool done() const { return done_.load(std::memory_order_acquire); }

  // Processes events until the work is done, msecs milliseconds have passed
  // (a negative msecs sets no limit) or StopWaiting is called. Returns done().
  bool Wait(int msecs, QEventLoop::ProcessEventsFlags flags);

  // Ends a running Wait early.
  void StopWaiting();

 private:
  bool started_ = false;
  std::atomic<bool> done_{false};
  std::unique_ptr<QThread> thread_;
  QEventLoop* loop_ = nullptr;  // the loop of the running Wait
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_BACKGROUND_JOB_H_
