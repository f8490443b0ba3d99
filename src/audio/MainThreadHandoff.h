#pragma once

#include <functional>

namespace corvane {

// How a worker reaches the user-interface thread. The audio layer knows no toolkit: the
// application posts the call into its event loop, tests pump a queue of their own.
class TMainThreadHandoff {
 public:
  virtual ~TMainThreadHandoff() = default;

  // Queues `call` to run later on the user-interface thread. Must not block and must not run
  // `call` on the calling thread. Waiting for it is the caller's business.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace corvane
