// The host the validator emulates: what it answers, and the rules it judges a module's calls by.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "tools/korvane-validate/RecordingHost.h"

namespace {

VstIntPtr Call(RecordingHost& host, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
               void* ptr = nullptr, float opt = 0.0f) {
  return host.Answer(opcode, index, value, ptr, opt);
}

TEST(RecordingHost, AnswersWhatHostsAnswer) {
  RecordingHost host;
  EXPECT_EQ(Call(host, audioMasterVersion), 2400);
  char text[64];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(Call(host, audioMasterGetProductString, 0, 0, text), 1);
  EXPECT_STREQ(text, "korvane-validate");
  EXPECT_EQ(Call(host, audioMasterGetVendorString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Korvane");
  char canDo[] = "sendVstTimeInfo";
  EXPECT_EQ(Call(host, audioMasterCanDo, 0, 0, canDo), 1);
  char unknown[] = "teleport";
  EXPECT_EQ(Call(host, audioMasterCanDo, 0, 0, unknown), 0);
  EXPECT_EQ(Call(host, audioMasterCanDo, 0, 0, nullptr), 0);
  EXPECT_EQ(Call(host, audioMasterGetProductString, 0, 0, nullptr), 0);
  EXPECT_EQ(Call(host, 0x7fff), 0) << "unknown opcodes answer 0";

  host.SetTransport(48000.0, 256, 96000.0);
  EXPECT_EQ(Call(host, audioMasterGetSampleRate), 48000);
  EXPECT_EQ(Call(host, audioMasterGetBlockSize), 256);
  const auto* time = reinterpret_cast<const VstTimeInfo*>(Call(host, audioMasterGetTime));
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->sampleRate, 48000.0);
  EXPECT_EQ(time->samplePos, 96000.0);
  EXPECT_EQ(time->tempo, 120.0);
  EXPECT_DOUBLE_EQ(time->ppqPos, 4.0) << "2 s at 120 BPM";
  EXPECT_TRUE(time->flags & kVstTransportPlaying);
  EXPECT_TRUE(time->flags & kVstTempoValid);

  // The realtime level on the thread that drives audio, the interface level elsewhere.
  EXPECT_EQ(Call(host, audioMasterGetCurrentProcessLevel), 1);
  std::thread audio([&] {
    host.SetAudioThread();
    EXPECT_EQ(Call(host, audioMasterGetCurrentProcessLevel), 2);
  });
  audio.join();
  EXPECT_EQ(Call(host, audioMasterGetCurrentProcessLevel), 1);
}

TEST(RecordingHost, RecordsEveryCallAndKeepsTheLastOnes) {
  RecordingHost host;
  for (int i = 0; i < 5000; ++i) Call(host, audioMasterIdle, i);
  Call(host, audioMasterVersion, 7, 8, nullptr, 0.5f);
  EXPECT_EQ(host.Count(audioMasterIdle), 5000);
  EXPECT_EQ(host.Count(audioMasterVersion), 1);
  const auto calls = host.Calls();
  ASSERT_EQ(calls.size(), 4096u);
  EXPECT_EQ(calls.front().index, 5000 - 4095);
  EXPECT_EQ(calls.back().opcode, audioMasterVersion);
  EXPECT_EQ(calls.back().index, 7);
  EXPECT_EQ(calls.back().value, 8);
  EXPECT_EQ(calls.back().opt, 0.5f);
}

TEST(RecordingHost, JudgesAutomationIndicesValuesAndEditPairs) {
  struct Case {
    VstInt32 opcode, index;
    float value;
    const char* words;  // of the violation, empty when the call is fine
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {audioMasterAutomate, 0, 0.0f, ""},
      {audioMasterAutomate, 3, 1.0f, ""},
      {audioMasterAutomate, 3, 1.5f, "values within 0..1, got index 3 value 1.5"},
      {audioMasterAutomate, 1, -0.25f, "values within 0..1, got index 1 value -0.25"},
      {audioMasterAutomate, 1, nan, "values within 0..1, got index 1 value nan"},
      {audioMasterAutomate, 4, 0.5f, "only for parameter indices of the module, got index 4"},
      {audioMasterAutomate, -1, 0.5f, "only for parameter indices of the module, got index -1"},
      {audioMasterBeginEdit, 4, 0.0f, "audioMasterBeginEdit only for parameter indices"},
      {audioMasterEndEdit, 2, 0.0f, "an end of index 2 without a begin"},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    host.SetParameterCount(4);
    Call(host, c.opcode, c.index, 0, nullptr, c.value);
    if (*c.words == '\0')
      EXPECT_EQ(host.Violation(), "") << c.index << " " << c.value;
    else
      EXPECT_NE(host.Violation().find(c.words), std::string::npos) << host.Violation();
  }

  RecordingHost host;
  host.SetParameterCount(4);
  Call(host, audioMasterBeginEdit, 1);
  Call(host, audioMasterBeginEdit, 2);
  Call(host, audioMasterEndEdit, 1);
  EXPECT_EQ(host.OpenEdits(), "index 2");
  Call(host, audioMasterEndEdit, 2);
  EXPECT_EQ(host.OpenEdits(), "");
  EXPECT_EQ(host.Violation(), "");
  // The first broken rule is the one kept.
  Call(host, audioMasterAutomate, 9, 0, nullptr, 0.5f);
  Call(host, audioMasterAutomate, 0, 0, nullptr, 7.0f);
  EXPECT_NE(host.Violation().find("got index 9"), std::string::npos) << host.Violation();
}

}  // namespace
