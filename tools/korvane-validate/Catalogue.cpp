#include "tools/korvane-validate/Catalogue.h"

#include <algorithm>
#include <cstdio>

const std::vector<ValidationTest>& AllTests() {
  static const std::vector<ValidationTest> tests = [] {
    std::vector<ValidationTest> all;
    AddBasicTests(all);
    AddAudioTests(all);
    AddEditorTests(all);
    AddStateTests(all);
    AddThreadTests(all);
    AddAllocationTests(all);
    std::stable_sort(all.begin(), all.end(), [](const ValidationTest& a, const ValidationTest& b) {
      return a.level < b.level;
    });
    return all;
  }();
  return tests;
}

const ValidationTest* FindTest(const std::string& name) {
  for (const ValidationTest& test : AllTests())
    if (name == test.name) return &test;
  return nullptr;
}

void RunBlocks(CheckContext& context, PluginUnderTest& plugin, PluginUnderTest::Callback callback,
               AudioBuffers& buffers, int blocks, float peak) {
  for (int b = 0; b < blocks; ++b) {
    buffers.FillInputs(context.random, peak);
    plugin.Process(callback, buffers, buffers.Frames());
  }
}

void ExpectHostRulesKept(PluginUnderTest& plugin) {
  const std::string violation = plugin.Host().Violation();
  Expect(violation.empty(), "expected " + violation);
}

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string ParameterName(PluginUnderTest& plugin, int index) {
  return "parameter " + std::to_string(index) + " (" +
         plugin.Text(effGetParamName, index, "the parameter name") + ")";
}
