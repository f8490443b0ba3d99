#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace corvane::test {

struct TChildOptions {
  // Run as "nobody" when the tests run as root, whom file permissions do not stop.
  bool DropRoot = false;
  // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored so writes fail with EFBIG; -1 for none.
  int64_t FileSizeLimit = -1;
};

// Runs Check in a forked child and returns its verdict: empty on success, else the failure
// text (also when the child crashed). Folders the child must reach have to be open to it.
std::string RunInChild(const TChildOptions& Options, const std::function<std::string()>& Check);

}  // namespace corvane::test
