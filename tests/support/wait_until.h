// Waiting for a condition that other threads bring about, with a generous guard time.
#pragma once

#include <functional>

// How many times slower than a plain build this build runs the tests: ORRIN_TEST_TIME_SCALE,
// which the sanitizer stages set; 1 when unset. Guard times and the tolerances of real-time
// checks (sound against pictures, pictures lost under load) are multiplied by it.
double test_time_scale();

// Polls `done` every few milliseconds until it holds or `timeoutMs` passed, times the scale and
// times 3: `timeoutMs` is what an idle machine needs with room to spare.
bool wait_until(const std::function<bool()> &done, int timeoutMs);

// Runs `call` on a thread of its own and tells whether it returned within `withinMs` (times the
// scale). A later return is still awaited, up to a guard of 30 s more; a call that never returns
// cannot be joined and may still use the caller's objects, so the process then ends with a
// message.
bool returns_within(const std::function<void()> &call, int withinMs = 30000);
