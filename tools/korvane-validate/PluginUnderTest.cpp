#include "tools/korvane-validate/PluginUnderTest.h"

#include <chrono>
#include <cstring>
#include <sstream>

#include "tools/korvane-validate/ImportPreloader.h"

namespace {

constexpr size_t kTextBuffer = 256;  // what most hosts pass to string opcodes
constexpr size_t kGuard = 64;        // bytes after it that must stay untouched
constexpr unsigned char kFill = 0xA5;

std::string Number(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

}  // namespace

PluginUnderTest::PluginUnderTest(const std::string& path, ChildReport& report,
                                 std::shared_ptr<VstModule> module)
    : mReport(report), mModule(std::move(module)), mHost(std::make_unique<RecordingHost>()) {
  if (!mModule) {
    mReport.Step("loading the libraries the module imports");
    PreloadImports(path);
    mReport.Step("loading the module");
    mModule = std::make_shared<VstModule>();
    const auto begin = std::chrono::steady_clock::now();
    const bool opened = mModule->Open(path);
    mLoadMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    if (!opened)
      throw CheckFailure(mModule->Loaded()
                             ? "expected an entry point VSTPluginMain or main, " + mModule->Error()
                             : "expected the module to load, " + mModule->Error());
  }
  mReport.Step("calling the entry point");
  mEffect = VstInstance::Create(mModule->Entry(), mHost.get());
  Expect(mEffect != nullptr, "expected the entry point to return an effect record, got null");
  if (mEffect->magic != kEffectMagic) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(mEffect->magic));
    mEffect = nullptr;  // a record without the magic must not be called into
    throw CheckFailure("expected the record's magic 'VstP' (0x56737450), got " + std::string(text));
  }
  Expect(mEffect->dispatcher != nullptr, "expected a dispatcher in the record, got null");
  mHost->SetParameterCount(mEffect->numParams);
}

PluginUnderTest::~PluginUnderTest() {
  try {
    Close();
  } catch (...) {
    // A check already failing reports its own fault first.
  }
}

VstIntPtr PluginUnderTest::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

void PluginUnderTest::Open() {
  mReport.Step("effOpen");
  Dispatch(effOpen);
  mOpen = true;
}

void PluginUnderTest::Start(double sampleRate, int blockSize) {
  if (mStarted) Stop();
  mSampleRate = sampleRate;
  mBlockSize = blockSize;
  mSamplePosition = 0.0;
  mHost->SetTransport(sampleRate, blockSize, 0.0);
  mReport.Step("starting " + Where());
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  mStarted = true;
}

void PluginUnderTest::Stop() {
  if (!mStarted) return;
  mReport.Step("stopping " + Where());
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  mStarted = false;
}

void PluginUnderTest::Close() {
  if (!mEffect || !mOpen) return;
  Stop();
  mReport.Step("effClose");
  mOpen = false;
  Dispatch(effClose);
  mEffect = nullptr;
}

std::string PluginUnderTest::Text(VstInt32 opcode, VstInt32 index, const std::string& what) {
  std::vector<unsigned char> buffer(kTextBuffer + kGuard, kFill);
  Dispatch(opcode, index, 0, buffer.data());
  for (size_t i = kTextBuffer; i < buffer.size(); ++i)
    Expect(buffer[i] == kFill, "expected " + what + " within a " + std::to_string(kTextBuffer) +
                                   "-byte buffer, it wrote past its end (byte " +
                                   std::to_string(i) + ")");
  const void* end = std::memchr(buffer.data(), 0, kTextBuffer);
  Expect(end != nullptr, "expected " + what + " terminated within a " +
                             std::to_string(kTextBuffer) + "-byte buffer, it was not terminated");
  return std::string(reinterpret_cast<const char*>(buffer.data()));
}

void PluginUnderTest::ExpectParametersInRange(const std::string& when) {
  for (int i = 0; i < Params(); ++i) {
    const float value = GetParameter(i);
    Expect(value >= 0.0f && value <= 1.0f, "expected getParameter within 0..1 " + when +
                                               ", parameter " + std::to_string(i) + " read " +
                                               Number(value));
  }
}

std::vector<PluginUnderTest::Callback> PluginUnderTest::AnnouncedCallbacks() const {
  std::vector<Callback> callbacks;
  if (HasFlag(effFlagsCanReplacing)) callbacks.push_back(Callback::Replacing);
  if (HasFlag(effFlagsCanDoubleReplacing)) callbacks.push_back(Callback::DoubleReplacing);
  return callbacks;
}

const char* PluginUnderTest::Name(Callback callback) {
  switch (callback) {
    case Callback::Replacing:
      return "processReplacing";
    case Callback::DoubleReplacing:
      return "processDoubleReplacing";
    case Callback::Accumulating:
      return "process";
  }
  return "?";
}

void PluginUnderTest::Process(Callback callback, AudioBuffers& buffers, int frames) {
  mHost->SetTransport(mSampleRate, mBlockSize, mSamplePosition);
  switch (callback) {
    case Callback::Replacing:
      mEffect->processReplacing(mEffect, buffers.In(), buffers.Out(), frames);
      break;
    case Callback::DoubleReplacing:
      mEffect->processDoubleReplacing(mEffect, buffers.InDouble(), buffers.OutDouble(), frames);
      break;
    case Callback::Accumulating:
      mEffect->process(mEffect, buffers.In(), buffers.Out(), frames);
      break;
  }
  mSamplePosition += frames;
  const std::string bad = buffers.FirstBadOutput(frames, callback == Callback::DoubleReplacing);
  if (!bad.empty())
    throw CheckFailure("expected finite, normal output from " + std::string(Name(callback)) + " " +
                       Where() + " (" + std::to_string(frames) + " frames), got " + bad);
}

std::vector<unsigned char> PluginUnderTest::GetChunk(bool program) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr PluginUnderTest::SetChunk(bool program, const std::vector<unsigned char>& chunk) {
  // A copy the module may keep reading until it returns; never a null pointer, even empty.
  std::vector<unsigned char> copy(chunk);
  copy.push_back(0);
  return Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(chunk.size()), copy.data());
}

std::string PluginUnderTest::Where() const {
  return "at " + Number(mSampleRate) + " Hz, blocks of " + std::to_string(mBlockSize);
}
