#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

#include "MainThreadHandoff.h"

namespace corvane {

// Runs the calls of worker threads in Qt's event loop, in the order they were posted. The
// worker waits for them itself, and stops waiting when its output is destroyed; calls still
// queued when this object goes are dropped with it.
//
// The calls travel in a queue of our own, under our own lock, and only a wake-up goes
// through Qt: so the hand-over of each call is visible to ThreadSanitizer, which cannot see
// into Qt's own (uninstrumented) event queue.
class TQtMainThreadHandoff final : public QObject, public TMainThreadHandoff {
 public:
  // Lives on the thread that creates it, which must run an event loop.
  TQtMainThreadHandoff() = default;

  // Any thread.
  void Post(std::function<void()> Call) override;

 protected:
  bool event(QEvent* Event) override;

 private:
  void RunPosted();

  std::mutex FMutex;
  // Written by any thread under FMutex, taken out by the owning thread.
  std::deque<std::function<void()>> FCalls;
};

}  // namespace corvane
