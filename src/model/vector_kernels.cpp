#include "vector_kernels.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace quorvan {

namespace {

bool ScalarFromEnvironment() {
  const char* v = std::getenv("QUORVAN_SCALAR");
  return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
}

// Relaxed is enough: the flag only picks between two paths with equal results.
std::atomic<bool>& ScalarForced() {
  static std::atomic<bool> forced{ScalarFromEnvironment()};
  return forced;
}

}  // namespace

bool VectorKernelsAllowed() { return !ScalarForced().load(std::memory_order_relaxed); }

void ForceScalarKernels(bool scalar) { ScalarForced().store(scalar, std::memory_order_relaxed); }

}  // namespace quorvan
