#pragma once
// HDF5 as Debian builds it is not thread-safe: every use of the library in
// this program holds this one lock.

#include <mutex>

namespace quorvan {

std::mutex& Hdf5Lock();

}  // namespace quorvan
