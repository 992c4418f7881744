#pragma once
/* The VST 2.4 binary interface as this plug-in and its test hosts use it.
 *
 * Written from the published layout facts: records, opcodes and flags with their numbers.
 * Plain C, fixed-width integers, natural alignment (equal to the customary 8-byte packing for
 * every record here). Host-owned and plug-in-owned memory is noted on each field. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

typedef int16_t VstInt16;
typedef int32_t VstInt32;
typedef int64_t VstInt64;
typedef intptr_t VstIntPtr; /* pointer-sized: 4 bytes on i686, 8 on x86_64 (also Win64) */

enum { kVstVersion = 2400 };
enum { kEffectMagic = 0x56737450 }; /* 'VstP' */

struct AEffect;

/* [host -> plug-in, any host thread] Opcodes of section "effect opcodes" below. */
typedef VstIntPtr(VSTCALLBACK* AEffectDispatcherProc)(struct AEffect* effect, VstInt32 opcode,
                                                      VstInt32 index, VstIntPtr value, void* ptr,
                                                      float opt);
/* [plug-in -> host, any thread] effect may be NULL while the entry point runs. */
typedef VstIntPtr(VSTCALLBACK* audioMasterCallback)(struct AEffect* effect, VstInt32 opcode,
                                                    VstInt32 index, VstIntPtr value, void* ptr,
                                                    float opt);
/* [audio thread] process (accumulating) and processReplacing. */
typedef void(VSTCALLBACK* AEffectProcessProc)(struct AEffect* effect, float** inputs,
                                              float** outputs, VstInt32 sampleFrames);
/* [audio thread] processDoubleReplacing. */
typedef void(VSTCALLBACK* AEffectProcessDoubleProc)(struct AEffect* effect, double** inputs,
                                                    double** outputs, VstInt32 sampleFrames);
/* [any host thread] value normalised to 0..1. */
typedef void(VSTCALLBACK* AEffectSetParameterProc)(struct AEffect* effect, VstInt32 index,
                                                   float value);
typedef float(VSTCALLBACK* AEffectGetParameterProc)(struct AEffect* effect, VstInt32 index);
/* The module entry point: VSTPluginMain, also exported as main. */
typedef struct AEffect*(VSTCALLBACK* VstEntryProc)(audioMasterCallback host);

/* The effect record: plug-in owned, at a fixed address until effClose. */
struct AEffect {
  VstInt32 magic;                   /* kEffectMagic */
  AEffectDispatcherProc dispatcher; /* host -> plug-in opcodes */
  AEffectProcessProc process;       /* accumulating float processing (deprecated, still set) */
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;                  /* audio input channels */
  VstInt32 numOutputs;                 /* audio output channels */
  VstInt32 flags;                      /* effFlags* */
  VstIntPtr resvd1;                    /* reserved for the host: never touched by the plug-in */
  VstIntPtr resvd2;                    /* reserved, 0 */
  VstInt32 initialDelay;               /* latency in samples */
  VstInt32 realQualities;              /* deprecated, 0 */
  VstInt32 offQualities;               /* deprecated, 0 */
  float ioRatio;                       /* deprecated, 1.0 */
  void* object;                        /* the plug-in instance */
  void* user;                          /* for the host; the plug-in never uses it */
  VstInt32 uniqueID;                   /* four characters, first in the most significant byte */
  VstInt32 version;                    /* decimal: major * 10000 + minor * 100 + bugfix */
  AEffectProcessProc processReplacing; /* float processing, outputs overwritten */
  AEffectProcessDoubleProc processDoubleReplacing; /* double processing, or NULL */
  char future[56];                                 /* zero */
};

/* Effect (dispatcher) opcodes, host -> plug-in. */
enum {
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effGetVu = 9,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditDraw = 16,
  effEditMouse = 17,
  effEditKey = 18,
  effEditIdle = 19,
  effEditTop = 20,
  effEditSleep = 21,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetNumProgramCategories = 28,
  effGetProgramNameIndexed = 29,
  effCopyProgram = 30,
  effConnectInput = 31,
  effConnectOutput = 32,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effGetCurrentPosition = 36,
  effGetDestinationBuffer = 37,
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effSetBlockSizeAndSampleRate = 43,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetErrorText = 46,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetIcon = 54,
  effSetViewPosition = 55,
  effGetParameterProperties = 56,
  effKeysRequired = 57,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effSetEditKnobMode = 61,
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effGetSpeakerArrangement = 69,
  effShellGetNextPlugin = 70,
  effStartProcess = 71,
  effStopProcess = 72,
  effSetTotalSampleToProcess = 73,
  effSetPanLaw = 74,
  effBeginLoadBank = 75,
  effBeginLoadProgram = 76,
  effSetProcessPrecision = 77,
  effGetNumMidiInputChannels = 78,
  effGetNumMidiOutputChannels = 79
};

/* Host opcodes, plug-in -> host. */
enum {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterSetTime = 9,
  audioMasterTempoAt = 10,
  audioMasterGetNumAutomatableParameters = 11,
  audioMasterGetParameterQuantization = 12,
  audioMasterIOChanged = 13,
  audioMasterNeedIdle = 14,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetInputLatency = 18,
  audioMasterGetOutputLatency = 19,
  audioMasterGetPreviousPlug = 20,
  audioMasterGetNextPlug = 21,
  audioMasterWillReplaceOrAccumulate = 22,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead = 26,
  audioMasterOfflineWrite = 27,
  audioMasterOfflineGetCurrentPass = 28,
  audioMasterOfflineGetCurrentMetaPass = 29,
  audioMasterSetOutputSampleRate = 30,
  audioMasterGetOutputSpeakerArrangement = 31,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterVendorSpecific = 35,
  audioMasterSetIcon = 36,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterOpenWindow = 39,
  audioMasterCloseWindow = 40,
  audioMasterGetDirectory = 41,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector = 46,
  audioMasterEditFile = 47,
  audioMasterGetChunkFile = 48,
  audioMasterGetInputSpeakerArrangement = 49
};

/* AEffect.flags */
enum {
  effFlagsHasEditor = 1 << 0,
  effFlagsHasClip = 1 << 1,
  effFlagsHasVu = 1 << 2,
  effFlagsCanMono = 1 << 3,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsExtIsAsync = 1 << 10,
  effFlagsExtHasBuffer = 1 << 11,
  effFlagsCanDoubleReplacing = 1 << 12
};

/* Nominal string buffer sizes, terminator included. */
enum {
  kVstMaxProgNameLen = 24,
  kVstMaxParamStrLen = 8,
  kVstMaxVendorStrLen = 64,
  kVstMaxProductStrLen = 64,
  kVstMaxEffectNameLen = 32,
  kVstMaxNameLen = 64,
  kVstMaxLabelLen = 64,
  kVstMaxShortLabelLen = 8,
  kVstMaxCategLabelLen = 24,
  kVstMaxFileNameLen = 100
};

/* effGetPlugCategory */
enum {
  kPlugCategUnknown = 0,
  kPlugCategEffect = 1,
  kPlugCategSynth = 2,
  kPlugCategAnalysis = 3,
  kPlugCategMastering = 4,
  kPlugCategSpacializer = 5,
  kPlugCategRoomFx = 6,
  kPlugSurroundFx = 7,
  kPlugCategRestoration = 8,
  kPlugCategOfflineProcess = 9,
  kPlugCategShell = 10,
  kPlugCategGenerator = 11,
  kPlugCategMaxCount = 12
};

/* VstPinProperties.flags */
enum { kVstPinIsActive = 1 << 0, kVstPinIsStereo = 1 << 1, kVstPinUseSpeaker = 1 << 2 };

/* VstTimeInfo.flags and the audioMasterGetTime filter */
enum {
  kVstTransportChanged = 1 << 0,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15
};

/* Event types */
enum {
  kVstMidiType = 1,
  kVstAudioType = 2,
  kVstVideoType = 3,
  kVstParameterType = 4,
  kVstTriggerType = 5,
  kVstSysExType = 6
};
enum { kVstMidiEventIsRealtime = 1 << 0 };

/* Speaker arrangement types (the ones this code names) */
enum {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo = 1
};

/* Generic event: the host owns it for the duration of effProcessEvents. */
struct VstEvent {
  VstInt32 type;        /* kVst*Type */
  VstInt32 byteSize;    /* not to be validated: hosts disagree */
  VstInt32 deltaFrames; /* sample offset inside the current block */
  VstInt32 flags;
  char data[16];
};

/* Event list; really numEvents pointers long. Read exactly numEvents entries. */
struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved; /* 0 */
  struct VstEvent* events[2];
};

struct VstMidiEvent {
  VstInt32 type;        /* kVstMidiType */
  VstInt32 byteSize;    /* 32 */
  VstInt32 deltaFrames; /* sample offset inside the current block */
  VstInt32 flags;       /* kVstMidiEventIsRealtime */
  VstInt32 noteLength;  /* samples, 0 if unknown */
  VstInt32 noteOffset;  /* samples into the note, 0 if unknown */
  char midiData[4];     /* status, data1, data2, 0 */
  char detune;          /* -64..+63 cents */
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstMidiSysexEvent {
  VstInt32 type; /* kVstSysExType */
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 dumpBytes; /* size of sysexDump */
  VstIntPtr resvd1;
  char* sysexDump; /* host-owned */
  VstIntPtr resvd2;
};

/* Host-owned, valid for the current block. samplePos and sampleRate are always valid. */
struct VstTimeInfo {
  double samplePos;   /* samples */
  double sampleRate;  /* Hz */
  double nanoSeconds; /* kVstNanosValid */
  double ppqPos;      /* quarter notes, kVstPpqPosValid */
  double tempo;       /* BPM, kVstTempoValid */
  double barStartPos; /* quarter notes, kVstBarsValid */
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator; /* kVstTimeSigValid */
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock;
  VstInt32 flags; /* kVst*Valid, kVstTransport* */
};

struct VstPinProperties {
  char label[64];           /* kVstMaxLabelLen */
  VstInt32 flags;           /* kVstPin* */
  VstInt32 arrangementType; /* kSpeakerArr* */
  char shortLabel[8];       /* kVstMaxShortLabelLen */
  char future[48];
};

struct VstSpeakerProperties {
  float azimuth;   /* radians */
  float elevation; /* radians */
  float radius;    /* metres */
  float reserved;
  char name[64];
  VstInt32 type; /* kSpeaker* */
  char future[28];
};

struct VstSpeakerArrangement {
  VstInt32 type;                           /* kSpeakerArr* */
  VstInt32 numChannels;                    /* channels in use */
  struct VstSpeakerProperties speakers[8]; /* declared 8, may be allocated larger */
};

/* Editor rectangle in pixels; plug-in owned, handed out by effEditGetRect. */
struct ERect {
  VstInt16 top;
  VstInt16 left;
  VstInt16 bottom;
  VstInt16 right;
};

struct MidiKeyName {
  VstInt32 thisProgramIndex; /* in */
  VstInt32 thisKeyNumber;    /* in */
  char keyName[64];          /* out, kVstMaxNameLen */
  VstInt32 reserved;
  VstInt32 flags;
};

#ifdef __cplusplus
}  // extern "C"
#endif

/* Layouts: 32-bit (i686) and 64-bit (x86_64 Linux and Windows) are fixed by the interface. */
#ifdef __cplusplus
#define VST_ABI_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define VST_ABI_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define VST_ABI_PICK(off32, off64) (sizeof(void*) == 4 ? (off32) : (off64))
VST_ABI_ASSERT(sizeof(VstIntPtr) == sizeof(void*), "VstIntPtr is pointer-sized");
VST_ABI_ASSERT(sizeof(struct AEffect) == VST_ABI_PICK(144, 192), "AEffect size");
VST_ABI_ASSERT(offsetof(struct AEffect, dispatcher) == VST_ABI_PICK(4, 8), "AEffect.dispatcher");
VST_ABI_ASSERT(offsetof(struct AEffect, numPrograms) == VST_ABI_PICK(20, 40),
               "AEffect.numPrograms");
VST_ABI_ASSERT(offsetof(struct AEffect, flags) == VST_ABI_PICK(36, 56), "AEffect.flags");
VST_ABI_ASSERT(offsetof(struct AEffect, resvd1) == VST_ABI_PICK(40, 64), "AEffect.resvd1");
VST_ABI_ASSERT(offsetof(struct AEffect, initialDelay) == VST_ABI_PICK(48, 80),
               "AEffect.initialDelay");
VST_ABI_ASSERT(offsetof(struct AEffect, ioRatio) == VST_ABI_PICK(60, 92), "AEffect.ioRatio");
VST_ABI_ASSERT(offsetof(struct AEffect, object) == VST_ABI_PICK(64, 96), "AEffect.object");
VST_ABI_ASSERT(offsetof(struct AEffect, uniqueID) == VST_ABI_PICK(72, 112), "AEffect.uniqueID");
VST_ABI_ASSERT(offsetof(struct AEffect, version) == VST_ABI_PICK(76, 116), "AEffect.version");
VST_ABI_ASSERT(offsetof(struct AEffect, processReplacing) == VST_ABI_PICK(80, 120),
               "AEffect.processReplacing");
VST_ABI_ASSERT(offsetof(struct AEffect, processDoubleReplacing) == VST_ABI_PICK(84, 128),
               "AEffect.processDoubleReplacing");
VST_ABI_ASSERT(offsetof(struct AEffect, future) == VST_ABI_PICK(88, 136), "AEffect.future");
VST_ABI_ASSERT(sizeof(struct VstEvent) == 32, "VstEvent size");
VST_ABI_ASSERT(offsetof(struct VstEvents, events) == VST_ABI_PICK(8, 16), "VstEvents.events");
VST_ABI_ASSERT(sizeof(struct VstEvents) == VST_ABI_PICK(16, 32), "VstEvents size");
VST_ABI_ASSERT(sizeof(struct VstMidiEvent) == 32, "VstMidiEvent size");
VST_ABI_ASSERT(offsetof(struct VstMidiEvent, midiData) == 24, "VstMidiEvent.midiData");
VST_ABI_ASSERT(sizeof(struct VstMidiSysexEvent) == VST_ABI_PICK(32, 48), "VstMidiSysexEvent size");
VST_ABI_ASSERT(sizeof(struct VstTimeInfo) == 88, "VstTimeInfo size");
VST_ABI_ASSERT(offsetof(struct VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo.timeSig");
VST_ABI_ASSERT(offsetof(struct VstTimeInfo, flags) == 84, "VstTimeInfo.flags");
VST_ABI_ASSERT(sizeof(struct VstPinProperties) == 128, "VstPinProperties size");
VST_ABI_ASSERT(offsetof(struct VstPinProperties, flags) == 64, "VstPinProperties.flags");
VST_ABI_ASSERT(offsetof(struct VstPinProperties, shortLabel) == 72, "VstPinProperties.shortLabel");
VST_ABI_ASSERT(sizeof(struct VstSpeakerProperties) == 112, "VstSpeakerProperties size");
VST_ABI_ASSERT(offsetof(struct VstSpeakerProperties, type) == 80, "VstSpeakerProperties.type");
VST_ABI_ASSERT(sizeof(struct VstSpeakerArrangement) == 904, "VstSpeakerArrangement size");
VST_ABI_ASSERT(sizeof(struct ERect) == 8, "ERect size");
VST_ABI_ASSERT(sizeof(struct MidiKeyName) == 80, "MidiKeyName size");
VST_ABI_ASSERT(offsetof(struct MidiKeyName, keyName) == 8, "MidiKeyName.keyName");
#undef VST_ABI_PICK
