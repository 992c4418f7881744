// korvane-snapshot: renders the Korvane Filter editor off screen and writes it as a PNG.
//
//   korvane-snapshot [--param INDEX=VALUE]... [--lamp VALUE] [--meter VALUE] OUTPUT.png
//
// Parameter values are normalised (0..1) and set as a host would (setParameter); the lamp and
// the meter are the values the processing would push to the editor. The picture is the whole
// panel after one full draw pass, written as 8-bit RGB.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/IGraphics.h"
#include "product/KorvaneFilter.h"
#include "raster/PngWriter.h"
#include "vst/VSTEntry.h"

namespace {

VstIntPtr VSTCALLBACK QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

BraxVST* CreateFilter(audioMasterCallback host) {
  return new KorvaneFilter(host);
}

constexpr const char* kHelp =
    "Draws the Korvane Filter editor off screen, after one full draw pass, into a PNG file.\n"
    "\n"
    "Usage: korvane-snapshot [OPTIONS] OUTPUT.png\n"
    "\n"
    "Options:\n"
    "  --param INDEX=VALUE  Set parameter INDEX (0 to 4) to the normalised VALUE (0..1) as a\n"
    "                       host would, before drawing; may be repeated\n"
    "  --lamp VALUE         Limiter lamp brightness, 0..1 (default 0)\n"
    "  --meter VALUE        Level meter reading, 0..1 (default 0)\n"
    "  -h, --help           Print this help and exit\n"
    "  --version            Print the version and exit\n"
    "\n"
    "Example: korvane-snapshot --param 0=1 --lamp 0.4 --meter 0.6 panel.png\n";

int Usage() {
  std::fprintf(stderr,
               "usage: korvane-snapshot [--param INDEX=VALUE]... [--lamp VALUE] [--meter VALUE] "
               "OUTPUT.png\n");
  return 2;
}

bool ParseDouble(const char* text, double& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text, &end);
  return end != text && *end == '\0' && errno == 0 && out == out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::pair<int, double>> params;
  double lamp = 0.0, meter = 0.0;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("korvane-snapshot " KORVANE_VERSION);
      return 0;
    }
    if ((arg == "--param" || arg == "--lamp" || arg == "--meter") && i + 1 < argc) {
      const char* value = argv[++i];
      double v = 0.0;
      if (arg == "--param") {
        const char* eq = std::strchr(value, '=');
        char* end = nullptr;
        const long index = std::strtol(value, &end, 10);
        if (!eq || end != eq || index < 0 || index >= KorvaneFilter::kNumParams ||
            !ParseDouble(eq + 1, v)) {
          std::fprintf(stderr, "korvane-snapshot: bad --param '%s'\n", value);
          return Usage();
        }
        params.push_back({static_cast<int>(index), v});
      } else if (!ParseDouble(value, v)) {
        std::fprintf(stderr, "korvane-snapshot: bad value '%s'\n", value);
        return Usage();
      } else {
        (arg == "--lamp" ? lamp : meter) = v;
      }
    } else if (!arg.empty() && arg[0] != '-' && !output) {
      output = argv[i];
    } else {
      return Usage();
    }
  }
  if (!output) return Usage();

  AEffect* effect = VSTCreateInstance(CreateFilter, QuietHost);
  if (!effect) {
    std::fprintf(stderr, "korvane-snapshot: the plug-in could not be created\n");
    return 1;
  }
  for (const auto& p : params) effect->setParameter(effect, p.first, static_cast<float>(p.second));
  auto* plug = static_cast<KorvaneFilter*>(effect->object);
  IGraphics* gui = plug->GetGUI();
  bool ok = gui != nullptr;
  if (ok) {
    // The lamp and the meter are the fifth and sixth controls; the plug-in stores their indices.
    gui->SetControlFromPlugin(5, lamp);
    gui->SetControlFromPlugin(6, meter);
    gui->Draw(IRect(0, 0, gui->Width(), gui->Height()));
    const Pixel32* bits = gui->GetDrawBits();
    std::string error;
    ok = PngWriter::Write(output, bits, gui->Width(), gui->Height(), gui->Width(), error);
    if (!ok) std::fprintf(stderr, "korvane-snapshot: %s\n", error.c_str());
  }
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return ok ? 0 : 1;
}
