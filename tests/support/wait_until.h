// Waiting for a condition that other threads bring about, with a generous guard time.
#pragma once

#include <functional>

// Polls `done` every few milliseconds until it holds or `timeoutMs` passed.
bool wait_until(const std::function<bool()> &done, int timeoutMs);
