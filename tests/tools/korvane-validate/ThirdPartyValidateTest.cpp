// korvane-validate over Debian's third-party VST 2 modules: whatever faults they have, each
// test ends in one line, the run reaches its totals, and the totals and the exit status agree
// with the lines. What fails in them is theirs; this only checks that it is reported.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool Exists(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

TEST(KorvaneValidateThirdParty, EveryTestEndsInOneLineAndTheTotalsAgree) {
  const std::vector<std::string> modules = {"/usr/lib/vst/MVerb-vst.so",
                                            "/usr/lib/vst/ZamComp-vst.so"};
  int found = 0;
  for (const std::string& module : modules) {
    if (!Exists(module)) continue;
    ++found;
    const std::string command = std::string(KORVANE_VALIDATE_PATH) +
                                " --strictness 9 --skip-editor --timeout 60 '" + module +
                                "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << module;
    std::istringstream lines(out);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);
    ASSERT_FALSE(all.empty()) << module;
    int passed = 0, failed = 0, skipped = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) {
      const std::string& line = all[i];
      if (line.rfind("PASS ", 0) == 0) {
        ++passed;
      } else if (line.rfind("FAIL ", 0) == 0) {
        ++failed;
        EXPECT_NE(line.find(": expected "), std::string::npos) << module << ": " << line;
      } else if (line.rfind("SKIP ", 0) == 0) {
        ++skipped;
      } else {
        ADD_FAILURE() << module << ": not a result line: " << line;
      }
    }
    // Levels 1 to 9: every test but the soaks, one line each.
    EXPECT_EQ(passed + failed + skipped, 26) << module << "\n" << out;
    EXPECT_EQ(all.back(), std::to_string(passed) + " passed, " + std::to_string(failed) + " failed")
        << module;
    EXPECT_EQ(WEXITSTATUS(status), failed > 0 ? 1 : 0) << module;
    std::printf("%s: %s\n", module.c_str(), all.back().c_str());
  }
  if (found == 0) GTEST_SKIP() << "Debian's dpf-plugins-vst and zam-plugins are not installed";
}

}  // namespace
