#pragma once
// Scaling a trail array by the decay rate.

#include <cstddef>

namespace quorvan {

/// trail[i] := (double)((long double)trail[i] * rate) for every i, exactly.
void DecayTrail(double* trail, std::size_t count, double rate);

}  // namespace quorvan
