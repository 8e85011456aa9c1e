#include "timing.h"

#include <sys/time.h>

#include <cstring>
#include <ctime>

#include "logging.h"

double gettime() {
    struct timeval tv;
    if (gettimeofday(&tv, nullptr) != 0) return 0.0;
    return tv.tv_sec + tv.tv_usec / 1000000.0;
}

int64_t getcurtime() {
    struct timespec ts = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ((int64_t)ts.tv_sec * 1000000000LL + ts.tv_nsec) / 1000;
}

void timeCheck(bool start, const char *tag) {
    struct timespec now = {0, 0};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    memset(&local, 0, sizeof(local));
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    long ms = (long)(now.tv_nsec / 1000000.0);
    if (start) {
        if (tag)
            LOGE("[%s - Start]%d::%d, msec : %ld", tag, local.tm_min, local.tm_sec, ms);
        else
            LOGE("[Start]%d::%d, msec : %ld", local.tm_min, local.tm_sec, ms);
    } else {
        if (tag)
            LOGE("[%s - End]%d::%d, msec : %ld", tag, local.tm_min, local.tm_sec, ms);
        else
            LOGE("[End]%d::%d, msec : %ld", local.tm_min, local.tm_sec, ms);
    }
}
