#include "wait_until.h"

#include <chrono>
#include <cstdlib>
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
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds((int64_t)(timeoutMs * test_time_scale()));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
