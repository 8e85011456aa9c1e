#include "logging.h"

#include <cstdio>
#include <cstring>
#include <ctime>

void orrin_log_timestamp(char out[30]) {
    memset(out, 0, 30);
    struct timespec now = {0, 0};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    memset(&local, 0, sizeof(local));
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    long ms = (long)(now.tv_nsec / 1000000.0);
    snprintf(out, 30, "[%d::%d, msec : %ld] : ", local.tm_min, local.tm_sec, ms);
}
