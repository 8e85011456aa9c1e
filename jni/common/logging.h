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

// Unconditional form with the function field given: a helper writing a line on behalf of the
// operation that called it names that operation.
#define LOGE_AS(function, fmt, ...)                                                            \
    do {                                                                                       \
        char orrin_ts_[30];                                                                    \
        orrin_log_timestamp(orrin_ts_);                                                        \
        __android_log_print(ORRIN_LOG_PRIORITY, ORRIN_LOG_TAG, "%s[%s:%d:%s]:" fmt, orrin_ts_, \
                            orrin_base_name(__FILE__), __LINE__, (function), ##__VA_ARGS__);   \
    } while (0)

// Unconditional form: always written.
#define LOGE(fmt, ...) LOGE_AS(__FUNCTION__, fmt, ##__VA_ARGS__)

// Debug form with the function field given, written only when `flag` is set.
#define LOGD_AS(flag, function, fmt, ...)          \
    do {                                           \
        if (flag) {                                \
            LOGE_AS(function, fmt, ##__VA_ARGS__); \
        }                                          \
    } while (0)

// Debug form: written only when `flag` (the owning object's debug flag) is set.
#define LOG_IF(flag, fmt, ...) LOGD_AS(flag, __FUNCTION__, fmt, ##__VA_ARGS__)

// Debug form inside members of an object whose debug flag is `mDebug`.
#define LOGD(fmt, ...) LOG_IF(mDebug, fmt, ##__VA_ARGS__)
