// Faults that a stand-in's test controls inject into its encoder objects: Init and Stop fail
// while switched on, and a number of pictures is refused and lost.
#pragma once

#include <atomic>

struct FaultSwitches {
    std::atomic<bool> fail_init{false};
    std::atomic<bool> fail_stop{false};
    std::atomic<int> failing_video_writes{0};

    // True when this picture is to be refused; counts the refusals down.
    bool takeVideoWriteFault() {
        int left = failing_video_writes.load();
        while (left > 0 && !failing_video_writes.compare_exchange_weak(left, left - 1)) {
        }
        return left > 0;
    }

    void reset() {
        fail_init = false;
        fail_stop = false;
        failing_video_writes = 0;
    }
};
