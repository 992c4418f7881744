#include "core/BraxBase.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/CopyText.h"
#include "core/HostIdentity.h"
#include "platform/LockGuard.h"

namespace {

// A malformed channel string is our own mistake, not the host's: stop loudly.
void ParseFailed(const char* what) {
  std::fprintf(stderr, "BraxBase: assertion failed: %s\n", what);
  std::abort();
}

constexpr const char* kUserPresetName = "user preset";

// The float paths' conversions: host buffers never overlap our scratch, which lets these
// loops vectorise.
void ConvertIn(const float* __restrict src, double* __restrict dst, size_t n) {
  for (size_t j = 0; j < n; ++j) dst[j] = src[j];
}

void ConvertOut(const double* __restrict src, float* __restrict dst, size_t n) {
  for (size_t j = 0; j < n; ++j) dst[j] = static_cast<float>(src[j]);
}

void AccumulateOut(const double* __restrict src, float* __restrict dst, size_t n) {
  for (size_t j = 0; j < n; ++j) dst[j] = static_cast<float>(dst[j] + src[j]);
}

}  // namespace

// ============================================================================ construction ===

BraxBase::BraxBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                   const char* productName, const char* vendorName, int version, int uniqueID,
                   int mfrID, int latency, bool doesMidi, bool usesChunks, bool isInstrument)
    : mUniqueID(uniqueID),
      mMfrID(mfrID),
      mVersion(version),
      mDoesMidi(doesMidi),
      mUsesChunks(usesChunks),
      mIsInstrument(isInstrument),
      mLatency(latency) {
  for (int i = 0; i < nParams; ++i) mParams.Add(new IParam());
  for (int i = 0; i < nPresets; ++i) {
    IPresetSlot* preset = new IPresetSlot();
    std::snprintf(preset->name, sizeof preset->name, "- %d -", i);
    mPresets.Add(preset);
  }
  CopyText(mEffectName, sizeof mEffectName, effectName);
  CopyText(mProductName, sizeof mProductName, productName);
  CopyText(mVendorName, sizeof mVendorName, vendorName);

  int maxIn = 0, maxOut = 0;
  if (channelIOStr) {
    const char* p = channelIOStr;
    for (;;) {
      int nIn = 0, nOut = 0;
      if (std::sscanf(p, "%d-%d", &nIn, &nOut) != 2) ParseFailed("sscanf(channelIOStr) == 2");
      if (nIn > maxIn) maxIn = nIn;
      if (nOut > maxOut) maxOut = nOut;
      mChannelIO.Add(new ChannelConfig{nIn, nOut});
      p = std::strchr(p, ' ');
      if (!p) break;
      ++p;
    }
  }

  mInputSlots.assign(static_cast<size_t>(maxIn), nullptr);
  mOutputSlots.assign(static_cast<size_t>(maxOut), nullptr);
  for (int i = 0; i < maxIn; ++i) {
    InputChannel* ch = new InputChannel();
    ch->slot = &mInputSlots[static_cast<size_t>(i)];
    mInChannels.Add(ch);
  }
  for (int i = 0; i < maxOut; ++i) {
    OutputChannel* ch = new OutputChannel();
    ch->slot = &mOutputSlots[static_cast<size_t>(i)];
    mOutChannels.Add(ch);
  }
}

BraxBase::~BraxBase() {
  delete mGraphics;
  mGraphics = nullptr;
  mParams.DeleteAll();
  mPresets.DeleteAll();
  mInChannels.DeleteAll();
  mOutChannels.DeleteAll();
  mChannelIO.DeleteAll();
}

// ============================================================================ default hooks ===

void BraxBase::Reset() {
  LockGuard lock(mLock);
}

void BraxBase::OnParamChange(int) {
  LockGuard lock(mLock);
}

void BraxBase::OnActivate(bool) {
  LockGuard lock(mLock);
}

void BraxBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  const int nIn = NInChannels(), nOut = NOutChannels();
  for (int i = 0; i < nOut; ++i) {
    if (i < nIn) {
      std::memcpy(outputs[i], inputs[i], sizeof(double) * static_cast<size_t>(nFrames));
    } else {
      std::memset(outputs[i], 0, sizeof(double) * static_cast<size_t>(nFrames));
    }
  }
}

void BraxBase::OnMidiMessage(const IMidiMessage& msg) {
  SendMidiMessage(msg);
}

bool BraxBase::GetMidiKeyName(int, char* name) {
  if (name) name[0] = '\0';
  return false;
}

bool BraxBase::SerializeState(StateChunk& chunk) {
  return SerializeParams(chunk);
}

int BraxBase::UnserializeState(const StateChunk& chunk, int startPos) {
  return UnserializeParams(chunk, startPos);
}

int BraxBase::GetHost() {
  return mHostCode;
}

void BraxBase::SetLatency(int samples) {
  mLatency = samples;
}

// ============================================================================ identity ===

int BraxBase::GetVersion(bool decimal) const {
  if (!decimal) return mVersion;
  const int major = static_cast<int>(static_cast<unsigned>(mVersion) >> 16);
  const int minor = (mVersion >> 8) & 0xFF, bugfix = mVersion & 0xFF;
  return (major * 100 + minor) * 100 + bugfix;
}

void BraxBase::SetHost(const char* productName, int version) {
  mHostCode = IdentifyHost(productName);
  mHostVersion = version;
}

// ============================================================================ parameters ===

void BraxBase::SetParameterFromGUI(int index, double normalized) {
  LockGuard lock(mLock);
  IParam* param = GetParam(index);
  if (!param) return;
  HostAutomate(index, normalized);  // the host records automation before the value changes
  param->SetNormalized(normalized);
  OnParamChange(index);
}

// ============================================================================ editor ===

void BraxBase::AttachEditor(IEditor* graphics) {
  if (!graphics) return;
  LockGuard lock(mLock);
  for (int i = 0; i < ParamCount(); ++i) {
    graphics->ShowParameter(i, GetParam(i)->GetNormalized(), true);
  }
  graphics->PrepareDrawing();
  mGraphics = graphics;
}

void BraxBase::PushParamsToEditor() {
  if (!mGraphics) return;
  for (int i = 0; i < ParamCount(); ++i) {
    mGraphics->ShowParameter(i, GetParam(i)->Value(), false);
  }
}

// ============================================================================ presets and state
//
// The layout is StateFormat's (core/StateFormat.h).

bool BraxBase::WriteChunk(StateChunk& chunk, StateFormat::Kind kind) {
  chunk.Clear();
  bool ok = chunk.PutInt32(StateFormat::kChunkMagic) && chunk.PutInt32(StateFormat::kChunkVersion);
  if (kind == StateFormat::kBank) {
    StoreCurrentPreset(nullptr);
    ok = SerializePresets(chunk) && ok;
  } else {
    ok = SerializeState(chunk) && ok;
  }
  return ok;
}

int BraxBase::ReadChunk(const StateChunk& chunk, StateFormat::Kind kind) {
  int32_t magic = 0, version = 0;
  int pos = chunk.GetInt32(&magic, 0);
  if (pos >= 0 && magic == StateFormat::kChunkMagic) {
    pos = chunk.GetInt32(&version, pos);
    if (pos < 0) version = 0;
  } else {
    pos = 0;  // no header: the state starts at the first byte
  }
  if (kind == StateFormat::kBank && version >= StateFormat::kChunkVersion) {
    return UnserializePresets(chunk, pos);
  }
  pos = UnserializeState(chunk, pos);
  StoreCurrentPreset(nullptr);
  return pos;
}

bool BraxBase::SerializeParams(StateChunk& chunk) {
  LockGuard lock(mLock);
  bool ok = true;
  for (int i = 0; i < ParamCount(); ++i) ok = chunk.PutDouble(GetParam(i)->Value()) && ok;
  return ok;
}

int BraxBase::UnserializeParams(const StateChunk& chunk, int startPos) {
  LockGuard lock(mLock);
  int pos = startPos;
  for (int i = 0; i < ParamCount() && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.GetDouble(&v, pos);
    if (pos < 0) v = 0.0;
    GetParam(i)->SetValue(v);
  }
  for (int i = 0; i < ParamCount(); ++i) OnParamChange(i);
  Reset();
  return pos;
}

bool BraxBase::SerializePresets(StateChunk& chunk) {
  bool ok = true;
  for (int i = 0; i < PresetCount(); ++i) {
    const IPresetSlot* preset = mPresets.Get(i);
    const int len = static_cast<int>(std::strlen(preset->name));
    ok = chunk.PutInt32(len) && chunk.PutBytes(preset->name, len) &&
         chunk.PutByte(preset->used ? 1 : 0) && ok;
    if (preset->used) ok = chunk.PutBytes(preset->state.Data(), preset->state.Size()) && ok;
  }
  return ok;
}

int BraxBase::UnserializePresets(const StateChunk& chunk, int startPos) {
  int pos = startPos;
  for (int i = 0; i < PresetCount() && pos >= 0; ++i) {
    IPresetSlot* preset = mPresets.Get(i);
    int32_t len = 0;
    pos = chunk.GetInt32(&len, pos);
    // A negative or oversized length is a truncated chunk, never an allocation or a long read.
    if (pos >= 0 && (len < 0 || len > chunk.Size() - pos)) pos = -1;
    if (pos < 0) {
      preset->name[0] = '\0';
      break;
    }
    const int keep = len < IPresetSlot::kNameSize - 1 ? len : IPresetSlot::kNameSize - 1;
    std::memcpy(preset->name, chunk.Data() + pos, static_cast<size_t>(keep));
    preset->name[keep] = '\0';  // strlen then stops at an embedded zero byte, as a name should
    pos += len;

    uint8_t used = 0;
    pos = chunk.GetBytes(&used, 1, pos);
    if (pos < 0) break;
    preset->used = used != 0;
    if (preset->used) {
      pos = UnserializeParams(chunk, pos);
      // Store what the parameters now hold: the clamped values, or for a bank cut short inside
      // this preset the values it left, so that a used preset always has a complete state.
      preset->state.Clear();
      SerializeParams(preset->state);
    }
  }
  SelectPreset(mCurrentPreset);
  return pos;
}

void BraxBase::EnsureOnePreset() {
  if (PresetCount() > 0) return;
  mPresets.Add(new IPresetSlot());
  FillUnusedPresets(nullptr, 1);
}

void BraxBase::FillUnusedPresets(const char* name, int count) {
  for (int n = 0; n < count; ++n) {
    for (int i = 0; i < PresetCount(); ++i) {
      IPresetSlot* preset = mPresets.Get(i);
      if (preset->used) continue;
      preset->used = true;
      CopyText(preset->name, sizeof preset->name, name ? name : "Default");
      preset->state.Clear();
      SerializeParams(preset->state);
      break;
    }
  }
}

bool BraxBase::SelectPreset(int index) {
  IPresetSlot* preset = mPresets.Get(index);
  if (!preset) return false;
  bool success;
  if (preset->used) {
    success = UnserializeParams(preset->state, 0) > 0;
  } else {
    int named = 0;
    for (int i = 0; i < PresetCount(); ++i) {
      if (std::strstr(mPresets.Get(i)->name, kUserPresetName)) ++named;
    }
    preset->used = true;
    std::snprintf(preset->name, sizeof preset->name, "%s %d", kUserPresetName, named + 1);
    preset->state.Clear();
    SerializeParams(preset->state);
    success = true;
  }
  if (success) {
    mCurrentPreset = index;
    PushParamsToEditor();
  }
  return success;
}

void BraxBase::StoreCurrentPreset(const char* name) {
  IPresetSlot* preset = mPresets.Get(mCurrentPreset);
  if (!preset) return;
  preset->state.Clear();
  SerializeParams(preset->state);
  if (name && name[0]) CopyText(preset->name, sizeof preset->name, name);
}

const char* BraxBase::GetPresetName(int index) const {
  const IPresetSlot* preset = mPresets.Get(index);
  return preset ? preset->name : "";
}

// ============================================================================ channels ===

bool BraxBase::IsInChannelConnected(int i) const {
  const InputChannel* ch = mInChannels.Get(i);
  return ch && ch->connected;
}

bool BraxBase::IsOutChannelConnected(int i) const {
  const OutputChannel* ch = mOutChannels.Get(i);
  return ch && ch->connected;
}

bool BraxBase::LegalIO(int nIn, int nOut) const {
  for (int i = 0; i < mChannelIO.Count(); ++i) {
    const ChannelConfig* c = mChannelIO.Get(i);
    if ((nIn < 0 || nIn == c->nIn) && (nOut < 0 || nOut == c->nOut)) return true;
  }
  return false;
}

void BraxBase::ConnectInputs(int start, int count, bool connected) {
  for (int i = start < 0 ? 0 : start; i < start + count && i < NInChannels(); ++i) {
    InputChannel* ch = mInChannels.Get(i);
    ch->connected = connected;
    if (!connected) *ch->slot = ch->Scratch();
  }
}

void BraxBase::ConnectOutputs(int start, int count, bool connected) {
  for (int i = start < 0 ? 0 : start; i < start + count && i < NOutChannels(); ++i) {
    OutputChannel* ch = mOutChannels.Get(i);
    ch->connected = connected;
    if (!connected) *ch->slot = ch->Scratch();
  }
}

void BraxBase::SetBlockSize(int blockSize) {
  if (blockSize < 0) blockSize = 0;
  if (blockSize == mBlockSize) return;
  mBlockSize = blockSize;
  // The buffers are made ready for an announced block of at most kMostPreparedFrames: no host
  // processes longer ones, and a hostile announcement would have us allocate and clear
  // gigabytes. A longer block that really arrives grows them (EnsureScratch).
  const int prepared = blockSize < kMostPreparedFrames ? blockSize : kMostPreparedFrames;
  mScratchFrames = SizeScratch(prepared, true) ? prepared : 0;
}

void BraxBase::PointUnconnectedAtScratch() {
  for (int i = 0; i < NInChannels(); ++i) {
    InputChannel* ch = mInChannels.Get(i);
    if (!ch->connected) *ch->slot = ch->Scratch();
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    OutputChannel* ch = mOutChannels.Get(i);
    if (!ch->connected) *ch->slot = ch->Scratch();
  }
}

// Each scratch buffer gets a different amount of slack, so that no two start at the same offset
// within a 4 KiB page: reading one while writing another at the same offset stalls on 4K
// aliasing, and some processors' memcpy between such buffers is twenty times slower.
bool BraxBase::SizeScratch(int frames, bool clear) {
  constexpr int kStagger = 320;  // bytes; multiples stay clear of 0 mod 4096 for 12 channels
  constexpr size_t kMaxFrames = (static_cast<size_t>(INT32_MAX) / 2) / sizeof(double);
  if (frames < 0 || static_cast<size_t>(frames) > kMaxFrames) return false;
  const int bytes = frames * static_cast<int>(sizeof(double));
  bool ok = true;
  int slack = 0;
  auto size = [&](StateChunk& scratch) {
    if (clear) scratch.Clear();
    ok = scratch.ResizeZeroed(bytes + slack) && ok;
    slack += kStagger;
  };
  for (int i = 0; i < NInChannels(); ++i) size(mInChannels.Get(i)->scratch);
  for (int i = 0; i < NOutChannels(); ++i) size(mOutChannels.Get(i)->scratch);
  PointUnconnectedAtScratch();
  return ok;
}

// A host that sends more frames than it announced would otherwise have us write past the
// scratch buffers: grow them (allocating on the audio thread, the host's fault). Existing
// contents are kept, new frames are zero.
bool BraxBase::EnsureScratch(int nFrames) {
  if (nFrames <= mScratchFrames) return true;
  if (!SizeScratch(nFrames, false)) return false;
  mScratchFrames = nFrames;
  return true;
}

// ============================================================================ audio blocks ===

// The k-th host buffer belongs to the k-th connected channel: in(channel, buffer) for every
// connected input, then out(channel, buffer) for every connected output (buffer null when the
// host passed none).
template <typename T, typename In, typename Out>
void BraxBase::BindConnected(T** inputs, T** outputs, In in, Out out) {
  int k = 0;
  for (int i = 0; i < NInChannels(); ++i) {
    InputChannel* ch = mInChannels.Get(i);
    if (!ch->connected) continue;
    in(ch, inputs ? inputs[k] : nullptr);
    ++k;
  }
  k = 0;
  for (int i = 0; i < NOutChannels(); ++i) {
    OutputChannel* ch = mOutChannels.Get(i);
    if (!ch->connected) continue;
    out(ch, outputs ? outputs[k] : nullptr);
    ++k;
  }
}

void BraxBase::ProcessFloatBlock(float** inputs, float** outputs, int nFrames, bool accumulate) {
  if (nFrames < 0) nFrames = 0;
  if (!EnsureScratch(nFrames)) return;
  const size_t n = static_cast<size_t>(nFrames);

  BindConnected(
      inputs, outputs,
      [n](InputChannel* ch, const float* src) {
        double* dst = ch->Scratch();
        *ch->slot = dst;
        if (!src) {  // a connected channel without a buffer reads silence this block
          if (n) std::memset(dst, 0, n * sizeof(double));
          return;
        }
        ConvertIn(src, dst, n);
      },
      [](OutputChannel* ch, float* dst) {
        ch->hostFloat = dst;
        *ch->slot = ch->Scratch();
      });

  ProcessDoubleReplacing(mInputSlots.data(), mOutputSlots.data(), nFrames);

  for (int i = 0; i < NOutChannels(); ++i) {
    OutputChannel* ch = mOutChannels.Get(i);
    if (!ch->connected || !ch->hostFloat) continue;
    if (accumulate) {
      AccumulateOut(ch->Scratch(), ch->hostFloat, n);
    } else {
      ConvertOut(ch->Scratch(), ch->hostFloat, n);
    }
  }
}

void BraxBase::ProcessDoubleBlock(double** inputs, double** outputs, int nFrames) {
  if (nFrames < 0) nFrames = 0;
  if (!EnsureScratch(nFrames)) return;
  const size_t n = static_cast<size_t>(nFrames);

  BindConnected(
      inputs, outputs,
      [n](InputChannel* ch, double* host) {
        if (host) {
          *ch->slot = host;
        } else {  // treated as unconnected for this block: silence in
          *ch->slot = ch->Scratch();
          if (n) std::memset(ch->Scratch(), 0, n * sizeof(double));
        }
      },
      // No buffer: the result is dropped.
      [](OutputChannel* ch, double* host) { *ch->slot = host ? host : ch->Scratch(); });

  ProcessDoubleReplacing(mInputSlots.data(), mOutputSlots.data(), nFrames);
}
