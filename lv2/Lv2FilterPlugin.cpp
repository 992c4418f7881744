#include "lv2/Lv2FilterPlugin.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>

#include <cmath>
#include <cstring>
#include <new>

#include "core/IParam.h"
#include "platform/LockGuard.h"
#include "product/KorvaneFilter.h"
#include "vst/VSTEntry.h"

namespace {

BraxVST* CreateKorvaneFilter(audioMasterCallback host) {
  return new KorvaneFilter(host);
}

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; ++i) {
    if (!std::strcmp(features[i]->URI, uri)) return features[i]->data;
  }
  return nullptr;
}

// The host's largest block from the options feature: maxBlockLength, else the nominal length.
int MaxBlockFromOptions(const LV2_Options_Option* options, LV2_URID_Map* map) {
  if (!options) return 0;
  const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominal = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
  int found = 0;
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
    if (o->type != intType || o->size != sizeof(int32_t) || !o->value) continue;
    const int32_t v = *static_cast<const int32_t*>(o->value);
    if (o->key == maxLength && v > 0) return v;
    if (o->key == nominal && v > 0) found = v;
  }
  return found;
}

// The length of a short MIDI message from its status byte. The plug-in hands each event back
// in a three-byte record, so the length comes from the message itself.
uint32_t ShortMessageLength(uint8_t status) {
  if (status < 0x80) return 1;  // no status: a lone data byte
  if (status < 0xC0) return 3;  // note off/on, poly pressure, control change
  if (status < 0xE0) return 2;  // program change, channel pressure
  if (status < 0xF0) return 3;  // pitch bend
  switch (status) {
    case 0xF1:  // time code quarter frame
    case 0xF3:  // song select
      return 2;
    case 0xF2:  // song position
      return 3;
    default:  // tune request, end of exclusive, real-time messages
      return 1;
  }
}

}  // namespace

// ============================================================================ lifecycle ===

Lv2FilterPlugin* Lv2FilterPlugin::Create(double rate, const LV2_Feature* const* features) {
  // Without a URID map (simple hosts such as file renderers) the MIDI ports stay unused.
  LV2_URID_Map* map =
      static_cast<LV2_URID_Map*>(const_cast<void*>(FindFeature(features, LV2_URID__map)));
  if (!(rate > 0.0) || !std::isfinite(rate)) return nullptr;
  int maxBlock =
      map ? MaxBlockFromOptions(
                static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options)),
                map)
          : 0;
  if (maxBlock <= 0) maxBlock = kDefaultMaxBlock;
  Lv2FilterPlugin* self = new (std::nothrow) Lv2FilterPlugin(rate, maxBlock, map);
  if (!self) return nullptr;
  bool ok = false;
  try {
    ok = self->Open();
  } catch (...) {  // nothing may cross into the host
    ok = false;
  }
  if (!ok) {
    delete self;
    return nullptr;
  }
  return self;
}

Lv2FilterPlugin::Lv2FilterPlugin(double rate, int maxBlock, LV2_URID_Map* map)
    : mRate(rate),
      mMaxBlock(maxBlock),
      mMidiEvent(map ? map->map(map->handle, LV2_MIDI__MidiEvent) : 0),
      mSequence(map ? map->map(map->handle, LV2_ATOM__Sequence) : 0) {
  std::memset(&mInArrangement, 0, sizeof mInArrangement);
  std::memset(&mOutArrangement, 0, sizeof mOutArrangement);
}

bool Lv2FilterPlugin::Open() {
  mMidiEvents.assign(kEventBatch, VstMidiEvent{});
  mSysexEvents.assign(kEventBatch, VstMidiSysexEvent{});
  // The record declares two entries; it is followed by room for the rest of the batch.
  mEventList.assign(sizeof(VstEvents) + kEventBatch * sizeof(VstEvent*), 0);

  mEffect = VSTCreateInstance(CreateKorvaneFilter, HostCallback);
  if (!mEffect) return false;
  mEffect->user = this;
  mPlugin = static_cast<KorvaneFilter*>(static_cast<BraxVST*>(mEffect->object));
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(mRate));
  Dispatch(effSetBlockSize, 0, mMaxBlock);
  for (int i = 0; i < Lv2Ports::kNumParams; ++i) {
    const IParam* param = mPlugin->GetParam(i);
    mLastControl[i] = param ? static_cast<float>(param->Value()) : 0.0f;
  }
  return true;
}

Lv2FilterPlugin::~Lv2FilterPlugin() {
  if (mEffect) Dispatch(effClose);
}

VstIntPtr Lv2FilterPlugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

void Lv2FilterPlugin::ConnectPort(uint32_t port, void* data) {
  using namespace Lv2Ports;
  switch (port) {
    case kAudioInL:
    case kAudioInR:
      mIn[port - kAudioInL] = static_cast<const float*>(data);
      return;
    case kAudioOutL:
    case kAudioOutR:
      mOut[port - kAudioOutL] = static_cast<float*>(data);
      return;
    case kMidiIn:
      mMidiIn = static_cast<const LV2_Atom_Sequence*>(data);
      return;
    case kMidiOut:
      mMidiOut = static_cast<LV2_Atom_Sequence*>(data);
      return;
    default:
      break;
  }
  if (ParamOfPort(port) >= 0) {
    mControl[ParamOfPort(port)] = static_cast<const float*>(data);
  } else if (port >= kLimiter && port < kCount) {
    mReading[port - kLimiter] = static_cast<float*>(data);
  }
}

void Lv2FilterPlugin::Activate() {
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  mStarting = true;
}

void Lv2FilterPlugin::Deactivate() {
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
}

// ============================================================================ the host side ===

VstIntPtr VSTCALLBACK Lv2FilterPlugin::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32,
                                                    VstIntPtr, void* ptr, float) {
  // Null while the entry point runs, before the instance is known.
  Lv2FilterPlugin* self = effect ? static_cast<Lv2FilterPlugin*>(effect->user) : nullptr;
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterWantMidi:
      return 1;
    case audioMasterGetSampleRate:
      return self ? static_cast<VstIntPtr>(self->mRate) : 0;
    case audioMasterGetBlockSize:
      return self ? self->mMaxBlock : 0;
    case audioMasterProcessEvents:
      if (!self || !ptr) return 0;
      self->WriteMidiOut(static_cast<const VstEvents*>(ptr));
      return 1;
    default:
      // Automation reports of controllers reach the host through the control outputs; the
      // transport (audioMasterGetTime) is not known here, and the plug-in works without it.
      return 0;
  }
}

// ============================================================================ one run ===

void Lv2FilterPlugin::Run(uint32_t frames) {
  // Frames beyond what the plug-in's callback takes are a host fault: at most INT32_MAX.
  const VstInt32 n = frames > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<VstInt32>(frames);
  BeginMidiOut();
  const bool changed = ApplyControlInputs();
  if (mStarting) {
    // The settings at the start are where the filters start: a restart at the same rate ends
    // the glides the changes began.
    if (changed) Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(mRate));
    mStarting = false;
  }
  ApplyConnections();
  SendMidi(frames);

  float* inputs[2] = {const_cast<float*>(mIn[0]), const_cast<float*>(mIn[1])};
  float* outputs[2] = {mOut[0], mOut[1]};
  mEffect->processReplacing(mEffect, inputs, outputs, n);
  WriteControlOutputs();
}

bool Lv2FilterPlugin::ApplyControlInputs() {
  bool changed = false;
  for (int i = 0; i < Lv2Ports::kNumParams; ++i) {
    if (!mControl[i]) continue;
    const float v = *mControl[i];
    if (v == mLastControl[i] || v != v) continue;  // unchanged, or not a number: kept as it was
    mLastControl[i] = v;
    const IParam* param = mPlugin->GetParam(i);
    if (!param) continue;
    // The parameter's normalised value for the port's, as a host setParameter brings it.
    mEffect->setParameter(mEffect, i, static_cast<float>(param->GetNormalized(v)));
    changed = true;
  }
  return changed;
}

void Lv2FilterPlugin::ApplyConnections() {
  // A channel counts when it and those before it are connected: the k-th buffer belongs to the
  // k-th connected channel.
  const int ins = mIn[0] ? (mIn[1] ? 2 : 1) : 0;
  const int outs = mOut[0] ? (mOut[1] ? 2 : 1) : 0;
  if (ins == mInputsConnected && outs == mOutputsConnected) return;
  mInputsConnected = ins;
  mOutputsConnected = outs;
  auto arrange = [](VstSpeakerArrangement& a, int channels) {
    a.numChannels = channels;
    a.type = channels == 2   ? kSpeakerArrStereo
             : channels == 1 ? kSpeakerArrMono
                             : kSpeakerArrUserDefined;
  };
  arrange(mInArrangement, ins);
  arrange(mOutArrangement, outs);
  Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mInArrangement),
           &mOutArrangement);
}

void Lv2FilterPlugin::SendMidi(uint32_t frames) {
  if (!mMidiIn || !mMidiEvent) return;
  int count = 0;
  mSysexUsed = 0;
  LV2_ATOM_SEQUENCE_FOREACH(mMidiIn, ev) {
    if (ev->body.type != mMidiEvent || ev->body.size == 0) continue;
    const uint8_t* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
    // Frames within the run; an event stamped later belongs to its end.
    const int64_t at = ev->time.frames < 0 ? 0 : ev->time.frames;
    const VstInt32 delta = static_cast<VstInt32>(at > frames ? frames : at);
    VstEvent* entry = nullptr;
    if (bytes[0] == 0xF0) {
      VstMidiSysexEvent& e = mSysexEvents[static_cast<size_t>(mSysexUsed++)];
      e = VstMidiSysexEvent{};
      e.type = kVstSysExType;
      e.byteSize = sizeof(VstMidiSysexEvent);
      e.deltaFrames = delta;
      e.dumpBytes = static_cast<VstInt32>(ev->body.size);
      // The plug-in only reads the dump (it hands the event back as it is).
      e.sysexDump = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes));
      entry = reinterpret_cast<VstEvent*>(&e);
    } else {
      VstMidiEvent& e = mMidiEvents[static_cast<size_t>(count)];
      e = VstMidiEvent{};
      e.type = kVstMidiType;
      e.byteSize = sizeof(VstMidiEvent);
      e.deltaFrames = delta;
      for (uint32_t b = 0; b < 3 && b < ev->body.size; ++b) {
        e.midiData[b] = static_cast<char>(bytes[b]);
      }
      entry = reinterpret_cast<VstEvent*>(&e);
    }
    VstEvents* list = reinterpret_cast<VstEvents*>(mEventList.data());
    VstEvent** entries = list->events;
    entries[count++] = entry;
    if (count == kEventBatch) {
      FlushEvents(count);
      count = 0;
      mSysexUsed = 0;
    }
  }
  if (count > 0) FlushEvents(count);
}

void Lv2FilterPlugin::FlushEvents(int count) {
  VstEvents* list = reinterpret_cast<VstEvents*>(mEventList.data());
  list->numEvents = count;
  list->reserved = 0;
  Dispatch(effProcessEvents, 0, 0, list);
}

void Lv2FilterPlugin::BeginMidiOut() {
  if (!mMidiOut) return;
  if (!mSequence) {  // no map: no type to give a sequence, so an empty atom
    mMidiOutCapacity = 0;
    mMidiOut->atom.size = 0;
    return;
  }
  // The host states the room it gives in the atom's size; the body starts empty.
  mMidiOutCapacity = mMidiOut->atom.size;
  if (mMidiOutCapacity < sizeof(LV2_Atom_Sequence_Body)) {
    mMidiOutCapacity = 0;
    mMidiOut->atom.size = 0;
    mMidiOut->atom.type = 0;
    return;
  }
  mMidiOut->atom.type = mSequence;
  mMidiOut->atom.size = sizeof(LV2_Atom_Sequence_Body);
  mMidiOut->body.unit = 0;  // frames
  mMidiOut->body.pad = 0;
}

void Lv2FilterPlugin::WriteMidiOut(const VstEvents* events) {
  VstEvent* const* list = events->events;
  for (int i = 0; i < events->numEvents; ++i) {
    const VstEvent* ev = list[i];
    if (!ev) continue;
    if (ev->type == kVstMidiType) {
      const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(ev);
      const uint32_t size = ShortMessageLength(static_cast<uint8_t>(midi->midiData[0]));
      AppendMidiOut(midi->deltaFrames, midi->midiData, size);
    } else if (ev->type == kVstSysExType) {
      const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(ev);
      if (sysex->sysexDump && sysex->dumpBytes > 0) {
        AppendMidiOut(sysex->deltaFrames, sysex->sysexDump,
                      static_cast<uint32_t>(sysex->dumpBytes));
      }
    }
  }
}

void Lv2FilterPlugin::AppendMidiOut(int64_t frame, const void* bytes, uint32_t size) {
  if (!mMidiOut || mMidiOutCapacity == 0) return;
  const uint32_t used = mMidiOut->atom.size;
  const uint32_t need = lv2_atom_pad_size(static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + size);
  if (need > mMidiOutCapacity - used) return;  // the host's buffer is full: dropped
  LV2_Atom_Event* ev =
      reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&mMidiOut->body) + used);
  ev->time.frames = frame < 0 ? 0 : frame;
  ev->body.size = size;
  ev->body.type = mMidiEvent;
  std::memcpy(ev + 1, bytes, size);
  mMidiOut->atom.size = used + need;
}

void Lv2FilterPlugin::WriteControlOutputs() {
  LockGuard lock(mPlugin->PluginLock());
  const float values[Lv2Ports::kCount - Lv2Ports::kLimiter] = {
      static_cast<float>(mPlugin->GetLimiterIndicator()),
      static_cast<float>(mPlugin->GetOutputEnvelope()),
      static_cast<float>(mPlugin->GetShape()),
      static_cast<float>(mPlugin->GetCutoffGlide()),
      static_cast<float>(mPlugin->GetResonanceGlide()),
  };
  for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
    if (mReading[i]) *mReading[i] = values[i];
  }
}
