#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/korvane-validate/ChildReport.h"
#include "tools/korvane-validate/Options.h"
#include "tools/korvane-validate/PluginUnderTest.h"
#include "tools/korvane-validate/Random.h"

/// What a test gets in its child process.
struct CheckContext {
  const Options& options;
  ChildReport& report;
  Random random;

  /// A fresh, opened instance of the module under test.
  std::unique_ptr<PluginUnderTest> OpenPlugin(std::shared_ptr<VstModule> module = nullptr) {
    auto plugin = std::make_unique<PluginUnderTest>(options.module, report, std::move(module));
    plugin->Open();
    return plugin;
  }
};

/// One test: a name users pass to --test, the strictness level from which it runs, a line
/// for --list, and its body, which returns when the test passed and throws CheckFailure (or
/// CheckSkipped) otherwise.
struct ValidationTest {
  const char* name;
  int level;
  const char* summary;
  void (*run)(CheckContext&);
};

/// Every test in the order of their levels.
const std::vector<ValidationTest>& AllTests();
const ValidationTest* FindTest(const std::string& name);

// The groups of tests, each in its own source.
void AddBasicTests(std::vector<ValidationTest>& tests);
void AddAudioTests(std::vector<ValidationTest>& tests);
void AddStateTests(std::vector<ValidationTest>& tests);
void AddThreadTests(std::vector<ValidationTest>& tests);
void AddEditorTests(std::vector<ValidationTest>& tests);
void AddAllocationTests(std::vector<ValidationTest>& tests);

// Shared by the groups.
/// Runs blocks of noise (or silence with peak 0) through the callback; fails on bad output.
void RunBlocks(CheckContext& context, PluginUnderTest& plugin, PluginUnderTest::Callback callback,
               AudioBuffers& buffers, int blocks, float peak);
/// Fails when the host saw a broken rule in the module's calls.
void ExpectHostRulesKept(PluginUnderTest& plugin);
/// A number as failure lines show it (%g).
std::string NumberText(double value);
/// A value for a parameter description: "parameter 3 (Cutoff)".
std::string ParameterName(PluginUnderTest& plugin, int index);
