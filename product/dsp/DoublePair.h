#pragma once

/// Two doubles side by side in one vector register: GCC and Clang lower this to SSE2 on x86-64
/// and to scalar code on the x87 build. Each lane gets exactly the IEEE operations written, so
/// a pair computes what two scalar evaluations do.
///
/// Passed by reference only: the 32-bit build has no SSE registers to pass one in by value.
typedef double DoublePair __attribute__((vector_size(16)));
