#include "platform/win/c_random.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace win {
namespace {

std::vector<int> Draw(int count) {
  std::vector<int> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(rand());
  return numbers;
}

// The first numbers the Windows runtime gives for these seeds.
const std::vector<int> kSeedOne{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
const std::vector<int> kSeedZero{38, 7719, 21238, 2437, 8855, 11797, 8365, 32285};

TEST(CRandom, UnseededThreadsStartFromSeedOne) {
  EXPECT_EQ(Draw(8), kSeedOne);
  std::vector<int> other;
  std::thread([&other] { other = Draw(8); }).join();
  EXPECT_EQ(other, kSeedOne);
}

TEST(CRandom, SeedingRestartsTheSequence) {
  srand(0);
  EXPECT_EQ(Draw(8), kSeedZero);
  srand(1);
  EXPECT_EQ(Draw(8), kSeedOne);
}

TEST(CRandom, NumbersStayWithinFifteenBits) {
  srand(0xFFFFFFFF);
  for (const int number : Draw(10000)) {
    ASSERT_GE(number, 0);
    ASSERT_LE(number, CRT_RAND_MAX);
  }
}

}  // namespace
}  // namespace win
