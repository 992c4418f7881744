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
  return "usage: korvane-validate [--strictness 1..10] [--test NAME]... [--list] [--timeout S]\n"
         "                        [--seed N] [--repeat N] [--skip-editor] [--json FILE] MODULE\n"
         "\n"
         "Loads a VST 2 module and runs each test of its strictness level and below in a child\n"
         "process of its own with a time limit. Prints PASS or FAIL per test and last\n"
         "'N passed, M failed'; exits 0 only when nothing failed.\n"
         "\n"
         "  --strictness N  1..10, default 5: a test runs when its level is at most N;\n"
         "                  10 repeats every test --repeat times in shuffled order\n"
         "  --test NAME     run only this test (repeatable); --list shows the names\n"
         "  --timeout S     seconds one test may take, default 60\n"
         "  --seed N        seed of every random choice, default 1\n"
         "  --repeat N      runs of each test at strictness 10, default 3\n"
         "  --skip-editor   do not open the editor\n"
         "  --json FILE     also write the results as JSON\n";
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
