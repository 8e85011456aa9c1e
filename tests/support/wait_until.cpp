#include "wait_until.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

double test_time_scale() {
    static const double scale = [] {
        const char *text = getenv("ORRIN_TEST_TIME_SCALE");
        const double value = text ? atof(text) : 1.0;
        return value >= 1.0 ? value : 1.0;
    }();
    return scale;
}

bool wait_until(const std::function<bool()> &done, int timeoutMs) {
    // A guard only ends a test that would hang: a passing test never waits it out, and a machine
    // loaded far beyond its cores may take several times what the guard says.
    const double kGuardSlack = 3.0;
    auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds((int64_t)(timeoutMs * test_time_scale() * kGuardSlack));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool returns_within(const std::function<void()> &call, int withinMs) {
    const int kHangGuardMs = 30000;
    std::mutex mutex;
    std::condition_variable changed;
    bool returned = false;  // guarded by mutex
    std::thread runner([&] {
        call();
        std::lock_guard<std::mutex> lock(mutex);
        returned = true;
        changed.notify_all();
    });
    auto done = [&] { return returned; };
    std::unique_lock<std::mutex> lock(mutex);
    const bool inTime = changed.wait_for(
        lock, std::chrono::milliseconds((int64_t)(withinMs * test_time_scale())), done);
    if (!inTime && !changed.wait_for(lock, std::chrono::milliseconds(kHangGuardMs), done)) {
        fprintf(stderr, "a call has not returned after %d ms\n", withinMs + kHangGuardMs);
        std::abort();
    }
    lock.unlock();
    runner.join();
    return inTime;
}
