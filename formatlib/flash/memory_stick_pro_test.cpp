// The Memory Stick Pro progress reply: no division by a zero total, no overflow of a large count.
#include "formatlib/flash/memory_stick_pro.h"

#include <gtest/gtest.h>

namespace pradvik {
namespace {

TEST(MemoryStickPro, PercentDoneIsTakenSafelyFromTheReply) {
  const std::array<std::uint8_t, 8> half{0, 0, 0, 100, 0, 0, 0, 50};
  EXPECT_EQ(ProPercentDone(half), 50);
  const std::array<std::uint8_t, 8> noTotal{0, 0, 0, 0, 0, 0, 0, 9};
  EXPECT_FALSE(ProPercentDone(noTotal).has_value());
  const std::array<std::uint8_t, 8> nothingYet{0, 0, 1, 0, 0, 0, 0, 0};
  EXPECT_FALSE(ProPercentDone(nothingYet).has_value());
  // count x 100 does not fit 32 bits.
  const std::array<std::uint8_t, 8> large{0xF0, 0, 0, 0, 0x78, 0, 0, 0};
  EXPECT_EQ(ProPercentDone(large), 50);
  const std::array<std::uint8_t, 8> beyond{0, 0, 0, 10, 0, 0, 0, 20};
  EXPECT_EQ(ProPercentDone(beyond), 100);
}

}  // namespace
}  // namespace pradvik
