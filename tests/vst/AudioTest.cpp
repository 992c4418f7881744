// The audio and parameter callbacks of the adapter, with a pass-through plug-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "tests/support/ProcessMemory.h"
#include "tests/support/TestHost.h"
#include "tests/vst/PassThroughPlug.h"

namespace {

class Audio : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    host.Start(44100.0f, 64);
    plug = PassThroughPlug::From(host.Effect());
  }
  TestHost host{PassThroughMain};
  PassThroughPlug* plug = nullptr;
};

std::vector<float> Ramp(int n, float start) {
  std::vector<float> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = start + 0.01f * static_cast<float>(i);
  return v;
}

}  // namespace

TEST_F(Audio, ProcessReplacingOverwritesEveryConnectedOutput) {
  std::vector<float> l = Ramp(64, 0.1f), r = Ramp(64, -0.3f);
  std::vector<float> ol(64, 9.0f), orr(64, 9.0f);
  float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  host.ProcessReplacing(in, out, 64);
  EXPECT_EQ(ol, l);
  EXPECT_EQ(orr, r);
}

TEST_F(Audio, ProcessAddsToWhatTheHostBufferHolds) {
  std::vector<float> l = Ramp(64, 0.1f), r = Ramp(64, 0.2f);
  std::vector<float> ol(64, 0.5f), orr = Ramp(64, 1.0f);
  const std::vector<float> before = orr;
  float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  host.Process(in, out, 64);
  for (size_t i = 0; i < 64; ++i) {
    EXPECT_FLOAT_EQ(ol[i], 0.5f + l[i]) << "sample " << i;
    EXPECT_FLOAT_EQ(orr[i], before[i] + r[i]) << "sample " << i;
  }
}

TEST_F(Audio, DoubleProcessingWritesTheHostBuffersInPlace) {
  std::vector<double> l(64), r(64), ol(64, 7.0), orr(64, 7.0);
  for (int i = 0; i < 64; ++i) {
    l[static_cast<size_t>(i)] = 1e-3 * i;
    r[static_cast<size_t>(i)] = -1e-3 * i;
  }
  double* in[] = {l.data(), r.data()};
  double* out[] = {ol.data(), orr.data()};
  host.ProcessDouble(in, out, 64);
  EXPECT_EQ(ol, l) << "doubles pass untouched: no float conversion on this path";
  EXPECT_EQ(orr, r);
  // In place: the same buffer as input and output.
  double* same[] = {l.data(), r.data()};
  host.ProcessDouble(same, same, 64);
  EXPECT_EQ(l[10], 1e-2);
}

TEST_F(Audio, MonoConnectionReadsZerosAndDropsTheSecondOutput) {
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  EXPECT_EQ(host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono),
            1);
  std::vector<float> l = Ramp(64, 0.25f), ol(64, 3.0f), sentinel(64, 3.0f);
  float* in[] = {l.data()};
  float* out[] = {ol.data()};
  host.ProcessReplacing(in, out, 64);
  EXPECT_EQ(ol, l);
  // The base copies input 1 (unconnected: its zeroed scratch) to output 1 (dropped), so the
  // host's single buffer is all it sees; a stereo pair again reads both.
  VstSpeakerArrangement* arrIn = nullptr;
  VstSpeakerArrangement* arrOut = nullptr;
  host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrIn), &arrOut);
  EXPECT_EQ(arrIn->numChannels, 2) << "the handed-out arrangement is not changed";
  VstSpeakerArrangement stereo{};
  stereo.numChannels = 2;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereo), &stereo);
  float* in2[] = {l.data(), l.data()};
  float* out2[] = {ol.data(), sentinel.data()};
  host.ProcessReplacing(in2, out2, 64);
  EXPECT_EQ(sentinel, l);
}

TEST_F(Audio, UnconnectedInputReadsItsScratchZerosInDoubleProcessing) {
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  VstSpeakerArrangement stereo{};
  stereo.numChannels = 2;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &stereo);
  std::vector<double> l(64, 0.5), ol(64, 9.0), orr(64, 9.0);
  double* in[] = {l.data()};
  double* out[] = {ol.data(), orr.data()};
  host.ProcessDouble(in, out, 64);
  EXPECT_EQ(ol, l);
  EXPECT_EQ(orr, std::vector<double>(64, 0.0)) << "second input reads zeros";
}

TEST_F(Audio, ScratchKeptForTheSameBlockSizeAndZeroedForAnother) {
  // Fill input 1's scratch through a float block, then disconnect it: it keeps the last block.
  std::vector<float> l = Ramp(64, 0.5f), r = Ramp(64, 0.7f), ol(64), orr(64);
  float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  host.ProcessReplacing(in, out, 64);
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  VstSpeakerArrangement stereo{};
  stereo.numChannels = 2;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &stereo);
  host.Dispatch(effSetBlockSize, 0, 64);
  float* in1[] = {l.data()};
  host.ProcessReplacing(in1, out, 64);
  EXPECT_EQ(orr, r) << "same block size: the scratch still holds the last converted block";
  host.Dispatch(effSetBlockSize, 0, 32);
  host.ProcessReplacing(in1, out, 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(orr[static_cast<size_t>(i)], 0.0f) << "sample " << i;
}

TEST_F(Audio, LongerBlocksNegativeFramesAndMissingBuffersAreSafe) {
  std::vector<float> l = Ramp(1000, 0.0f), r = Ramp(1000, 0.1f), ol(1000), orr(1000);
  float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  host.ProcessReplacing(in, out, 1000);  // announced 64
  EXPECT_EQ(ol, l);
  EXPECT_EQ(orr, r);
  host.ProcessReplacing(in, out, 0);
  host.ProcessReplacing(in, out, -5);
  EXPECT_EQ(plug->framesSeen.back(), 0) << "a negative frame count is processed as 0";

  std::vector<float> guard(64, 4.0f);
  float* inNull[] = {nullptr, r.data()};
  float* outNull[] = {guard.data(), nullptr};
  host.ProcessReplacing(inNull, outNull, 64);
  EXPECT_EQ(guard, std::vector<float>(64, 0.0f)) << "a missing input reads silence";
  host.ProcessReplacing(nullptr, nullptr, 64);
  std::vector<double> d(64, 1.0);
  double* dIn[] = {nullptr, d.data()};
  double* dOut[] = {nullptr, d.data()};
  host.ProcessDouble(dIn, dOut, 64);
  host.ProcessDouble(nullptr, nullptr, 64);
  EXPECT_EQ(d, std::vector<double>(64, 1.0));
}

TEST_F(Audio, AnAbsurdBlockSizePreparesNoAbsurdBuffersAndLongBlocksStillWork) {
  const long before = ResidentKiB() / 1024;      // MiB
  host.Dispatch(effSetBlockSize, 0, 100000000);  // 800 MB a channel
  const long after = ResidentKiB() / 1024;
  if (before > 0) {
    EXPECT_LT(after - before, 200) << "MiB prepared for an announced block size";
  }
  EXPECT_EQ(plug->GetBlockSize(), 100000000) << "the announced size is still what it is";
  // A block longer than what was prepared for grows the buffers and is processed whole.
  const int n = (1 << 20) + 4096;
  std::vector<float> l = Ramp(n, 0.0f), r = Ramp(n, 0.5f), ol(n), orr(n);
  float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  host.ProcessReplacing(in, out, n);
  EXPECT_EQ(ol, l);
  EXPECT_EQ(orr, r);
}

TEST_F(Audio, WantMidiIsAskedOncePerBlockWhenTheFlagIsSet) {
  host.calls.clear();
  std::vector<float> buf(64);
  float* io[] = {buf.data(), buf.data()};
  host.ProcessReplacing(io, io, 64);
  host.Process(io, io, 64);
  std::vector<double> d(64);
  double* dio[] = {d.data(), d.data()};
  host.ProcessDouble(dio, dio, 64);
  EXPECT_EQ(host.CountCalls(audioMasterWantMidi), 3);

  TestHost quiet(PassThroughNoMidiMain);
  quiet.Start();
  quiet.ProcessReplacing(io, io, 64);
  EXPECT_EQ(quiet.CountCalls(audioMasterWantMidi), 0);
}

TEST_F(Audio, SetParameterSetsThenNotifiesWithoutCallingTheHostBack) {
  host.calls.clear();
  plug->log.clear();
  host.SetParameter(1, 0.4f);
  ASSERT_EQ(plug->log.size(), 1u);
  EXPECT_EQ(plug->log[0], "OnParamChange 1 1.000000");
  EXPECT_EQ(host.GetParameter(1), 0.5f) << "an enum reads back its rounded step";
  EXPECT_TRUE(host.calls.empty()) << "no automation echoed to the host";
  host.SetParameter(2, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(host.GetParameter(2), 0.0f);
  host.SetParameter(2, -2.0f);
  EXPECT_EQ(host.GetParameter(2), 0.0f);
  host.SetParameter(2, 3.0f);
  EXPECT_EQ(host.GetParameter(2), 1.0f);
  plug->log.clear();
  host.SetParameter(3, 0.5f);
  host.SetParameter(-1, 0.5f);
  EXPECT_TRUE(plug->log.empty());
  EXPECT_EQ(host.GetParameter(3), 0.0f);
  EXPECT_EQ(host.GetParameter(-1), 0.0f);
}

TEST_F(Audio, DispatcherHooksFollowOpenRateBlockAndMains) {
  plug->log.clear();
  host.Dispatch(effOpen);
  ASSERT_EQ(plug->log.size(), 4u);
  EXPECT_EQ(plug->log[0], "OnParamChange 0 0.000000");
  EXPECT_EQ(plug->log[3], "Reset");
  plug->log.clear();
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  EXPECT_EQ(plug->GetSampleRate(), 48000.0);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, -1.0f);
  EXPECT_EQ(plug->GetSampleRate(), 48000.0) << "a rate that is not positive is ignored";
  host.Dispatch(effSetBlockSize, 0, 256);
  EXPECT_EQ(plug->GetBlockSize(), 256);
  host.Dispatch(effMainsChanged, 0, 1);
  host.Dispatch(effMainsChanged, 0, 0);
  const std::vector<std::string> expected = {"Reset",    "Reset",      "Reset",
                                             "Activate", "Deactivate", "Reset"};
  EXPECT_EQ(plug->log, expected);
}

TEST_F(Audio, MidiPassesThroughAndOtherEventsGoStraightBack) {
  host.midiReceived.clear();
  EXPECT_EQ(host.SendMidi({{3, 0x90, 60, 100}, {7, 0xB0, 74, 64}}), 1);
  ASSERT_EQ(host.midiReceived.size(), 2u);
  EXPECT_EQ(host.midiReceived[0].deltaFrames, 3);
  EXPECT_EQ(static_cast<uint8_t>(host.midiReceived[0].midiData[0]), 0x90);
  EXPECT_EQ(host.midiReceived[1].midiData[1], 74);
  EXPECT_EQ(host.midiReceived[1].byteSize, 32);

  VstEvent sysex{};
  sysex.type = kVstSysExType;
  VstEvents list{};
  list.numEvents = 2;
  list.events[0] = nullptr;  // skipped
  list.events[1] = &sysex;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &list), 1);
  ASSERT_EQ(host.otherEventsReceived.size(), 1u);
  EXPECT_EQ(host.otherEventsReceived[0].type, kVstSysExType);
}

TEST(HostIdentification, HostIsAskedOnceAtFirstOpen) {
  TestHost host(PassThroughMain);
  host.productString = "REAPER";
  host.vendorVersion = 10203;
  host.Dispatch(effOpen);
  host.Dispatch(effOpen);
  EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1);
  EXPECT_EQ(host.CountCalls(audioMasterGetVendorVersion), 1);
  PassThroughPlug* plug = PassThroughPlug::From(host.Effect());
  EXPECT_EQ(plug->GetHost(), 1);
  EXPECT_EQ(plug->GetHostVersion(), 0x10203);
  EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1);

  TestHost anon(PassThroughMain);
  anon.productString = "";
  anon.Dispatch(effOpen);
  PassThroughPlug* p2 = PassThroughPlug::From(anon.Effect());
  EXPECT_EQ(p2->GetHost(), 0);
  EXPECT_EQ(p2->GetHostVersion(), 0);
  EXPECT_EQ(anon.CountCalls(audioMasterGetVendorVersion), 0) << "no version without a name";
  EXPECT_EQ(anon.CountCalls(audioMasterGetProductString), 1) << "never asked again";

  TestHost old(PassThroughMain);
  old.productString = "Cubase SX";
  old.vendorVersion = 2400;
  old.Dispatch(effOpen);
  EXPECT_EQ(PassThroughPlug::From(old.Effect())->GetHostVersion(), 0x1800);
}

TEST(HostIdentification, AuditionAndOrionConnectExtraOutputsOnly) {
  TestHost host(PassThroughWideMain);
  host.productString = "Adobe Audition";
  PassThroughPlug* plug = PassThroughPlug::From(host.Effect());
  VstSpeakerArrangement two{};
  two.numChannels = 2;
  host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&two), &two);
  host.Dispatch(effOpen);
  EXPECT_FALSE(plug->IsInChannelConnected(2));
  EXPECT_TRUE(plug->IsOutChannelConnected(2)) << "outputs from index 2 on are connected";
  EXPECT_TRUE(plug->IsOutChannelConnected(3));

  TestHost other(PassThroughWideMain);
  other.productString = "Cubase";
  other.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&two), &two);
  other.Dispatch(effOpen);
  EXPECT_FALSE(PassThroughPlug::From(other.Effect())->IsOutChannelConnected(2));
}

TEST(HostServices, TimeQueriesReadTheHostsRecord) {
  TestHost host(PassThroughMain);
  PassThroughPlug* plug = PassThroughPlug::From(host.Effect());
  host.timeInfo.samplePos = 12345.7;
  EXPECT_EQ(plug->GetSamplePos(), 12345);
  EXPECT_EQ(plug->GetTempo(), 120.0);
  int num = -1, den = -1;
  plug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 4);
  EXPECT_EQ(den, 4);
  host.timeInfo.flags = 0;
  host.timeInfo.samplePos = -5.0;
  EXPECT_EQ(plug->GetSamplePos(), 0);
  EXPECT_EQ(plug->GetTempo(), 0.0) << "tempo not flagged valid";
  plug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 0);
  host.provideTimeInfo = false;
  EXPECT_EQ(plug->GetSamplePos(), 0);

  host.calls.clear();
  plug->HostBeginEdit(2);
  plug->HostAutomate(2, 0.25);
  plug->HostEndEdit(2);
  ASSERT_EQ(host.calls.size(), 3u);
  EXPECT_EQ(host.calls[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(host.calls[1].opcode, audioMasterAutomate);
  EXPECT_EQ(host.calls[1].index, 2);
  EXPECT_EQ(host.calls[1].opt, 0.25f);
  EXPECT_EQ(host.calls[2].opcode, audioMasterEndEdit);
  host.processEventsAnswer = 0;
  IMidiMessage msg;
  msg.status = 0x80;
  EXPECT_FALSE(plug->SendMidiMessage(msg));
}
