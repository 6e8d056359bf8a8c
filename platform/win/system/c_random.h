// The C library's random numbers as the Windows runtime makes them: a linear congruential
// generator per thread (seed x 214013 + 2531011) whose bits 16 to 30 are the 15-bit result.
// Seeding with the injectable clock's time (system_clock.h) makes them reproducible in tests.
#pragma once

namespace win {

// RAND_MAX of the Windows runtime (the host library's own macro is larger).
constexpr int CRT_RAND_MAX = 0x7FFF;

// Starts the calling thread's sequence again from seed; a thread that never calls it starts
// from seed 1.
void srand(unsigned seed);
// The next number of the calling thread's sequence, 0 to CRT_RAND_MAX.
int rand();

}  // namespace win
