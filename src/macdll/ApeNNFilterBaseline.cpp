// The filter loop built for the baseline of the architecture (SSE2 on x86-64).

#include "ApeNNFilterKernel.h"

namespace corvane::macdll {

void FilterBaseline(TNNFilter::TState& A, int32_t* DataA, TNNFilter::TState* B, int32_t* DataB,
             int Count, bool Wide) {
  FilterAnyOrder(A, DataA, B, DataB, Count, Wide);
}

}  // namespace corvane::macdll
