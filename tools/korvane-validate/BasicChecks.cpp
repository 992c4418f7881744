// Loading, the record, strings, open/close, parameters and programs.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/korvane-validate/Catalogue.h"

namespace {

constexpr double kLoadLimitMs = 100.0;
constexpr int kMaxCount = 100000;   // parameters or programs a real module may announce
constexpr int kMaxChannels = 1024;  // audio channels per side

void Load(CheckContext& context) {
  PluginUnderTest plugin(context.options.module, context.report);
  Expect(plugin.LoadMilliseconds() <= kLoadLimitMs,
         "expected the module to load within " + NumberText(kLoadLimitMs) + " ms, it took " +
             NumberText(plugin.LoadMilliseconds()) + " ms");
  plugin.Open();
  plugin.Close();
}

void Record(CheckContext& context) {
  PluginUnderTest plugin(context.options.module, context.report);
  const AEffect* e = plugin.Effect();
  auto count = [](const char* what, VstInt32 value, VstInt32 limit) {
    Expect(value >= 0 && value <= limit, std::string("expected ") + what + " within 0.." +
                                             std::to_string(limit) + ", got " +
                                             std::to_string(value));
  };
  count("numParams", e->numParams, kMaxCount);
  count("numPrograms", e->numPrograms, kMaxCount);
  count("numInputs", e->numInputs, kMaxChannels);
  count("numOutputs", e->numOutputs, kMaxChannels);
  Expect(e->numParams == 0 || (e->setParameter && e->getParameter),
         "expected setParameter and getParameter for " + std::to_string(e->numParams) +
             " parameters, got a null callback");
  Expect(!plugin.HasFlag(effFlagsCanReplacing) || e->processReplacing,
         "expected processReplacing with effFlagsCanReplacing set, got null");
  Expect(!plugin.HasFlag(effFlagsCanDoubleReplacing) || e->processDoubleReplacing,
         "expected processDoubleReplacing with effFlagsCanDoubleReplacing set, got null");
  Expect(plugin.HasFlag(effFlagsCanReplacing) || e->process,
         "expected processReplacing (effFlagsCanReplacing) or process, got neither");
  Expect(e->initialDelay >= 0,
         "expected initialDelay of 0 samples or more, got " + std::to_string(e->initialDelay));
  plugin.Open();
  context.report.Step("effGetPlugCategory");
  const VstIntPtr category = plugin.Dispatch(effGetPlugCategory);
  Expect(category >= 0 && category < kPlugCategMaxCount,
         "expected a category within 0.." + std::to_string(kPlugCategMaxCount - 1) + ", got " +
             std::to_string(static_cast<long long>(category)));
  context.report.Step("effGetVstVersion");
  const VstIntPtr version = plugin.Dispatch(effGetVstVersion);
  Expect(version >= 0 && version <= 9999, "expected effGetVstVersion 0..9999 (2400 for 2.4), got " +
                                              std::to_string(static_cast<long long>(version)));
}

void Strings(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  context.report.Step("effGetEffectName");
  plugin->Text(effGetEffectName, 0, "the effect name");
  context.report.Step("effGetVendorString");
  plugin->Text(effGetVendorString, 0, "the vendor string");
  context.report.Step("effGetProductString");
  plugin->Text(effGetProductString, 0, "the product string");
  for (int i = 0; i < plugin->Effect()->numInputs; ++i) {
    VstPinProperties pin{};
    if (plugin->Dispatch(effGetInputProperties, i, 0, &pin) == 0) continue;
    Expect(std::memchr(pin.label, 0, sizeof pin.label) &&
               std::memchr(pin.shortLabel, 0, sizeof pin.shortLabel),
           "expected input " + std::to_string(i) + "'s pin labels terminated, they were not");
  }
  for (int i = 0; i < plugin->Effect()->numOutputs; ++i) {
    VstPinProperties pin{};
    if (plugin->Dispatch(effGetOutputProperties, i, 0, &pin) == 0) continue;
    Expect(std::memchr(pin.label, 0, sizeof pin.label) &&
               std::memchr(pin.shortLabel, 0, sizeof pin.shortLabel),
           "expected output " + std::to_string(i) + "'s pin labels terminated, they were not");
  }
}

void OpenClose(CheckContext& context) {
  std::shared_ptr<VstModule> module;
  for (int i = 0; i < 10; ++i) {
    context.report.Step("instance " + std::to_string(i + 1) + " of 10");
    PluginUnderTest plugin(context.options.module, context.report, i == 0 ? nullptr : module);
    if (i == 0) module = plugin.Module();
    plugin.Open();
    plugin.Start(44100.0, 512);
    plugin.Close();
  }
}

void ParameterStrings(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  for (int i = 0; i < plugin->Params(); ++i) {
    const std::string n = std::to_string(i);
    context.report.Step("strings of parameter " + n);
    plugin->Text(effGetParamName, i, "parameter " + n + "'s name");
    plugin->Text(effGetParamLabel, i, "parameter " + n + "'s label");
    plugin->Text(effGetParamDisplay, i, "parameter " + n + "'s display");
  }
}

void ParameterRange(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  plugin->ExpectParametersInRange("after effOpen");
  for (int i = 0; i < plugin->Params(); ++i) {
    for (float value : {0.0f, 0.5f, 1.0f}) {
      context.report.Step("setParameter(" + std::to_string(i) + ", " + NumberText(value) + ")");
      plugin->SetParameter(i, value);
      const float read = plugin->GetParameter(i);
      Expect(read >= 0.0f && read <= 1.0f,
             "expected getParameter within 0..1 after setParameter " + NumberText(value) + ", " +
                 ParameterName(*plugin, i) + " read " + NumberText(read));
    }
  }
}

// The display is a function of the value: showing a value again shows the same text, and a
// module that parses its own text (effString2Parameter) lands on a value showing that text.
void ParameterDisplay(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  for (int i = 0; i < plugin->Params(); ++i) {
    context.report.Step("display round trip of parameter " + std::to_string(i));
    for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
      plugin->SetParameter(i, value);
      const float set = plugin->GetParameter(i);
      const std::string shown = plugin->Text(effGetParamDisplay, i, "the display");
      plugin->SetParameter(i, value < 0.5f ? 1.0f : 0.0f);
      plugin->SetParameter(i, set);
      const std::string again = plugin->Text(effGetParamDisplay, i, "the display");
      Expect(again == shown, "expected " + ParameterName(*plugin, i) + " to show '" + shown +
                                 "' again at " + NumberText(set) + ", it showed '" + again + "'");
      std::vector<char> text(shown.begin(), shown.end());
      text.resize(256, '\0');
      if (shown.empty() || plugin->Dispatch(effString2Parameter, i, 0, text.data()) == 0) continue;
      const std::string parsed = plugin->Text(effGetParamDisplay, i, "the display");
      Expect(parsed == shown, "expected " + ParameterName(*plugin, i) + " to show '" + shown +
                                  "' after effString2Parameter('" + shown + "'), it showed '" +
                                  parsed + "'");
    }
  }
}

void Programs(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const int programs = plugin->Programs();
  if (programs <= 0) throw CheckSkipped("the module announces no programs");
  const VstIntPtr original = plugin->Dispatch(effGetProgram);
  Expect(original >= 0 && original < programs,
         "expected effGetProgram within 0.." + std::to_string(programs - 1) + ", got " +
             std::to_string(static_cast<long long>(original)));
  std::vector<int> order;
  for (int i = 0; i < 5; ++i)
    order.push_back(static_cast<int>(context.random.Index(static_cast<uint32_t>(programs))));
  order.push_back(static_cast<int>(original));
  for (int program : order) {
    const std::string p = std::to_string(program);
    context.report.Step("effSetProgram(" + p + ")");
    plugin->Dispatch(effBeginSetProgram);
    plugin->Dispatch(effSetProgram, 0, program);
    plugin->Dispatch(effEndSetProgram);
    const VstIntPtr current = plugin->Dispatch(effGetProgram);
    Expect(current == program, "expected effGetProgram " + p + " after effSetProgram(" + p +
                                   "), got " + std::to_string(static_cast<long long>(current)));
    const std::string name = plugin->Text(effGetProgramName, 0, "the program name");
    std::vector<unsigned char> indexed(320, 0xA5);
    if (plugin->Dispatch(effGetProgramNameIndexed, program, -1, indexed.data()) != 0) {
      Expect(std::memchr(indexed.data(), 0, 256) != nullptr,
             "expected program " + p + "'s indexed name terminated within 256 bytes, it was not");
      const std::string byIndex(reinterpret_cast<const char*>(indexed.data()));
      Expect(byIndex == name, "expected program " + p +
                                  "'s indexed name to be the current "
                                  "program's name '" +
                                  name + "', got '" + byIndex + "'");
    }
    plugin->ExpectParametersInRange("after effSetProgram(" + p + ")");
  }
}

}  // namespace

void AddBasicTests(std::vector<ValidationTest>& tests) {
  tests.push_back(
      {"load", 1, "loads within 100 ms, entry point, magic, effOpen and effClose", Load});
  tests.push_back({"record", 1, "sane counts, callbacks for the flags, category", Record});
  tests.push_back({"strings", 1, "effect, vendor, product and pin names terminated", Strings});
  tests.push_back({"open-close", 2, "ten instances opened, started and closed", OpenClose});
  tests.push_back(
      {"parameter-strings", 2, "names, labels and displays terminated", ParameterStrings});
  tests.push_back({"parameter-range", 2, "getParameter within 0..1 after setParameter 0, 0.5, 1",
                   ParameterRange});
  tests.push_back({"parameter-display", 2,
                   "displays shown again for the same value, text "
                   "round trip",
                   ParameterDisplay});
  tests.push_back(
      {"programs", 2, "program changes and back, names indexed and current agree", Programs});
}
