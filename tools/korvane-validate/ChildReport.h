#pragma once

#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>

/// A check that did not hold: what was expected, what happened.
struct CheckFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
/// A test that does not apply to this module, with the reason.
struct CheckSkipped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// [child process] What one test tells its parent through a file: the steps as they begin
/// (so that a crash or a hang names the step in hand) and the verdict last. Each line is
/// flushed at once; the process may die at any moment after it.
///
/// File lines: "step TEXT", then one of "pass", "skip TEXT", "fail TEXT".
class ChildReport {
 public:
  /// [child main thread] Opens the result file; false when it cannot be written.
  bool Open(const std::string& path);
  ~ChildReport();

  /// [any child thread] The step that begins now.
  void Step(const std::string& text);
  void Pass() { Line("pass", ""); }
  void Skip(const std::string& why) { Line("skip", why); }
  void Fail(const std::string& why) { Line("fail", why); }

 private:
  void Line(const char* kind, const std::string& text);
  std::mutex mLock;
  std::FILE* mFile = nullptr;
};

/// Fails the test unless condition holds: "expected ..., ...".
inline void Expect(bool condition, const std::string& whatFailed) {
  if (!condition) throw CheckFailure(whatFailed);
}
