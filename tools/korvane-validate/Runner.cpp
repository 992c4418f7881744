#include "tools/korvane-validate/Runner.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

#include "tools/korvane-validate/Catalogue.h"
#include "tools/korvane-validate/ChildProcess.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

struct Scheduled {
  const ValidationTest* test;
  int run;
};

// The chosen tests: the named ones, or every one of the level; at strictness 10 each
// --repeat times in an order shuffled by the seed.
bool Schedule(const Options& options, std::vector<Scheduled>& runs) {
  std::vector<const ValidationTest*> chosen;
  if (!options.tests.empty()) {
    for (const std::string& name : options.tests) {
      const ValidationTest* test = FindTest(name);
      if (!test) {
        std::fprintf(stderr, "korvane-validate: no test named '%s' (--list shows them)\n",
                     name.c_str());
        return false;
      }
      chosen.push_back(test);
    }
  } else {
    for (const ValidationTest& test : AllTests())
      if (test.level <= options.strictness) chosen.push_back(&test);
  }
  const int repeat = options.strictness >= 10 ? options.repeat : 1;
  for (int run = 0; run < repeat; ++run)
    for (const ValidationTest* test : chosen) runs.push_back({test, run});
  if (repeat > 1) {
    Random random(options.seed);
    for (size_t i = runs.size(); i > 1; --i)
      std::swap(runs[i - 1], runs[random.Index(static_cast<uint32_t>(i))]);
  }
  return true;
}

struct ChildFile {
  std::string step;     // the last step begun
  std::string verdict;  // "pass", "skip", "fail" or empty
  std::string message;
};

ChildFile ReadChildFile(const std::string& path) {
  ChildFile file;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    const std::string kind = line.substr(0, space);
    const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
    if (kind == "step") {
      file.step = text;
    } else if (kind == "pass" || kind == "skip" || kind == "fail") {
      file.verdict = kind;
      file.message = text;
    }
  }
  return file;
}

std::string Seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

TestResult RunOne(const Options& options, const Scheduled& scheduled, size_t serial) {
  TestResult result;
  result.name = scheduled.test->name;
  if (scheduled.run > 0) result.name += "#" + std::to_string(scheduled.run + 1);
  result.level = scheduled.test->level;
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("korvane-validate-" + std::to_string(ProcessId()) + "-" + std::to_string(serial) + ".txt");
  const auto begin = std::chrono::steady_clock::now();
  const ChildOutcome outcome = RunChild(
      ChildArguments(options, scheduled.test->name, scheduled.run, file.string()), options.timeout);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const ChildFile child = ReadChildFile(file.string());
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  const std::string during = child.step.empty() ? "before its first step" : "during " + child.step;
  switch (outcome.kind) {
    case ChildOutcome::Kind::NotStarted:
      result.message = "expected the test's process to start, " + outcome.description;
      return result;
    case ChildOutcome::Kind::TimedOut:
      result.message =
          "expected the test to end within " + Seconds(options.timeout) + " s, it hung " + during;
      return result;
    case ChildOutcome::Kind::Crashed:
      result.message =
          "expected the module to survive, it crashed with " + outcome.description + " " + during;
      return result;
    case ChildOutcome::Kind::Exited:
      break;
  }
  if (child.verdict.empty() || (outcome.code != 0 && outcome.code != 1)) {
    result.message = "expected the test's process to end normally, it exited with status " +
                     std::to_string(outcome.code) + " " + during;
    return result;
  }
  result.message = child.message;
  if (child.verdict == "pass") result.verdict = TestResult::Verdict::Pass;
  if (child.verdict == "skip") result.verdict = TestResult::Verdict::Skip;
  return result;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool WriteJson(const Options& options, const std::vector<TestResult>& results, int passed,
               int failed, int skipped) {
  std::ofstream out(options.json, std::ios::binary);
  if (!out) return false;
  out << "{\n  \"module\": " << JsonString(options.module)
      << ",\n  \"strictness\": " << options.strictness << ",\n  \"seed\": " << options.seed
      << ",\n  \"passed\": " << passed << ",\n  \"failed\": " << failed
      << ",\n  \"skipped\": " << skipped << ",\n  \"tests\": [";
  for (size_t i = 0; i < results.size(); ++i) {
    const TestResult& r = results[i];
    const char* verdict = r.verdict == TestResult::Verdict::Pass   ? "pass"
                          : r.verdict == TestResult::Verdict::Skip ? "skip"
                                                                   : "fail";
    out << (i ? "," : "") << "\n    {\"name\": " << JsonString(r.name) << ", \"level\": " << r.level
        << ", \"result\": \"" << verdict << "\", \"message\": " << JsonString(r.message)
        << ", \"seconds\": " << Seconds(r.seconds) << "}";
  }
  out << "\n  ]\n}\n";
  return static_cast<bool>(out);
}

#if defined(_WIN32)
// An unhandled exception ends the child at once with its code, instead of a debugger or a
// dialog; the parent names the code and the step in hand.
LONG WINAPI EndOnException(EXCEPTION_POINTERS* info) {
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}
#endif

}  // namespace

int RunValidation(const Options& options) {
  std::vector<Scheduled> runs;
  if (!Schedule(options, runs)) return 2;
  std::vector<TestResult> results;
  int passed = 0, failed = 0, skipped = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    TestResult result = RunOne(options, runs[i], i);
    switch (result.verdict) {
      case TestResult::Verdict::Pass:
        ++passed;
        std::printf("PASS %s\n", result.name.c_str());
        break;
      case TestResult::Verdict::Skip:
        ++skipped;
        std::printf("SKIP %s: %s\n", result.name.c_str(), result.message.c_str());
        break;
      case TestResult::Verdict::Fail:
        ++failed;
        std::printf("FAIL %s: %s\n", result.name.c_str(), result.message.c_str());
        break;
    }
    std::fflush(stdout);
    results.push_back(std::move(result));
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  if (!options.json.empty() && !WriteJson(options, results, passed, failed, skipped)) {
    std::fprintf(stderr, "korvane-validate: cannot write %s\n", options.json.c_str());
    return 1;
  }
  return failed == 0 ? 0 : 1;
}

int RunChildTest(const Options& options) {
#if defined(_WIN32)
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnException);
#endif
  ChildReport report;
  if (!report.Open(options.result)) return 3;
  const ValidationTest* test = FindTest(options.child);
  if (!test) {
    report.Fail("expected a known test, got '" + options.child + "'");
    return 1;
  }
  CheckContext context{options, report,
                       Random(Random::SeedFor(options.seed, test->name, options.run))};
  int status = 0;
  try {
    test->run(context);
    report.Step("exiting");
    report.Pass();
  } catch (const CheckSkipped& skipped) {
    report.Step("exiting");
    report.Skip(skipped.what());
  } catch (const CheckFailure& failure) {
    report.Step("exiting");
    report.Fail(failure.what());
    status = 1;
  } catch (const std::exception& error) {
    report.Fail(std::string("expected no error in the validator, got ") + error.what());
    status = 1;
  }
  return status;
}
