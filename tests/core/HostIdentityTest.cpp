#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "core/HostIdentity.h"

TEST(HostIdentity, NamesMatchFragmentsCaseInsensitivelyInTableOrder) {
  const struct {
    const char* name;
    int code;
  } cases[] = {
      {"REAPER", 1},
      {"Cubase SX", 3},
      {"Nuendo", 4},
      {"FruityLoops", 7},
      {"Ableton Live", 9},
      {"Adobe Audition", 17},
      {"reaper cubase", 3},
      {"Cakewalk Sonar", 5},
      {"Samplitude", 8},
      {"Melodyne", 12},
      {"vstmanlib", 13},
      {"AULab", 14},
      {"Forte", 15},
      {"Chainer", 16},
      {"Orion", 18},
      {"Live Forte", 9},
      {"", 0},
      {"Some Other Host", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(IdentifyHost(c.name), c.code) << c.name;
  EXPECT_EQ(IdentifyHost(nullptr), 0);
}

TEST(HostIdentity, DecimalVersionsPackAsMajorMinorBugfix) {
  EXPECT_EQ(PackDecimalVersion(2400), 0x1800);
  EXPECT_EQ(PackDecimalVersion(10203), 0x10203);
  EXPECT_EQ(PackDecimalVersion(10000), 0x10000);
  EXPECT_EQ(PackDecimalVersion(-5), 0);
}

TEST(HostIdentity, VersionTextDropsTrailingZeroParts) {
  char text[32];
  FormatVersion(0x10000, text);
  EXPECT_STREQ(text, "v1");
  FormatVersion(0x10200, text);
  EXPECT_STREQ(text, "v1.2");
  FormatVersion(0x10203, text);
  EXPECT_STREQ(text, "v1.2.3");
  FormatVersion(0x10003, text);
  EXPECT_STREQ(text, "v1.0.3");
}

TEST(HostIdentity, TimeStampHasDateTimeAndUpperCaseZone) {
  const char* t = GetTimeStampText();
  ASSERT_GE(std::strlen(t), 15u);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(t[i]))) << t;
  EXPECT_EQ(t[8], ' ');
  EXPECT_EQ(t[11], ':');
  EXPECT_EQ(t[14], ' ');
  for (const char* z = t + 15; *z; ++z) EXPECT_TRUE(*z >= 'A' && *z <= 'Z') << t;
}
