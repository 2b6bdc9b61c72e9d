#include "hdf5_lock.h"

namespace quorvan {

std::mutex& Hdf5Lock() {
  static std::mutex lock;
  return lock;
}

}  // namespace quorvan
