// The product as a host sees it through the module's binary interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/support/TestHost.h"
#include "tests/vst/PassThroughPlug.h"

namespace {

class Dispatcher : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(host.Effect(), nullptr) << host.Error(); }
  TestHost host;
};

std::string GetString(TestHost& host, VstInt32 opcode, VstIntPtr* answer = nullptr) {
  char text[256];
  std::memset(text, 'x', sizeof text);
  text[255] = '\0';
  const VstIntPtr r = host.Dispatch(opcode, 0, 0, text);
  if (answer) *answer = r;
  return text;
}

}  // namespace

TEST_F(Dispatcher, EffectRecordDescribesTheProduct) {
  const AEffect* e = host.Effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(e->numPrograms, 8);
  EXPECT_EQ(e->numParams, 5);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x1019) << "editor, replacing, double replacing and mono";
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->uniqueID, 0x4B727646) << "'KrvF'";
  EXPECT_EQ(e->version, 10000);
  EXPECT_NE(e->process, e->processReplacing) << "hosts treat equal pointers as broken";
  EXPECT_NE(e->processDoubleReplacing, nullptr);
  for (char c : e->future) EXPECT_EQ(c, 0);
}

TEST_F(Dispatcher, NamesAndFixedAnswers) {
  VstIntPtr r = 0;
  EXPECT_EQ(GetString(host, effGetEffectName, &r), "Korvane Filter (no SSE2)");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(GetString(host, effGetVendorString, &r), "Quorl");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(GetString(host, effGetProductString, &r), "");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(host.Dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(host.Dispatch(effCanBeAutomated, 3), 1);
  EXPECT_EQ(host.Dispatch(effProcessVarIo), 0);
}

TEST_F(Dispatcher, ParametersShowNamesLabelsAndDisplays) {
  const char* names[] = {"", "filter shape", "cutoff frequency", "resonance", "brickwall limit"};
  const char* labels[] = {"", "", "Hz", "", ""};
  const char* displays[] = {"0", "low pass", "18000", "0.35", "on"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(host.ParamName(i), names[i]) << "parameter " << i;
    EXPECT_EQ(host.ParamLabel(i), labels[i]) << "parameter " << i;
    EXPECT_EQ(host.ParamDisplay(i), displays[i]) << "parameter " << i;
  }
  EXPECT_FLOAT_EQ(host.GetParameter(2), 1.0f);
  EXPECT_NEAR(host.GetParameter(3), std::sqrt(0.35), 1e-6);
  host.SetParameter(1, 0.5f);
  EXPECT_EQ(host.ParamDisplay(1), "band pass wide");
  host.SetParameter(2, 0.5f);
  EXPECT_EQ(host.ParamDisplay(2), "3190");
}

TEST_F(Dispatcher, OutOfRangeParameterStringsAnswerZeroAndWriteNothing) {
  for (int opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
    for (int index : {-1, 5, 1000}) {
      char text[8] = {'k', 'e', 'e', 'p', 0};
      EXPECT_EQ(host.Dispatch(opcode, index, 0, text), 0);
      EXPECT_STREQ(text, "keep") << "opcode " << opcode << " index " << index;
    }
    EXPECT_EQ(host.Dispatch(opcode, 1, 0, nullptr), 0) << "null buffer";
  }
}

TEST_F(Dispatcher, NullObjectUnknownOpcodesAndNullPointersAreSafe) {
  AEffect copy = *host.Effect();
  copy.object = nullptr;
  EXPECT_EQ(copy.dispatcher(&copy, effGetVstVersion, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(copy.dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0), 0);
  copy.processReplacing(&copy, nullptr, nullptr, 64);
  EXPECT_EQ(copy.getParameter(&copy, 1), 0.0f);
  copy.setParameter(&copy, 1, 0.5f);

  for (int opcode : {9,  16, 17, 18, 20, 21, 27, 28, 30, 31, 32, 36, 37, 38,  39,   40,
                     43, 44, 46, 49, 52, 54, 55, 56, 57, 59, 60, 61, 62, 63,  64,   65,
                     67, 68, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 100, 1000, -1}) {
    EXPECT_EQ(host.Dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
  }
  for (int opcode : {effGetProgramName, effSetProgramName, effGetEffectName, effGetVendorString,
                     effGetProductString, effGetChunk, effSetChunk, effProcessEvents,
                     effGetInputProperties, effGetOutputProperties, effCanDo, effVendorSpecific,
                     effGetMidiKeyName, effGetProgramNameIndexed, effEditGetRect, effEditOpen}) {
    EXPECT_EQ(host.Dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
  }
  EXPECT_EQ(host.Dispatch(effEditIdle), 0);
  EXPECT_EQ(host.Dispatch(effIdle), 0);
}

TEST_F(Dispatcher, CanDoAnswers) {
  auto canDo = [&](const char* s) { return host.Dispatch(effCanDo, 0, 0, const_cast<char*>(s)); };
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("receiveVstEvents"), 1);
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
  EXPECT_EQ(canDo("sendVstEvents"), 1);
  EXPECT_EQ(canDo("sendVstMidiEvent"), 1);
  EXPECT_EQ(canDo("hasCockosExtensions"), static_cast<VstIntPtr>(0xBEEF0000u));
  EXPECT_EQ(canDo("hasCockosViewAsConfig"), static_cast<VstIntPtr>(0xBEEF0000u));
  if (sizeof(VstIntPtr) == 8) {
    EXPECT_GT(canDo("hasCockosViewAsConfig"), 0) << "zero-extended";
  }
  EXPECT_EQ(canDo("ReceiveVstEvents"), 0) << "case-sensitive";
  EXPECT_EQ(canDo("bypass"), 0);

  TestHost noMidi(PassThroughNoMidiMain);
  auto canDo2 = [&](const char* s) {
    return noMidi.Dispatch(effCanDo, 0, 0, const_cast<char*>(s));
  };
  EXPECT_EQ(canDo2("receiveVstEvents"), 0) << "MIDI answers only with the does-MIDI flag";
  EXPECT_EQ(canDo2("receiveVstTimeInfo"), 1);
}

TEST_F(Dispatcher, PinPropertiesForDeclaredChannelsOnly) {
  VstPinProperties pin;
  std::memset(&pin, 0x5A, sizeof pin);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 3);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(pin.arrangementType, 0x5A5A5A5A) << "other fields untouched";
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(pin.flags, 1);
  EXPECT_STREQ(pin.label, "Output 2");
  VstPinProperties untouched;
  std::memset(&untouched, 0x33, sizeof untouched);
  VstPinProperties probe = untouched;
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 2, 0, &probe), 0);
  EXPECT_EQ(std::memcmp(&probe, &untouched, sizeof probe), 0);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, -1, 0, &probe), 0);
}

TEST_F(Dispatcher, VendorSpecificParameterDisplayForAGivenValue) {
  char text[256] = "unchanged";
  EXPECT_EQ(host.Dispatch(effVendorSpecific, effGetParamDisplay, 2, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "3190");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, effGetParamDisplay, 1, text, 1.0f), 0xBEEF);
  EXPECT_STREQ(text, "band pass narrow");
  std::strcpy(text, "unchanged");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, effGetParamDisplay, 9, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "unchanged");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 6, 2, text, 0.5f), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, effGetParamDisplay, 2, text, -3.0f), 0xBEEF);
  EXPECT_STREQ(text, "10") << "values outside 0..1 are clamped";
}

TEST_F(Dispatcher, EditorRectIsThePanelAndOpeningNeedsAParentWindow) {
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 350);
  EXPECT_EQ(rect->right, 274);
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0) << "no parent window, no editor";
}

TEST_F(Dispatcher, SpeakerArrangementsAndMidiKeyNames) {
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->numChannels, 2);
  EXPECT_EQ(in->type, 0);

  MidiKeyName key;
  std::memset(&key, 'z', sizeof key);
  key.thisKeyNumber = 60;
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_EQ(key.keyName[0], '\0');
}

TEST_F(Dispatcher, StringCopiesAreBoundedAndTerminated) {
  std::string longName(300, 'n');
  host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>(longName.c_str()));
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  host.Dispatch(effGetProgramName, 0, 0, buffer);
  EXPECT_EQ(std::strlen(buffer), 23u);
  for (size_t i = 24; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << "byte " << i;
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, 0, buffer), 1);
  EXPECT_EQ(std::strlen(buffer), 23u);
  std::memset(buffer, '#', sizeof buffer);
  host.Dispatch(effGetEffectName, 0, 0, buffer);
  EXPECT_EQ(buffer[32], '#') << "effect name stays within 32 bytes";
}

TEST(Module, ExportsBothEntryNamesReturningSeparateInstances) {
  DynamicLibrary lib;
  ASSERT_TRUE(lib.Open(TestHost::DefaultModulePath())) << lib.Error();
  auto vstMain = reinterpret_cast<VstEntryProc>(lib.Symbol("VSTPluginMain"));
  auto oldMain = reinterpret_cast<VstEntryProc>(lib.Symbol("main"));
  ASSERT_NE(vstMain, nullptr);
  ASSERT_NE(oldMain, nullptr);
  AEffect* a = vstMain(nullptr);
  AEffect* b = oldMain(nullptr);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(b->magic, kEffectMagic);
  a->dispatcher(a, effOpen, 0, 0, nullptr, 0);  // works without a host callback
  a->dispatcher(a, effClose, 0, 0, nullptr, 0);
  b->dispatcher(b, effClose, 0, 0, nullptr, 0);
}
