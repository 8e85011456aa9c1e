// Logging scheme shared by every part of the engine: one prefix format, two forms.
#pragma once

#include <android/log.h>

#define ORRIN_LOG_TAG "OrrinUVC"
#define ORRIN_LOG_PRIORITY 6

// Base name of a source path, computed at compile time from __FILE__.
constexpr const char *orrin_base_name(const char *path) {
    const char *base = path;
    for (const char *p = path; *p; ++p) {
        if (*p == '/')
            base = p + 1;
    }
    return base;
}

// Minute, second and milliseconds of the local wall clock, as log lines show them.
struct WallClockParts {
    int minute;
    int second;
    long ms;
};
WallClockParts orrin_wall_clock();

// Fills `out` (30 bytes, zero-filled first) with "[min::sec, msec : ms] : " of the wall clock.
void orrin_log_timestamp(char out[30]);

// Unconditional form: always written.
#define LOGE(fmt, ...)                                                                         \
    do {                                                                                       \
        char orrin_ts_[30];                                                                    \
        orrin_log_timestamp(orrin_ts_);                                                        \
        __android_log_print(ORRIN_LOG_PRIORITY, ORRIN_LOG_TAG, "%s[%s:%d:%s]:" fmt, orrin_ts_, \
                            orrin_base_name(__FILE__), __LINE__, __FUNCTION__, ##__VA_ARGS__); \
    } while (0)

// Debug form: written only when the owning object's flag is set.
#define LOG_IF(flag, fmt, ...)        \
    do {                              \
        if (flag) {                   \
            LOGE(fmt, ##__VA_ARGS__); \
        }                             \
    } while (0)

// Debug form inside members of an object whose debug flag is `mDebug`.
#define LOGD(fmt, ...) LOG_IF(mDebug, fmt, ##__VA_ARGS__)
