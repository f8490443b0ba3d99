// The filter loop built for AVX2.

#include "ApeNNFilterKernel.h"

namespace corvane::macdll {

void FilterAvx2(TNNFilter::TState& S, int32_t* Data, int Count, bool Wide) {
  FilterAnyOrder(S, Data, Count, Wide);
}

}  // namespace corvane::macdll
