#include "tools/korvane-validate/Options.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool ParseNumber(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !(value == value)) return false;
  out = value;
  return true;
}

bool ParseInteger(const std::string& text, long long low, long long high, long long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}

}  // namespace

const char* UsageText() {
  return "Usage: korvane-validate [OPTION]... MODULE\n"
         "Checks a VST 2 module (a Linux .so; a Windows .dll with the Windows build) against\n"
         "what hosts rely on, through the binary interface alone.\n"
         "\n"
         "Each test runs in a child process of its own with a time limit: a crash or a hang\n"
         "fails that test, naming the signal and the step in hand, and the run goes on. One\n"
         "line per test (PASS name; FAIL name: what was expected, what happened; SKIP name:\n"
         "why), then 'N passed, M failed'.\n"
         "\n"
         "Options:\n"
         "  --strictness N  1..10, default 5: a test runs when its level is at most N\n"
         "  --test NAME     run only this test, whatever its level (repeatable)\n"
         "  --list          list the tests with their levels\n"
         "  --timeout S     seconds one test may take, default 60\n"
         "  --seed N        seed of every random choice, default 1\n"
         "  --repeat N      runs of each test at strictness 10, default 3\n"
         "  --skip-editor   do not open the editor\n"
         "  --json FILE     also write the results as JSON\n"
         "  --help          show this text\n"
         "\n"
         "Levels:\n"
         "  1   loading, the effect record, strings\n"
         "  2   open and close, parameters, programs, the editor\n"
         "  3   audio callbacks at common rates and block sizes, silence, process, automation\n"
         "  4   the editor while audio runs, speaker arrangements\n"
         "  5   parameters from another thread, state, the calls to the host\n"
         "  6   odd rates and block sizes, reset paths, hostile chunks and parameter values\n"
         "  7   threads: automation, displays and state while audio runs\n"
         "  8   chunks read back byte for byte\n"
         "  9   no allocation on the audio thread (Linux builds without sanitizers)\n"
         "  10  every test --repeat times, in an order shuffled by the seed\n"
         "\n"
         "The editor opens in an X11 window where DISPLAY is set (on Windows, a window of its\n"
         "own); without one the editor tests are skipped with a line.\n"
         "\n"
         "Exit status: 0 when nothing failed, 1 when a test failed, 2 for a usage error.\n";
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string text;
    long long number = 0;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--list") {
      options.list = true;
    } else if (arg == "--skip-editor") {
      options.skipEditor = true;
    } else if (arg == "--strictness") {
      if (!value(text)) return false;
      if (!ParseInteger(text, 1, 10, number)) {
        error = "--strictness takes 1..10, not '" + text + "'";
        return false;
      }
      options.strictness = static_cast<int>(number);
    } else if (arg == "--test") {
      if (!value(text)) return false;
      options.tests.push_back(text);
    } else if (arg == "--timeout") {
      if (!value(text)) return false;
      double seconds = 0.0;
      if (!ParseNumber(text, seconds) || seconds <= 0.0 || seconds > 86400.0) {
        error = "--timeout takes seconds above 0, not '" + text + "'";
        return false;
      }
      options.timeout = seconds;
    } else if (arg == "--seed") {
      if (!value(text)) return false;
      if (!ParseInteger(text, 0, 0xffffffffLL, number)) {
        error = "--seed takes 0..4294967295, not '" + text + "'";
        return false;
      }
      options.seed = static_cast<uint32_t>(number);
    } else if (arg == "--repeat") {
      if (!value(text)) return false;
      if (!ParseInteger(text, 1, 1000, number)) {
        error = "--repeat takes 1..1000, not '" + text + "'";
        return false;
      }
      options.repeat = static_cast<int>(number);
    } else if (arg == "--json") {
      if (!value(options.json)) return false;
    } else if (arg == "--child") {
      if (!value(options.child)) return false;
    } else if (arg == "--result") {
      if (!value(options.result)) return false;
    } else if (arg == "--run") {
      if (!value(text)) return false;
      if (!ParseInteger(text, 0, 1000, number)) {
        error = "--run takes 0..1000";
        return false;
      }
      options.run = static_cast<int>(number);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else if (options.module.empty()) {
      options.module = arg;
    } else {
      error = "one module at a time: '" + arg + "' is a second one";
      return false;
    }
  }
  if (options.module.empty() && !options.help && !options.list) {
    error = "no module given";
    return false;
  }
  return true;
}

std::vector<std::string> ChildArguments(const Options& options, const std::string& test, int run,
                                        const std::string& resultFile) {
  std::vector<std::string> args = {"--child",      test,
                                   "--result",     resultFile,
                                   "--run",        std::to_string(run),
                                   "--strictness", std::to_string(options.strictness),
                                   "--seed",       std::to_string(options.seed)};
  if (options.skipEditor) args.push_back("--skip-editor");
  args.push_back(options.module);
  return args;
}
