#pragma once
// 128-bit integers for the exact pixel tests of ellipses and wide lines,
// whose squared products overflow 64 bits for boxes and lines of any
// 32-bit size.

namespace quorvan {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

}  // namespace quorvan
