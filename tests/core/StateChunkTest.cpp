#include <gtest/gtest.h>

#include <climits>

#include "core/StateChunk.h"

TEST(StateChunk, GrowsByGranularityAndShrinksOnlyWhenFarOversized) {
  StateChunk c;
  EXPECT_EQ(c.Data(), nullptr);
  ASSERT_NE(c.Resize(10), nullptr);
  EXPECT_EQ(c.Size(), 10);
  EXPECT_EQ(c.Allocated(), 10 + StateChunk::kGranularity);
  c.Resize(20);
  EXPECT_EQ(c.Allocated(), 10 + StateChunk::kGranularity) << "fits: storage unchanged";
  c.Resize(5 * StateChunk::kGranularity);
  EXPECT_EQ(c.Allocated(), 6 * StateChunk::kGranularity);
  c.Resize(2 * StateChunk::kGranularity + 1);
  EXPECT_EQ(c.Allocated(), 6 * StateChunk::kGranularity) << "within four granules: kept";
  c.Resize(100);
  EXPECT_EQ(c.Allocated(), 100) << "far oversized: shrinks to exactly the size";
  c.Clear();
  EXPECT_EQ(c.Data(), nullptr);
  EXPECT_EQ(c.Allocated(), 0);
}

TEST(StateChunk, ResizePreservesBytesAndZeroFillsGrowth) {
  StateChunk c;
  ASSERT_TRUE(c.PutInt32(0x11223344));
  ASSERT_TRUE(c.ResizeZeroed(9000));
  int32_t v = 0;
  EXPECT_EQ(c.GetInt32(&v, 0), 4);
  EXPECT_EQ(v, 0x11223344);
  for (int i = 4; i < 9000; ++i) ASSERT_EQ(c.Data()[i], 0) << "byte " << i;
}

TEST(StateChunk, WritesLittleEndian) {
  StateChunk c;
  c.PutInt32(0x70666674);
  c.PutDouble(1.0);
  const uint8_t expected[] = {0x74, 0x66, 0x66, 0x70, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  ASSERT_EQ(c.Size(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(c.Data()[i], expected[i]) << "byte " << i;
}

TEST(StateChunk, ReadsAreBoundedAndFailureIsSticky) {
  StateChunk c;
  c.PutInt32(7);
  c.PutByte(1);
  int32_t v = 0;
  double d = 0;
  EXPECT_EQ(c.GetInt32(&v, 0), 4);
  EXPECT_EQ(c.GetInt32(&v, 2), -1) << "runs past the size";
  EXPECT_EQ(c.GetDouble(&d, 0), -1);
  EXPECT_EQ(c.GetInt32(&v, -1), -1) << "a failed position stays failed";
  uint8_t b = 0;
  EXPECT_EQ(c.GetBytes(&b, 1, 4), 5);
  EXPECT_EQ(c.GetBytes(&b, 1, 5), -1);
  EXPECT_EQ(c.GetBytes(&b, -1, 0), -1);
  EXPECT_EQ(c.GetBytes(&b, INT_MAX, 4), -1) << "no overflow in the bounds check";
}

TEST(StateChunk, RefusesUnrepresentableSizesAndKeepsItsContents) {
  StateChunk c;
  c.PutInt32(42);
  EXPECT_EQ(c.Resize(-1), nullptr);
  EXPECT_EQ(c.Resize(INT_MAX), nullptr);
  EXPECT_EQ(c.Size(), 4);
  int32_t v = 0;
  c.GetInt32(&v, 0);
  EXPECT_EQ(v, 42);
}
