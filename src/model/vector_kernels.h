#pragma once
// Whether the trail kernels (decay, extremes scan) take their vector paths.
//
// Both paths give the same bits; the switch exists so that the plain paths
// are exercised on machines that have the vector units too. Setting the
// environment variable QUORVAN_SCALAR (to anything but "0") before the first
// kernel call forces the plain paths, as does ForceScalarKernels.

namespace quorvan {

/// False when the plain paths are forced; the processor checks come on top.
bool VectorKernelsAllowed();
/// Forces (true) or releases (false) the plain paths from now on.
void ForceScalarKernels(bool scalar);

}  // namespace quorvan
