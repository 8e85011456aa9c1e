// Wall-clock and monotonic time, and the timing line.
#pragma once

#include <cstdint>

// Wall-clock seconds since the epoch; 0.0 when the clock cannot be read.
double gettime();

// Monotonic time in microseconds.
int64_t getcurtime();

// Writes one unconditional "[tag - Start]" / "[tag - End]" line with minute, second and ms.
void timeCheck(bool start, const char *tag);
