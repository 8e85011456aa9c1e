#include "logging.h"

#include <cstdio>
#include <cstring>
#include <ctime>

WallClockParts orrin_wall_clock() {
    struct timespec now = {0, 0};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    memset(&local, 0, sizeof(local));
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    return {local.tm_min, local.tm_sec, (long)(now.tv_nsec / 1000000.0)};
}

void orrin_log_timestamp(char out[30]) {
    memset(out, 0, 30);
    WallClockParts now = orrin_wall_clock();
    snprintf(out, 30, "[%d::%d, msec : %ld] : ", now.minute, now.second, now.ms);
}
