// korvane-validate run as a user runs it: on modules with one deliberate fault each, every
// check is seen to fail, with the line naming what was expected and what happened, while
// the run goes on to the totals; the faultless module passes everything.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/korvane-validate/Sanitizers.h"

namespace {

#if defined(KORVANE_VALIDATE_SANITIZED)
// The sanitizer replaces malloc, so allocations are not counted, and catches a crash itself
// before the signal ends the process.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct ValidatorRun {
  int status = -1;
  std::string out;
  std::vector<std::string> lines;

  bool Has(const std::string& prefix) const {
    for (const std::string& line : lines)
      if (line.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  std::string Line(const std::string& prefix) const {
    for (const std::string& line : lines)
      if (line.compare(0, prefix.size(), prefix) == 0) return line;
    return {};
  }
};

// Runs the validator with these arguments; its standard error is dropped (the modules'
// chatter and the children's), standard output kept.
ValidatorRun Validate(const std::string& args) {
  ValidatorRun run;
  const std::string command = std::string(KORVANE_VALIDATE_PATH) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
  return run;
}

std::string Module(const char* path) {
  return std::string("'") + path + "'";
}

TEST(KorvaneValidate, FaultlessModulePassesEveryLevelAndSaysSoLast) {
  const ValidatorRun run =
      Validate("--strictness 10 --repeat 2 --skip-editor " + Module(FAULTY_MODULE_NONE));
  EXPECT_EQ(run.status, 0) << run.out;
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back().rfind(" passed, 0 failed"), run.lines.back().size() - 17) << run.out;
  EXPECT_FALSE(run.Has("FAIL")) << run.out;
  // Every test twice at strictness 10, the second run marked.
  EXPECT_TRUE(run.Has("PASS state-bytes#2")) << run.out;
  EXPECT_TRUE(run.Has("PASS bad-chunks")) << run.out;
  EXPECT_TRUE(run.Has("SKIP editor: --skip-editor")) << run.out;
}

TEST(KorvaneValidate, EachFaultFailsItsCheckWithTheLineSayingWhatHappened) {
  struct Case {
    const char* module;
    const char* test;
    const char* words;  // in the failure line
  };
  const Case cases[] = {
      {FAULTY_MODULE_CRASH_IN_OPEN, "load",
       "crashed with SIGSEGV (Segmentation fault) during "
       "effOpen"},
      {FAULTY_MODULE_NAN_OUTPUT, "audio", "got a NaN output (channel 0, frame"},
      {FAULTY_MODULE_AUTOMATE_ABOVE_ONE, "host-callbacks",
       "expected audioMasterAutomate values within 0..1, got index"},
      {FAULTY_MODULE_UNTERMINATED_NAME, "parameter-strings",
       "expected parameter 0's name terminated within a 256-byte buffer"},
      {FAULTY_MODULE_CHUNK_IGNORED, "state-restore", "expected the bank chunk to restore"},
      {FAULTY_MODULE_ALLOCATES_IN_PROCESS, "audio-allocation",
       "expected no heap allocation on the audio thread"},
      {FAULTY_MODULE_HANGS_IN_PROCESS, "audio",
       "expected the test to end within 2 s, it hung during processReplacing at 44100 Hz"},
      {FAULTY_MODULE_PARAMETER_OUT_OF_RANGE, "fuzzed-parameters",
       "expected getParameter within 0..1 after setParameter nan"},
      {FAULTY_MODULE_END_EDIT_WITHOUT_BEGIN, "host-callbacks",
       "expected audioMasterEndEdit only after audioMasterBeginEdit"},
  };
  for (const Case& c : cases) {
    // A passing test beside the failing one: the run goes on after a failure.
    const ValidatorRun run = Validate(std::string("--timeout 2 --test ") + c.test +
                                      " --test record " + Module(c.module));
    if (kSanitized && std::string(c.module) == FAULTY_MODULE_ALLOCATES_IN_PROCESS) {
      EXPECT_TRUE(run.Has("SKIP audio-allocation: this build's sanitizer replaces malloc"))
          << run.out;
      continue;
    }
    if (kSanitized && std::string(c.module) == FAULTY_MODULE_CRASH_IN_OPEN) {
      EXPECT_NE(run.Line("FAIL load:").find("during effOpen"), std::string::npos) << run.out;
      EXPECT_EQ(run.status, 1);
      continue;
    }
    const std::string line = run.Line(std::string("FAIL ") + c.test + ":");
    EXPECT_NE(line.find(c.words), std::string::npos) << c.module << "\n" << run.out;
    EXPECT_EQ(run.status, 1) << c.module;
    ASSERT_FALSE(run.lines.empty());
    if (std::string(c.module) == FAULTY_MODULE_CRASH_IN_OPEN) {
      // Every test opens the instance: both crash, each in its own process.
      EXPECT_TRUE(run.Has("FAIL record: expected the module to survive")) << run.out;
      EXPECT_EQ(run.lines.back(), "0 passed, 2 failed");
      continue;
    }
    EXPECT_TRUE(run.Has("PASS record")) << c.module << "\n" << run.out;
    EXPECT_EQ(run.lines.back(), "1 passed, 1 failed") << c.module;
  }
  // The same faults pass the checks they do not concern.
  EXPECT_EQ(Validate("--test audio " + Module(FAULTY_MODULE_CHUNK_IGNORED)).status, 0);
  EXPECT_EQ(Validate("--test state-restore " + Module(FAULTY_MODULE_NAN_OUTPUT)).status, 0);
}

TEST(KorvaneValidate, ATestRunsFromItsLevelOn) {
  // The fuzzed values are a level-6 test: strictness 5 passes the module, 6 fails it.
  const ValidatorRun five =
      Validate("--strictness 5 --skip-editor " + Module(FAULTY_MODULE_PARAMETER_OUT_OF_RANGE));
  EXPECT_EQ(five.status, 0) << five.out;
  EXPECT_TRUE(five.Has("PASS parameter-range")) << five.out;
  EXPECT_FALSE(five.Has("PASS fuzzed-parameters") || five.Has("FAIL fuzzed-parameters"));
  const ValidatorRun six =
      Validate("--strictness 6 --skip-editor " + Module(FAULTY_MODULE_PARAMETER_OUT_OF_RANGE));
  EXPECT_EQ(six.status, 1) << six.out;
  EXPECT_TRUE(six.Has("FAIL fuzzed-parameters: ")) << six.out;
  EXPECT_FALSE(six.Has("state-bytes")) << "a level-8 test ran at strictness 6\n" << six.out;
}

TEST(KorvaneValidate, JsonHoldsTheSameResultsAsTheLines) {
  const std::string json = std::string(::testing::TempDir()) + "/korvane-validate-test.json";
  const ValidatorRun run = Validate("--json '" + json + "' --test audio --test load " +
                                    Module(FAULTY_MODULE_NAN_OUTPUT));
  EXPECT_EQ(run.status, 1);
  std::ifstream in(json);
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  EXPECT_NE(s.find("\"passed\": 1"), std::string::npos) << s;
  EXPECT_NE(s.find("\"failed\": 1"), std::string::npos) << s;
  EXPECT_NE(s.find("{\"name\": \"audio\", \"level\": 3, \"result\": \"fail\", \"message\": "
                   "\"expected finite"),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("{\"name\": \"load\", \"level\": 1, \"result\": \"pass\""), std::string::npos)
      << s;
  std::remove(json.c_str());
}

TEST(KorvaneValidate, SameSeedSameRunAndUsageErrorsExitTwo) {
  const std::string args =
      "--strictness 10 --repeat 2 --skip-editor --seed 7 " + Module(FAULTY_MODULE_NONE);
  const ValidatorRun first = Validate(args);
  const ValidatorRun second = Validate(args);
  EXPECT_EQ(first.out, second.out);
  // The shuffled order depends on the seed.
  EXPECT_NE(
      Validate("--strictness 10 --repeat 2 --skip-editor --seed 8 " + Module(FAULTY_MODULE_NONE))
          .out,
      first.out);
  EXPECT_EQ(Validate("--strictness 11 " + Module(FAULTY_MODULE_NONE)).status, 2);
  EXPECT_EQ(Validate("--test no-such-test " + Module(FAULTY_MODULE_NONE)).status, 2);
  EXPECT_EQ(Validate("").status, 2);
  const ValidatorRun missing = Validate("--test load /nonexistent/module.so");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.Line("FAIL load:").find("expected the module to load"), std::string::npos)
      << missing.out;
}

}  // namespace
