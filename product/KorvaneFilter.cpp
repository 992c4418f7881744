#include "product/KorvaneFilter.h"

namespace {

constexpr int FourCC(char a, char b, char c, char d) {
  return static_cast<int>(static_cast<unsigned>(static_cast<unsigned char>(a)) << 24 |
                          static_cast<unsigned>(static_cast<unsigned char>(b)) << 16 |
                          static_cast<unsigned>(static_cast<unsigned char>(c)) << 8 |
                          static_cast<unsigned>(static_cast<unsigned char>(d)));
}
static_assert(FourCC('K', 'r', 'v', 'F') == 0x4B727646, "unique ID packs first char high");

constexpr int kUniqueID = FourCC('K', 'r', 'v', 'F');
constexpr int kMfrID = FourCC('Q', 'u', 'o', 'r');
constexpr int kVersion = 0x10000;  // 1.0.0

}  // namespace

KorvaneFilter::KorvaneFilter(audioMasterCallback hostCallback)
    : BraxVST(hostCallback, kNumParams, "1-1 2-2", kNumPresets, "Korvane Filter (no SSE2)", "",
              "Quorl", kVersion, kUniqueID, kMfrID, 0, true, false, false) {
  GetParam(kShape)->DefineEnum("filter shape", 0, 3);
  GetParam(kShape)->SetValueText(0, "low pass");
  GetParam(kShape)->SetValueText(1, "band pass wide");
  GetParam(kShape)->SetValueText(2, "band pass narrow");

  GetParam(kCutoff)->DefineDouble("cutoff frequency", 18000.0, 10.0, 18000.0, 1.0, "Hz");
  GetParam(kCutoff)->SetShape(2.5);

  GetParam(kResonance)->DefineDouble("resonance", 0.35, 0.0, 1.0, 0.01, "");
  GetParam(kResonance)->SetShape(2.0);

  GetParam(kBrickwall)->DefineBool("brickwall limit", true);
}

KorvaneFilter::~KorvaneFilter() = default;
