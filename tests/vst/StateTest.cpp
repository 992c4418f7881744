// Programs, banks and state chunks of the product through the binary interface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/support/TestHost.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes GetChunk(TestHost& host, int index) {
  void* data = nullptr;
  const VstIntPtr n = host.Dispatch(effGetChunk, index, 0, &data);
  if (n <= 0 || !data) return {};
  const uint8_t* p = static_cast<const uint8_t*>(data);
  return Bytes(p, p + n);
}

VstIntPtr SetChunk(TestHost& host, int index, const Bytes& bytes) {
  return host.Dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()),
                       const_cast<uint8_t*>(bytes.data()));
}

void PutInt(Bytes& b, int32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

void PutDouble(Bytes& b, double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

double GetDouble(const Bytes& b, size_t at) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(b[at + i]) << (8 * i);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}

Bytes Header(int32_t version = 0x10000) {
  Bytes b;
  PutInt(b, 0x70666674);
  PutInt(b, version);
  return b;
}

Bytes RawState(double bg, double shape, double cutoff, double res, double limit) {
  Bytes b;
  for (double v : {bg, shape, cutoff, res, limit}) PutDouble(b, v);
  return b;
}

std::string ProgramName(TestHost& host, int index) {
  char name[64] = {};
  host.Dispatch(effGetProgramNameIndexed, index, 0, name);
  return name;
}

class State : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    host.Start();
  }
  TestHost host;
};

}  // namespace

TEST_F(State, ProgramChunkIsHeaderAndFiveDoubles) {
  const Bytes chunk = GetChunk(host, 1);
  ASSERT_EQ(chunk.size(), 48u);
  const uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(std::memcmp(chunk.data(), header, 8), 0);
  EXPECT_EQ(GetDouble(chunk, 8), 0.0);
  EXPECT_EQ(GetDouble(chunk, 16), 0.0);
  EXPECT_EQ(GetDouble(chunk, 24), 18000.0);
  EXPECT_EQ(GetDouble(chunk, 32), 0.35);
  EXPECT_EQ(GetDouble(chunk, 40), 1.0);
}

TEST_F(State, FreshBankListsEightUnusedPlaceholders) {
  const Bytes bank = GetChunk(host, 0);
  ASSERT_EQ(bank.size(), 88u) << "header + 8 x (4 + 5 + 1)";
  size_t at = 8;
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(bank[at], 5);
    EXPECT_EQ(std::string(bank.begin() + at + 4, bank.begin() + at + 9),
              "- " + std::to_string(i) + " -");
    EXPECT_EQ(bank[at + 9], 0) << "unused";
    at += 10;
  }
}

TEST_F(State, RawStateWithoutHeaderSetsAllParametersClamped) {
  EXPECT_EQ(SetChunk(host, 1, RawState(1, 2, 20000, 0.5, 0)), 1);
  EXPECT_EQ(host.ParamDisplay(1), "band pass narrow");
  EXPECT_EQ(host.ParamDisplay(2), "18000") << "20000 is clamped to the range";
  EXPECT_EQ(host.ParamDisplay(3), "0.50");
  EXPECT_EQ(host.ParamDisplay(4), "off");
  EXPECT_FLOAT_EQ(host.GetParameter(0), 1.0f);
  Bytes withHeader = Header();
  const Bytes raw = RawState(0, 1, 1000, 0, 1);
  withHeader.insert(withHeader.end(), raw.begin(), raw.end());
  EXPECT_EQ(SetChunk(host, 1, withHeader), 1);
  EXPECT_EQ(host.ParamDisplay(2), "1000");
  EXPECT_EQ(GetChunk(host, 1), withHeader) << "round trip";
}

TEST_F(State, BankWithoutHeaderOrWithOldVersionIsReadAsAProgram) {
  EXPECT_EQ(SetChunk(host, 0, RawState(0, 1, 500, 0.2, 1)), 1);
  EXPECT_EQ(host.ParamDisplay(2), "500");
  Bytes old = Header(0x0FFFF);
  const Bytes raw = RawState(0, 2, 700, 0.2, 1);
  old.insert(old.end(), raw.begin(), raw.end());
  EXPECT_EQ(SetChunk(host, 0, old), 1);
  EXPECT_EQ(host.ParamDisplay(2), "700");
  EXPECT_EQ(host.ParamDisplay(1), "band pass narrow");
}

TEST_F(State, ProgramsAreNamedOnFirstSelectionAndKeepEdits) {
  host.Dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(host.Dispatch(effGetProgram), 3);
  EXPECT_EQ(ProgramName(host, 3), "user preset 1");
  host.Dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(ProgramName(host, 5), "user preset 2");
  EXPECT_EQ(ProgramName(host, 4), "- 4 -");

  host.SetParameter(2, 0.5f);  // edit program 5
  host.Dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(host.ParamDisplay(2), "18000") << "program 3 holds the values captured on selection";
  host.Dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(host.ParamDisplay(2), "3190") << "switching away stored the edit";

  host.SetParameter(3, 0.0f);
  host.Dispatch(effSetProgram, 0, 8);
  EXPECT_EQ(host.Dispatch(effGetProgram), 5) << "out of range: nothing selected";
  host.Dispatch(effSetProgram, 0, -1);
  EXPECT_EQ(host.Dispatch(effGetProgram), 5);
  host.Dispatch(effSetProgram, 0, 3);
  host.Dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(host.ParamDisplay(3), "0") << "the failed switch still stored the current values";

  char name[64] = {};
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 8, 0, name), 0);
  EXPECT_STREQ(name, "");
  host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("Lead"));
  host.Dispatch(effGetProgramName, 0, 0, name);
  EXPECT_STREQ(name, "Lead");
}

TEST_F(State, BankRoundTripRestoresNamesValuesAndCurrentProgram) {
  host.Dispatch(effSetProgram, 0, 0);  // the receiving instance restores its program 0
  host.Dispatch(effSetProgram, 0, 2);
  host.SetParameter(2, 0.25f);
  host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("Dark"));
  host.Dispatch(effSetProgram, 0, 6);
  host.SetParameter(1, 1.0f);
  const Bytes bank = GetChunk(host, 0);

  TestHost other;
  other.Start();
  ASSERT_EQ(SetChunk(other, 0, bank), 1);
  EXPECT_EQ(ProgramName(other, 2), "Dark");
  EXPECT_EQ(ProgramName(other, 6), "user preset 2") << "program 2 was renamed after naming";
  EXPECT_EQ(ProgramName(other, 1), "- 1 -");
  EXPECT_EQ(GetChunk(other, 0), bank);
  other.Dispatch(effSetProgram, 0, 2);
  EXPECT_EQ(other.ParamDisplay(2), "572") << "10 + 0.25^2.5 * 17990 Hz";
}

TEST_F(State, TruncatedProgramSetsOnlyWhatWasReadAndFails) {
  host.SetParameter(3, 1.0f);
  Bytes cut = Header();
  PutDouble(cut, 1.0);
  PutDouble(cut, 2.0);
  cut.push_back(0);  // ends inside the cutoff's eight bytes
  EXPECT_EQ(SetChunk(host, 1, cut), 0);
  EXPECT_EQ(host.ParamDisplay(1), "band pass narrow");
  EXPECT_EQ(host.ParamDisplay(2), "10") << "the cut value reads as 0.0 clamped into range";
  EXPECT_EQ(host.ParamDisplay(3), "1.00") << "later parameters keep their values";
}

TEST_F(State, NaNValuesInStateBecomeTheMinimum) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(SetChunk(host, 1, RawState(nan, nan, nan, nan, nan)), 1);
  EXPECT_EQ(host.ParamDisplay(2), "10");
  EXPECT_EQ(host.ParamDisplay(3), "0");
  EXPECT_FALSE(std::isnan(host.GetParameter(2)));
}

TEST_F(State, BankCutInsideAUsedPresetStillStoresACompleteState) {
  Bytes bank = Header();
  PutInt(bank, 1);
  bank.push_back('A');
  bank.push_back(1);  // used
  PutDouble(bank, 0.0);
  PutDouble(bank, 1.0);  // cut after the shape
  EXPECT_EQ(SetChunk(host, 0, bank), 0);
  const Bytes after = GetChunk(host, 0);
  // The next bank written is well-formed: preset 0 carries five values.
  ASSERT_GE(after.size(), 8u + 4 + 1 + 1 + 40);
  EXPECT_EQ(after[8], 1);
  EXPECT_EQ(after[12], 'A');
  EXPECT_EQ(after[13], 1);
  EXPECT_EQ(GetDouble(after, 14 + 8), 1.0);
  EXPECT_EQ(GetDouble(after, 14 + 16), 10.0) << "the cut value, clamped";
  TestHost reader;
  EXPECT_EQ(SetChunk(reader, 0, after), 1) << "and it reads back completely";
}

TEST_F(State, BadChunkSizesAndPointersAreRefused) {
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 40, nullptr), 0);
  uint8_t byte = 0;
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, 0, &byte), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, -5, &byte), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 0, -1, &byte), 0);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, std::numeric_limits<VstIntPtr>::max(), &byte), 0);
  EXPECT_EQ(host.Dispatch(effGetChunk, 1, 0, nullptr), 0);

  host.Dispatch(effSetProgram, 0, 3);  // restored after each failed bank below
  Bytes bank = Header();
  PutInt(bank, -7);
  EXPECT_EQ(SetChunk(host, 0, bank), 0) << "negative name length";
  Bytes huge = Header();
  PutInt(huge, 0x7FFFFFF0);
  huge.push_back('x');
  EXPECT_EQ(SetChunk(host, 0, huge), 0) << "name length beyond the data";
  EXPECT_EQ(ProgramName(host, 0), "");
  Bytes empty = Header();
  PutInt(empty, 0);
  empty.push_back(0);
  EXPECT_EQ(SetChunk(host, 0, empty), 0) << "bank ends after one preset";
  EXPECT_EQ(ProgramName(host, 0), "") << "a name length of 0 gives an empty name";
  EXPECT_EQ(ProgramName(host, 1), "") << "the entry whose length could not be read";
  EXPECT_EQ(ProgramName(host, 2), "- 2 -") << "later presets untouched";
  EXPECT_EQ(ProgramName(host, 3), "user preset 1");
  EXPECT_EQ(host.Dispatch(effGetProgram), 3);
}

TEST_F(State, HostMayHandBackTheChunkItWasGiven) {
  host.SetParameter(2, 0.25f);
  void* data = nullptr;
  const VstIntPtr n = host.Dispatch(effGetChunk, 1, 0, &data);
  ASSERT_EQ(n, 48);
  const std::string before = host.ParamDisplay(2);
  host.SetParameter(2, 1.0f);
  EXPECT_EQ(host.Dispatch(effSetChunk, 1, n, data), 1);
  EXPECT_EQ(host.ParamDisplay(2), before);
}

// Every prefix of valid chunks and random bytes: never a read outside the data (run under
// AddressSanitizer), and a failed read is reported as failure.
TEST(StateFuzz, PrefixesAndRandomBytesNeverReadOutsideTheData) {
  TestHost host;
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  host.Start();
  host.Dispatch(effSetProgram, 0, 1);
  host.Dispatch(effSetProgram, 0, 4);
  const Bytes bank = GetChunk(host, 0);
  const Bytes program = GetChunk(host, 1);
  for (size_t n = 1; n < bank.size(); ++n) {
    Bytes prefix(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(SetChunk(host, 0, prefix), 0) << "bank prefix of " << n << " bytes";
  }
  EXPECT_EQ(SetChunk(host, 0, bank), 1);
  for (size_t n = 1; n < program.size(); ++n) {
    Bytes prefix(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(SetChunk(host, 1, prefix), 0) << "program prefix of " << n << " bytes";
  }
  std::mt19937 rng(1234);
  for (int i = 0; i < 3000; ++i) {
    Bytes junk(rng() % 200);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(rng());
    if (i % 3 == 0 && junk.size() >= 8) {
      const Bytes h = Header();
      std::copy(h.begin(), h.end(), junk.begin());
    }
    SetChunk(host, i % 2, junk);
  }
  for (int i = 0; i < 5; ++i) {
    float v = host.GetParameter(i);
    EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << "parameter " << i << " is " << v;
  }
}
