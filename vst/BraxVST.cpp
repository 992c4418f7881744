#include "vst/BraxVST.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/CopyText.h"
#include "core/HostIdentity.h"
#include "platform/LockGuard.h"
#include "platform/Numeric.h"

namespace {

// Buffer sizes we write into, terminator included. Hosts pass at least these in practice; the
// nominal 8 for parameter strings would cut "cutoff frequency".
constexpr size_t kEffectNameBytes = 32;
constexpr size_t kVendorBytes = 64;
constexpr size_t kProductBytes = 64;
constexpr size_t kProgramNameBytes = 24;
constexpr size_t kParamTextBytes = 32;
constexpr size_t kPinLabelBytes = 64;
static_assert(kParamTextBytes == IParam::kTextSize, "parameter texts fit the host's buffer");

constexpr VstIntPtr kNvEf = 0x4E764566;
constexpr VstIntPtr kBeef = 0xBEEF;
// Zero-extended on 64-bit: hosts compare the full value.
constexpr VstIntPtr kBeefAnswer = static_cast<VstIntPtr>(static_cast<uint32_t>(0xBEEF0000u));

void CopyString(void* dst, const char* src, size_t bound) {
  CopyText(static_cast<char*>(dst), bound, src);
}

BraxVST* PlugOf(AEffect* effect) {
  return effect ? static_cast<BraxVST*>(effect->object) : nullptr;
}

}  // namespace

// ============================================================================ construction ===

BraxVST::BraxVST(audioMasterCallback hostCallback, int nParams, const char* channelIOStr,
                 int nPresets, const char* effectName, const char* productName,
                 const char* vendorName, int version, int uniqueID, int mfrID, int latency,
                 bool doesMidi, bool usesChunks, bool isInstrument)
    : BraxBase(nParams, channelIOStr, nPresets, effectName, productName, vendorName, version,
               uniqueID, mfrID, latency, doesMidi, usesChunks, isInstrument),
      mHostCallback(hostCallback) {
  std::memset(&mInputSpkArr, 0, sizeof mInputSpkArr);
  std::memset(&mOutputSpkArr, 0, sizeof mOutputSpkArr);
  mInputSpkArr.numChannels = NInChannels();
  mOutputSpkArr.numChannels = NOutChannels();

  std::memset(&mAEffect, 0, sizeof mAEffect);
  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = VSTDispatcher;
  mAEffect.process = VSTProcess;
  mAEffect.setParameter = VSTSetParameter;
  mAEffect.getParameter = VSTGetParameter;
  mAEffect.numPrograms = nPresets;
  mAEffect.numParams = nParams;
  mAEffect.numInputs = NInChannels();
  mAEffect.numOutputs = NOutChannels();
  mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (usesChunks) mAEffect.flags |= effFlagsProgramChunks;
  if (LegalIO(1, -1)) mAEffect.flags |= effFlagsCanMono;
  if (isInstrument) mAEffect.flags |= effFlagsIsSynth;
  mAEffect.initialDelay = latency;
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = uniqueID;
  mAEffect.version = GetVersion(true);
  mAEffect.processReplacing = VSTProcessReplacing;
  mAEffect.processDoubleReplacing = VSTProcessDoubleReplacing;

  ConnectInputs(0, NInChannels(), true);
  ConnectOutputs(0, NOutChannels(), true);
  SetBlockSize(1024);
}

BraxVST::~BraxVST() = default;

VstIntPtr BraxVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt) {
  return mHostCallback ? mHostCallback(&mAEffect, opcode, index, value, ptr, opt) : 0;
}

// ============================================================================ host services ===

void BraxVST::HostBeginEdit(int index) {
  CallHost(audioMasterBeginEdit, index);
}

void BraxVST::HostAutomate(int index, double normalized) {
  CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void BraxVST::HostEndEdit(int index) {
  CallHost(audioMasterEndEdit, index);
}

int BraxVST::GetSamplePos() {
  const VstTimeInfo* t = reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime));
  if (!t || !(t->samplePos >= 0.0)) return 0;
  return TruncToInt(t->samplePos);
}

double BraxVST::GetTempo() {
  if (!mHostCallback) return 0.0;
  const VstTimeInfo* t =
      reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, kVstTempoValid));
  if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
  return 0.0;
}

void BraxVST::GetTimeSig(int* numerator, int* denominator) {
  *numerator = 0;
  *denominator = 0;
  const VstTimeInfo* t =
      reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, kVstTimeSigValid));
  if (t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 &&
      t->timeSigDenominator >= 0) {
    *numerator = t->timeSigNumerator;
    *denominator = t->timeSigDenominator;
  }
}

int BraxVST::GetHost() {
  if (StoredHostCode() != kHostNotQueried) return StoredHostCode();
  char product[256] = {};
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof product - 1] = '\0';
  int packed = 0;
  if (product[0]) {
    packed = PackDecimalVersion(ClampToInt(CallHost(audioMasterGetVendorVersion)));
  }
  SetHost(product, packed);
  return StoredHostCode();
}

void BraxVST::InitForHost() {
  if (mHostInitDone) return;
  mHostInitDone = true;
  const int host = GetHost();
  if (host == kHostAudition || host == kHostOrion) {
    if (NInChannels() > 2) ConnectInputs(2, NInChannels() - 2, false);
    if (NOutChannels() > 2) ConnectOutputs(2, NOutChannels() - 2, true);
  }
}

void BraxVST::SetEditorRectFromGraphics() {
  if (!GetEditor()) return;
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<VstInt16>(GetEditor()->EditorHeight());
  mEditRect.right = static_cast<VstInt16>(GetEditor()->EditorWidth());
}

void BraxVST::OnEditorResize(int, int) {
  SetEditorRectFromGraphics();
}

void BraxVST::AttachEditor(IEditor* graphics) {
  if (!graphics) return;
  BraxBase::AttachEditor(graphics);
  mAEffect.flags |= effFlagsHasEditor;
  SetEditorRectFromGraphics();
}

void BraxVST::SetLatency(int samples) {
  mAEffect.initialDelay = samples;
  BraxBase::SetLatency(samples);
}

bool BraxVST::SendMidiMessage(const IMidiMessage& msg) {
  VstMidiEvent ev;
  std::memset(&ev, 0, sizeof ev);
  ev.type = kVstMidiType;
  ev.byteSize = sizeof(VstMidiEvent);
  ev.deltaFrames = msg.offset;
  ev.midiData[0] = static_cast<char>(msg.status);
  ev.midiData[1] = static_cast<char>(msg.data1);
  ev.midiData[2] = static_cast<char>(msg.data2);
  VstEvents events;
  std::memset(&events, 0, sizeof events);
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&ev);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool BraxVST::SendMidiMessages(const IMidiMessage* msgs, int count) {
  bool all = true;
  for (int i = 0; i < count; ++i) all = SendMidiMessage(msgs[i]) && all;
  return all;
}

VstIntPtr BraxVST::VSTCanDo(const char* query) const {
  if (!std::strcmp(query, "receiveVstTimeInfo")) return 1;
  if (DoesMidi()) {
    static const char* const kMidiCaps[] = {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents",
                                            "receiveVstMidiEvent"};
    for (const char* cap : kMidiCaps) {
      if (!std::strcmp(query, cap)) return 1;
    }
  }
  if (!std::strcmp(query, "hasCockosExtensions") || !std::strcmp(query, "hasCockosViewAsConfig")) {
    return kBeefAnswer;
  }
  return 0;
}

// ============================================================================ dispatcher ===

VstIntPtr VSTCALLBACK BraxVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                             VstIntPtr value, void* ptr, float opt) {
  BraxVST* plug = PlugOf(effect);
  if (!plug) return 0;
  if (opcode == effEditIdle) {
    // Outside the lock, as the editor's own mouse changes take it themselves.
    if (IEditor* editor = plug->GetEditor()) editor->IdleEditor();
    return 0;
  }
  if (opcode == effEditKeyDown || opcode == effEditKeyUp) {
    // On the editor's thread and outside the lock, as its idle calls.
    IEditor* editor = plug->GetEditor();
    return editor && editor->EditorKey(index, ClampToInt(value), opcode == effEditKeyDown) ? 1 : 0;
  }
  if (opcode == effIdle) return 0;
  if (opcode == effClose) {
    // Wait for whatever holds the lock to finish; the destructor deletes the lock itself.
    plug->PluginLock().Acquire();
    plug->PluginLock().Release();
    delete plug;
    return 0;
  }
  LockGuard lock(plug->PluginLock());
  return plug->Dispatch(opcode, index, value, ptr, opt);
}

VstIntPtr BraxVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt) {
  IParam* param = GetParam(index);
  switch (opcode) {
    case effOpen:
      InitForHost();
      for (int i = 0; i < ParamCount(); ++i) OnParamChange(i);
      Reset();
      return 0;
    case effSetProgram:
      if (!UsesChunks()) StoreCurrentPreset(nullptr);
      SelectPreset(ClampToInt(value));
      return 0;
    case effGetProgram:
      return GetCurrentPresetIdx();
    case effSetProgramName:
      if (ptr) StoreCurrentPreset(static_cast<const char*>(ptr));
      return 0;
    case effGetProgramName:
      if (ptr) CopyString(ptr, GetPresetName(GetCurrentPresetIdx()), kProgramNameBytes);
      return 0;
    case effGetParamLabel:
      if (param && ptr) CopyString(ptr, param->GetLabel(), kParamTextBytes);
      return 0;
    case effGetParamDisplay:
      if (param && ptr) param->FormatDisplay(static_cast<char*>(ptr));
      return 0;
    case effGetParamName:
      if (param && ptr) CopyString(ptr, param->GetName(), kParamTextBytes);
      return 0;
    case effSetSampleRate:
      // A rate that is not a positive number would make every filter coefficient meaningless.
      if (opt > 0.0f && std::isfinite(opt)) SetSampleRate(opt);
      Reset();
      return 0;
    case effSetBlockSize:
      SetBlockSize(ClampToInt(value));
      Reset();
      return 0;
    case effMainsChanged:
      OnActivate(value != 0);
      if (value == 0) Reset();
      return 0;
    case effEditGetRect:
      if (!GetEditor() || !ptr) return 0;
      *static_cast<ERect**>(ptr) = &mEditRect;
      return 1;
    case effEditOpen:
      if (!GetEditor() || !GetEditor()->OpenEditorWindow(ptr)) return 0;
      OnEditorOpen();
      return 1;
    case effEditClose:
      if (!GetEditor()) return 0;
      OnEditorClose();
      GetEditor()->CloseEditorWindow();
      return 1;
    case effIdentify:
      return kNvEf;
    case effGetChunk:
      return HandleGetChunk(index, ptr);
    case effSetChunk:
      return HandleSetChunk(index, value, ptr);
    case effProcessEvents:
      if (!ptr) return 0;
      HandleProcessEvents(static_cast<const VstEvents*>(ptr));
      return 1;
    case effCanBeAutomated:
      return 1;
    case effGetProgramNameIndexed: {
      if (!ptr) return 0;
      CopyString(ptr, GetPresetName(index), kProgramNameBytes);
      return static_cast<char*>(ptr)[0] != '\0' ? 1 : 0;
    }
    case effGetInputProperties:
      return HandlePinProperties(true, index, ptr);
    case effGetOutputProperties:
      return HandlePinProperties(false, index, ptr);
    case effGetPlugCategory:
      return kPlugCategEffect;
    case effProcessVarIo:
      return 0;
    case effSetSpeakerArrangement: {
      const VstSpeakerArrangement* in = reinterpret_cast<const VstSpeakerArrangement*>(value);
      const VstSpeakerArrangement* out = static_cast<const VstSpeakerArrangement*>(ptr);
      if (in) {
        ConnectInputs(0, in->numChannels, true);
        ConnectInputs(in->numChannels, NInChannels() - in->numChannels, false);
      }
      if (out) {
        ConnectOutputs(0, out->numChannels, true);
        ConnectOutputs(out->numChannels, NOutChannels() - out->numChannels, false);
      }
      return 1;
    }
    case effGetEffectName:
      if (!ptr) return 0;
      CopyString(ptr, GetEffectName(), kEffectNameBytes);
      return 1;
    case effGetVendorString:
      if (!ptr) return 0;
      CopyString(ptr, GetVendorName(), kVendorBytes);
      return 1;
    case effGetProductString:
      if (!ptr) return 0;
      CopyString(ptr, GetProductName(), kProductBytes);
      return 1;
    case effVendorSpecific: {
      // The "parameter display for a given value" extension: index is effGetParamDisplay.
      if (index != effGetParamDisplay || !ptr) return 0;
      const IParam* p = GetParam(ClampToInt(value));
      if (p) p->FormatDisplay(opt, true, static_cast<char*>(ptr));
      return kBeef;
    }
    case effCanDo:
      return ptr ? VSTCanDo(static_cast<const char*>(ptr)) : 0;
    case effGetVstVersion:
      return kVstVersion;
    case effGetMidiKeyName: {
      if (!ptr) return 0;
      MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
      key->keyName[0] = '\0';
      const bool named = GetMidiKeyName(key->thisKeyNumber, key->keyName);
      key->keyName[sizeof key->keyName - 1] = '\0';
      return named ? 1 : 0;
    }
    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputSpkArr;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputSpkArr;
      return 1;
    default:
      return 0;
  }
}

VstIntPtr BraxVST::HandlePinProperties(bool input, VstInt32 index, void* ptr) {
  const int count = input ? NInChannels() : NOutChannels();
  if (!ptr || index < 0 || index >= count) return 0;
  VstPinProperties* pin = static_cast<VstPinProperties*>(ptr);
  pin->flags = kVstPinIsActive;
  if (index % 2 == 0) pin->flags |= kVstPinIsStereo;
  std::snprintf(pin->label, kPinLabelBytes, input ? "Input %d" : "Output %d", index + 1);
  return 1;
}

void BraxVST::HandleProcessEvents(const VstEvents* events) {
  // The record declares two entries; the list really holds numEvents of them, so it is read
  // through a pointer to the first rather than by indexing the declared array.
  VstEvent* const* list = events->events;
  for (int i = 0; i < events->numEvents; ++i) {
    VstEvent* ev = list[i];
    if (!ev) continue;
    if (ev->type == kVstMidiType) {
      const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(ev);
      IMidiMessage msg;
      msg.offset = midi->deltaFrames;
      msg.status = static_cast<uint8_t>(midi->midiData[0]);
      msg.data1 = static_cast<uint8_t>(midi->midiData[1]);
      msg.data2 = static_cast<uint8_t>(midi->midiData[2]);
      OnMidiMessage(msg);
    } else {  // anything else goes straight back to the host, uncopied
      VstEvents one;
      std::memset(&one, 0, sizeof one);
      one.numEvents = 1;
      one.events[0] = ev;
      CallHost(audioMasterProcessEvents, 0, 0, &one);
    }
  }
}

// ============================================================================ state chunks ===
//
// The chunks' bytes are the plug-in base's (core/StateFormat.h); here only the host's pointers
// and sizes are checked and the bytes handed over.

VstIntPtr BraxVST::HandleGetChunk(VstInt32 index, void* ptr) {
  if (!ptr) return 0;
  const StateFormat::Kind kind = index == 0 ? StateFormat::kBank : StateFormat::kProgram;
  StateChunk& chunk = kind == StateFormat::kBank ? mBankChunk : mProgramChunk;
  if (!WriteChunk(chunk, kind) || chunk.Size() == 0) return 0;
  *static_cast<void**>(ptr) = chunk.Data();
  return chunk.Size();
}

VstIntPtr BraxVST::HandleSetChunk(VstInt32 index, VstIntPtr size, const void* ptr) {
  if (!ptr) return 0;
  const StateFormat::Kind kind = index == 0 ? StateFormat::kBank : StateFormat::kProgram;
  StateChunk& chunk = kind == StateFormat::kBank ? mBankChunk : mProgramChunk;
  // A negative or unrepresentable size is read as an empty (truncated) chunk.
  const int n =
      (size < 0 || size > INT_MAX - StateChunk::kGranularity) ? 0 : static_cast<int>(size);

  // Hosts may hand back the very buffer effGetChunk gave them: keep track of it across growth.
  const uint8_t* src = static_cast<const uint8_t*>(ptr);
  const uint8_t* old = chunk.Data();
  const bool inside = old && src >= old && src < old + chunk.Allocated();
  const std::ptrdiff_t offset = inside ? src - old : 0;
  if (!chunk.ResizeZeroed(n)) return 0;
  if (n > 0)
    std::memmove(chunk.Data(), inside ? chunk.Data() + offset : src, static_cast<size_t>(n));

  const int result = ReadChunk(chunk, kind);
  if (result < 0) return 0;
  PushParamsToEditor();
  return 1;
}

// ============================================================================ audio and parameters

void BraxVST::BeginBlock() {
  if (DoesMidi()) CallHost(audioMasterWantMidi);
}

void VSTCALLBACK BraxVST::VSTProcess(AEffect* effect, float** inputs, float** outputs,
                                     VstInt32 sampleFrames) {
  BraxVST* plug = PlugOf(effect);
  if (!plug) return;
  LockGuard lock(plug->PluginLock());
  plug->BeginBlock();
  plug->ProcessFloatBlock(inputs, outputs, sampleFrames, true);
}

void VSTCALLBACK BraxVST::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames) {
  BraxVST* plug = PlugOf(effect);
  if (!plug) return;
  LockGuard lock(plug->PluginLock());
  plug->BeginBlock();
  plug->ProcessFloatBlock(inputs, outputs, sampleFrames, false);
}

void VSTCALLBACK BraxVST::VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                    double** outputs, VstInt32 sampleFrames) {
  BraxVST* plug = PlugOf(effect);
  if (!plug) return;
  LockGuard lock(plug->PluginLock());
  plug->BeginBlock();
  plug->ProcessDoubleBlock(inputs, outputs, sampleFrames);
}

float VSTCALLBACK BraxVST::VSTGetParameter(AEffect* effect, VstInt32 index) {
  BraxVST* plug = PlugOf(effect);
  if (!plug) return 0.0f;
  LockGuard lock(plug->PluginLock());
  const IParam* param = plug->GetParam(index);
  return param ? static_cast<float>(param->GetNormalized()) : 0.0f;
}

void VSTCALLBACK BraxVST::VSTSetParameter(AEffect* effect, VstInt32 index, float value) {
  BraxVST* plug = PlugOf(effect);
  if (!plug) return;
  LockGuard lock(plug->PluginLock());
  IParam* param = plug->GetParam(index);
  if (!param) return;
  // Host-originated: the editor first, then the value; the host is not told back.
  if (IEditor* editor = plug->GetEditor()) editor->ShowParameter(index, value, true);
  param->SetNormalized(value);
  plug->OnParamChange(index);
}
