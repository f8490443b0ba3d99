#include "QtMainThreadHandoff.h"

#include <QCoreApplication>
#include <QEvent>

namespace corvane {
namespace {

const QEvent::Type kRunPosted = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

void TQtMainThreadHandoff::Post(std::function<void()> Call) {
  std::lock_guard lock(FMutex);
  FCalls.push_back(std::move(Call));
  // One wake-up for a batch of calls. Posted under the lock, so the owning thread takes the
  // calls (and frees the event) only after this thread is done with both.
  if (FCalls.size() == 1) QCoreApplication::postEvent(this, new QEvent(kRunPosted));
}

bool TQtMainThreadHandoff::event(QEvent* Event) {
  bool posted = false;
  {
    // The wake-up was made by the posting thread under the lock: read it under the lock too.
    std::lock_guard lock(FMutex);
    posted = Event->type() == kRunPosted;
  }
  if (!posted) return QObject::event(Event);
  RunPosted();
  return true;
}

void TQtMainThreadHandoff::RunPosted() {
  std::deque<std::function<void()>> calls;
  {
    std::lock_guard lock(FMutex);
    calls.swap(FCalls);
  }
  for (const std::function<void()>& call : calls) call();
}

}  // namespace corvane
