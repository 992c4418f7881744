// Any opcode 0 to 80 with any index, value and opt, ptr null or a large zeroed buffer (records
// of the right size where an opcode takes one), interleaved with effClose and a new instance.
// Nothing may crash, and the parameters stay within 0..1.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/FuzzPlugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  FuzzPlugin plugin;
  constexpr size_t kBuffer = 1 << 16;
  std::vector<unsigned char> buffer(kBuffer);
  for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
    const int opcode = in.ConsumeIntegralInRange(0, 81);
    if (opcode == effClose || opcode == 81) {  // closed, and a new instance in its place
      plugin.Close();
      plugin.Create();
      continue;
    }
    std::memset(buffer.data(), 0, kBuffer);
    const VstInt32 index =
        in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 10) : in.ConsumeIntegral<VstInt32>();
    VstIntPtr value = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 4096)
                                       : static_cast<VstIntPtr>(in.ConsumeIntegral<int32_t>());
    void* ptr = in.ConsumeBool() ? buffer.data() : nullptr;
    const float opt = in.ConsumeFloatingPoint<float>();
    // Opcodes whose value is a pointer or a byte count get one that is safe to follow.
    switch (opcode) {
      case effSetChunk:
        if (value < 0 || value > static_cast<VstIntPtr>(kBuffer)) value = 0;
        break;
      case effSetSpeakerArrangement:
      case effGetSpeakerArrangement:
        value = ptr ? reinterpret_cast<VstIntPtr>(buffer.data() + kBuffer / 2) : 0;
        break;
      default:
        break;
    }
    plugin.Dispatch(opcode, index, value, ptr, opt);
    plugin.CheckParameters();
  }
  return 0;
}
