// The filter loop built for AVX2.

#include "ApeNNFilterKernel.h"

namespace corvane::macdll {

void FilterAvx2(TNNFilter::TState& A, int32_t* DataA, TNNFilter::TState* B, int32_t* DataB,
             int Count, bool Wide) {
  FilterAnyOrder(A, DataA, B, DataB, Count, Wide);
}

}  // namespace corvane::macdll
