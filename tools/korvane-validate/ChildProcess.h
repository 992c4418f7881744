#pragma once

#include <string>
#include <vector>

/// [parent main thread] Runs this program again as a child with the arguments given and waits
/// for it at most timeout seconds; the child's standard output goes to standard error, so the
/// parent's own output stays the validator's lines. A child past its time is killed (with
/// every process it started on POSIX).
struct ChildOutcome {
  enum class Kind { Exited, Crashed, TimedOut, NotStarted };
  Kind kind = Kind::NotStarted;
  int code = 0;             // exit status, signal or exception code
  std::string description;  // "SIGSEGV (Segmentation fault)", "exception 0xc0000005 (...)"
};

ChildOutcome RunChild(const std::vector<std::string>& arguments, double timeoutSeconds);
/// This process's id, for names of temporary files.
unsigned long ProcessId();
