#include "core/bytes.h"

#include <gtest/gtest.h>

TEST(Bytes, RecordsKeepTheirByteOrderBothWays) {
  uint8_t b[4];
  WriteLE32(b, 0x12345678u);
  EXPECT_EQ(b[0], 0x78);
  EXPECT_EQ(b[3], 0x12);
  EXPECT_EQ(ReadLE32(b), 0x12345678u);
  EXPECT_EQ(ReadBE32(b), 0x78563412u);
  WriteBE32(b, 0xfedcba98u);
  EXPECT_EQ(b[0], 0xfe);
  EXPECT_EQ(ReadBE32(b), 0xfedcba98u);
  WriteLE16(b, 0xbeef);
  EXPECT_EQ(b[0], 0xef);
  EXPECT_EQ(ReadLE16(b), 0xbeef);
  EXPECT_EQ(ReadBE16(b), 0xefbe);
  WriteBE16(b, 0x8001);
  EXPECT_EQ(b[0], 0x80);
  EXPECT_EQ(ReadBE16(b), 0x8001);
}
