// The filter loop built for the baseline of the architecture (SSE2 on x86-64).

#include "ApeNNFilterKernel.h"

namespace corvane::macdll {

void FilterBaseline(TNNFilter::TState& S, int32_t* Data, int Count, bool Wide) {
  FilterAnyOrder(S, Data, Count, Wide);
}

}  // namespace corvane::macdll
