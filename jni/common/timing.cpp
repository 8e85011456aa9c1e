#include "timing.h"

#include <sys/time.h>

#include <ctime>

#include "logging.h"

double gettime() {
    struct timeval tv;
    if (gettimeofday(&tv, nullptr) != 0)
        return 0.0;
    return tv.tv_sec + tv.tv_usec / 1000000.0;
}

int64_t getcurtime() {
    struct timespec ts = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ((int64_t)ts.tv_sec * 1000000000LL + ts.tv_nsec) / 1000;
}

void timeCheck(bool start, const char *tag) {
    WallClockParts now = orrin_wall_clock();
    if (start) {
        if (tag)
            LOGE("[%s - Start]%d::%d, msec : %ld", tag, now.minute, now.second, now.ms);
        else
            LOGE("[Start]%d::%d, msec : %ld", now.minute, now.second, now.ms);
    } else {
        if (tag)
            LOGE("[%s - End]%d::%d, msec : %ld", tag, now.minute, now.second, now.ms);
        else
            LOGE("[End]%d::%d, msec : %ld", now.minute, now.second, now.ms);
    }
}
