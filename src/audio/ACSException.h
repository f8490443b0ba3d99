#pragma once

#include <stdexcept>

namespace corvane {

// Misuse of an audio component, or a failure of one of the codec components.
class EACSException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace corvane
