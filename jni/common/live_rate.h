// Rates of a live connection from the live-stream library's counters.
#pragma once

#include <tlink.h>

// The library's count of `id` per second of connection; 0 before any second was counted
// (no connection yet, or one that never streamed), never a division by zero.
inline double live_per_second(void **context, int id) {
    double seconds = 0.0;
    const unsigned count = TlinkGetStats(context, id, &seconds);
    return seconds > 0.0 ? (double)count / seconds : 0.0;
}
