// The editor: opened, idled and closed, also while audio runs and parameters change from a
// background thread.
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "tools/korvane-validate/BackgroundAudio.h"
#include "tools/korvane-validate/Catalogue.h"
#include "tools/korvane-validate/EditorWindow.h"

namespace {

constexpr int kIdleMs = 20;  // hosts idle editors every 20..50 ms
constexpr int kMaxEditorSide = 16384;

// The editor open in a window of the host's, closed on destruction.
class OpenEditor {
 public:
  OpenEditor(CheckContext& context, PluginUnderTest& plugin, EditorWindow& window)
      : mContext(context), mPlugin(plugin), mWindow(window) {
    context.report.Step("effEditGetRect before effEditOpen");
    ERect* rect = nullptr;
    plugin.Dispatch(effEditGetRect, 0, 0, &rect);
    context.report.Step("effEditOpen");
    const VstIntPtr opened = plugin.Dispatch(effEditOpen, 0, 0, window.Parent());
    Expect(opened != 0,
           "expected effEditOpen to open the editor (effFlagsHasEditor is set), it "
           "answered 0");
    mOpen = true;
    context.report.Step("effEditGetRect after effEditOpen");
    rect = nullptr;
    plugin.Dispatch(effEditGetRect, 0, 0, &rect);
    Expect(rect != nullptr,
           "expected effEditGetRect to give the open editor's rectangle, got "
           "null");
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    Expect(width > 0 && height > 0 && width <= kMaxEditorSide && height <= kMaxEditorSide,
           "expected an editor rectangle of 1.." + std::to_string(kMaxEditorSide) +
               " pixels a side, got " + std::to_string(width) + " x " + std::to_string(height));
    window.Resize(width, height);
    ExpectNoXError();
  }
  ~OpenEditor() {
    try {
      Close();
    } catch (const CheckFailure&) {
      // Closing after a failure: the first failure is the one reported.
    }
  }

  /// Idles the editor for the time given, calling between after each idle.
  void Idle(double seconds, const std::function<void()>& between = {}) {
    mContext.report.Step("effEditIdle");
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      mPlugin.Dispatch(effEditIdle);
      mWindow.Pump();
      ExpectNoXError();
      if (between) between();
      std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
    }
  }
  void Close() {
    if (!mOpen) return;
    mOpen = false;
    mContext.report.Step("effEditClose");
    mPlugin.Dispatch(effEditClose);
    mWindow.Pump();
    ExpectNoXError();
  }

 private:
  static void ExpectNoXError() {
    const std::string error = EditorWindow::FirstError();
    Expect(error.empty(), "expected the editor to work without X errors, got " + error);
  }

  CheckContext& mContext;
  PluginUnderTest& mPlugin;
  EditorWindow& mWindow;
  bool mOpen = false;
};

// Whether the editor can be opened here; why not otherwise.
bool EditorAvailable(CheckContext& context, PluginUnderTest& plugin, EditorWindow& window,
                     std::string& why) {
  if (context.options.skipEditor) {
    why = "--skip-editor";
    return false;
  }
  if (!plugin.HasFlag(effFlagsHasEditor)) {
    why = "the module has no editor (effFlagsHasEditor unset)";
    return false;
  }
  return window.Create(why);
}

void Editor(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  EditorWindow window;
  std::string why;
  if (!EditorAvailable(context, *plugin, window, why)) throw CheckSkipped(why);
  for (int round = 0; round < 2; ++round) {
    OpenEditor editor(context, *plugin, window);
    editor.Idle(0.5);
    editor.Close();
  }
  ExpectHostRulesKept(*plugin);
}

void EditorWithAudio(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  EditorWindow window;
  std::string why;
  if (!EditorAvailable(context, *plugin, window, why)) throw CheckSkipped(why);
  plugin->Start(44100.0, 512);
  BackgroundAudio audio(*plugin, context.random.Bits(), 512);
  audio.WaitFor(4);
  for (int round = 0; round < 2; ++round) {
    OpenEditor editor(context, *plugin, window);
    editor.Idle(0.75);
    editor.Close();
  }
  audio.Stop();
  ExpectHostRulesKept(*plugin);
}

// Parameters set every 10 ms for 100 rounds from a thread of their own while audio runs (and
// the editor is open where it can be).
void BackgroundParameters(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  if (plugin->Params() == 0) throw CheckSkipped("the module has no parameters");
  EditorWindow window;
  std::string why;
  const bool withEditor = EditorAvailable(context, *plugin, window, why);
  plugin->Start(44100.0, 512);
  BackgroundAudio audio(*plugin, context.random.Bits(), 512);
  std::atomic<bool> done{false};  // written by the parameter thread, read by the host thread
  std::string failure;            // the parameter thread's, read after it joined
  const uint32_t seed = context.random.Bits();
  context.report.Step("parameters from a background thread every 10 ms, 100 rounds" +
                      std::string(withEditor ? ", editor open" : ", no editor: " + why));
  std::thread setter([&] {
    Random random(seed);
    for (int round = 0; round < 100 && failure.empty(); ++round) {
      for (int i = 0; i < plugin->Params(); ++i) {
        plugin->SetParameter(i, static_cast<float>(random.Unit()));
        const float value = plugin->GetParameter(i);
        if (!(value >= 0.0f && value <= 1.0f))
          failure =
              "expected getParameter within 0..1 while set from a background thread, "
              "parameter " +
              std::to_string(i) + " read " + std::to_string(value);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    done.store(true);
  });
  auto wait = [&] {
    while (!done.load()) std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
  };
  try {
    if (withEditor) {
      OpenEditor editor(context, *plugin, window);
      while (!done.load()) editor.Idle(0.1);
    } else {
      wait();
    }
  } catch (...) {
    setter.join();
    throw;
  }
  setter.join();
  audio.Stop();
  Expect(failure.empty(), failure);
  ExpectHostRulesKept(*plugin);
}

}  // namespace

void AddEditorTests(std::vector<ValidationTest>& tests) {
  tests.push_back({"editor", 2, "editor opened in a window, idled and closed, twice", Editor});
  tests.push_back({"editor-with-audio", 4,
                   "editor opened and closed while audio runs on "
                   "another thread",
                   EditorWithAudio});
  tests.push_back({"background-parameters", 5,
                   "parameters set every 10 ms from another thread "
                   "while audio runs and the editor is open",
                   BackgroundParameters});
}
