#include "platform/win/system_clock.h"

#include "platform/win/manual_clock.h"

#include <gtest/gtest.h>

namespace win {
namespace {

class ManualClockTest : public ::testing::Test {
 protected:
  void TearDown() override { SetClock(nullptr); }
};

void ExpectTime(const SYSTEMTIME& time, WORD year, WORD month, WORD dayOfWeek, WORD day, WORD hour, WORD minute,
                WORD second, WORD milliseconds) {
  EXPECT_EQ(time.wYear, year);
  EXPECT_EQ(time.wMonth, month);
  EXPECT_EQ(time.wDayOfWeek, dayOfWeek);
  EXPECT_EQ(time.wDay, day);
  EXPECT_EQ(time.wHour, hour);
  EXPECT_EQ(time.wMinute, minute);
  EXPECT_EQ(time.wSecond, second);
  EXPECT_EQ(time.wMilliseconds, milliseconds);
}

TEST_F(ManualClockTest, SleepAdvancesTickCountAndLocalTimeAtOnce) {
  ManualClock::Install();
  EXPECT_EQ(GetTickCount(), 1000U);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  ExpectTime(now, 2004, 3, 1, 15, 10, 20, 30, 0);  // a Monday

  Sleep(0);
  EXPECT_EQ(GetTickCount(), 1000U);
  Sleep(86'400'000 + 3'600'000 + 1);
  EXPECT_EQ(GetTickCount(), 1000U + 90'000'001U);
  GetLocalTime(&now);
  ExpectTime(now, 2004, 3, 2, 16, 11, 20, 30, 1);
}

TEST_F(ManualClockTest, TickCountWrapsAfterFortyNineDays) {
  const auto clock = std::make_shared<ManualClock>(0xFFFFFFF0ULL, 0);
  SetClock(clock);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0U);
  clock->Advance(0x20);
  EXPECT_EQ(GetTickCount(), 0x10U);
}

TEST_F(ManualClockTest, LocalTimeFollowsTheZoneOffsetAcrossDaysAndLeapYears) {
  // 2000-02-28 23:30:00 UTC, local zone UTC+1.
  SetClock(std::make_shared<ManualClock>(0, 951'780'600'000LL, 60));
  SYSTEMTIME now{};
  GetLocalTime(&now);
  ExpectTime(now, 2000, 2, 2, 29, 0, 30, 0, 0);  // 29 February 2000, a Tuesday
  EXPECT_EQ(win::time(nullptr), 951'780'600);
}

TEST_F(ManualClockTest, TimeCountsWholeSecondsOfUtc) {
  const auto clock = ManualClock::Install();
  std::time_t stored = 0;
  EXPECT_EQ(win::time(&stored), 1'079'346'030);
  EXPECT_EQ(stored, 1'079'346'030);
  clock->Advance(999);
  EXPECT_EQ(win::time(nullptr), 1'079'346'030);
  clock->Advance(1);
  EXPECT_EQ(win::time(nullptr), 1'079'346'031);
}

TEST_F(ManualClockTest, TimesBefore1970RoundTowardsThePast) {
  SetClock(std::make_shared<ManualClock>(0, -1));
  EXPECT_EQ(win::time(nullptr), -1);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  ExpectTime(now, 1969, 12, 3, 31, 23, 59, 59, 999);
}

TEST(RealClock, TicksMoveWithRealSleep) {
  SetClock(nullptr);
  const DWORD before = GetTickCount();
  Sleep(20);
  const DWORD elapsed = GetTickCount() - before;
  EXPECT_GE(elapsed, 19U);
  EXPECT_LT(elapsed, 5000U);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  EXPECT_GE(now.wYear, 2024);
  EXPECT_LE(now.wMonth, 12);
}

}  // namespace
}  // namespace win
