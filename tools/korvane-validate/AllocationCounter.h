#pragma once

/// Counts the heap allocations and releases a thread makes while it counts: malloc, calloc,
/// realloc and free (operator new and delete reach them) are interposed in this executable,
/// so the module's calls land here too. Only where the build has no sanitizer of its own
/// allocator (ASan and TSan replace malloc themselves) and only on Linux; Available() says.
class AllocationCounter {
 public:
  static bool Available();
  /// [the counting thread] Starts counting this thread's calls from zero.
  static void Begin();
  /// [the counting thread] Stops counting; the number of calls counted.
  static long End();
};
