#pragma once

#include <atomic>

/// Counts the heap allocations of the threads that watch themselves: every operator new and,
/// natively without a sanitizer owning the allocator, every malloc, calloc and realloc of the
/// process (a module loaded into it included, where the program exports its symbols).
/// WatchedAllocations.cpp replaces those functions, so a test program that links it is a
/// program of its own.
/// [the watched thread] Starts or stops counting this thread's allocations.
void WatchAllocations(bool on);
/// [any thread] The allocations counted so far.
extern std::atomic<long> gWatchedAllocations;
