// The filter loop built for SSE4.1.

#include "ApeNNFilterKernel.h"

namespace corvane::macdll {

void FilterSse41(TNNFilter::TState& S, int32_t* Data, int Count, bool Wide) {
  FilterAnyOrder(S, Data, Count, Wide);
}

}  // namespace corvane::macdll
