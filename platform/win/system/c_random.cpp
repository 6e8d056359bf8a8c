#include "platform/win/c_random.h"

#include <cstdint>

namespace win {
namespace {

thread_local std::uint32_t randomState = 1;

}  // namespace

void srand(unsigned seed) { randomState = seed; }

int rand() {
  randomState = randomState * 214013U + 2531011U;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}

}  // namespace win
