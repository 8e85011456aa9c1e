#include "counter_order.h"

#include <algorithm>

bool counters_advance(const std::vector<int64_t> &counters, int64_t keyInterval, std::string *why) {
    bool ordered = counters.size() >= 2 && counters.back() > counters.front();
    int64_t newest = counters.empty() ? 0 : counters.front();
    for (int64_t counter : counters) {
        ordered = ordered && counter >= newest - keyInterval;
        newest = std::max(newest, counter);
    }
    if (!ordered) {
        *why = "counters:";
        for (int64_t counter : counters)
            *why += " " + std::to_string(counter);
    }
    return ordered;
}
