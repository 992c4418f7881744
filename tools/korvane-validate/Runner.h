#pragma once

#include <string>
#include <vector>

#include "tools/korvane-validate/Options.h"

/// One test's verdict as the parent saw it.
struct TestResult {
  enum class Verdict { Pass, Fail, Skip };
  std::string name;  // "audio", or "audio#2" for the second run of a soak
  int level = 0;
  Verdict verdict = Verdict::Fail;
  std::string message;  // what was expected, what happened; or why it was skipped
  double seconds = 0.0;
};

/// [parent main thread] Runs the chosen tests, each in a child process of its own, prints a
/// line per test as it ends and the totals last, writes --json; the exit status: 0 when
/// nothing failed, 1 otherwise, 2 for a usage error.
int RunValidation(const Options& options);
/// [child main thread] Runs options.child and reports into options.result.
int RunChildTest(const Options& options);
