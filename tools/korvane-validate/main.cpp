// korvane-validate: checks any VST 2 module against what hosts rely on, through the binary
// interface alone. Each test runs in a child process of its own with a time limit.
//
//   korvane-validate [--strictness 1..10] [--test NAME]... [--list] [--timeout S] [--seed N]
//                    [--repeat N] [--skip-editor] [--json FILE] MODULE
#include <cstdio>

#include "tools/korvane-validate/Catalogue.h"
#include "tools/korvane-validate/Options.h"
#include "tools/korvane-validate/Runner.h"

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "korvane-validate: %s\n\n%s", error.c_str(), UsageText());
    return 2;
  }
  if (options.help) {
    std::printf("%s", UsageText());
    return 0;
  }
  if (!options.child.empty()) return RunChildTest(options);
  if (options.list) {
    for (const ValidationTest& test : AllTests())
      std::printf("%2d  %-22s %s\n", test.level, test.name, test.summary);
    return 0;
  }
  return RunValidation(options);
}
