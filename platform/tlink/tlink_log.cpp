#include "tlink_log.h"

#include <android/log.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace {
std::atomic<int> g_level{TLINK_LOG_ERROR};

int priority_of(int level) {
    switch (level) {
        case TLINK_LOG_ERROR:
            return ANDROID_LOG_ERROR;
        case TLINK_LOG_INFO:
            return ANDROID_LOG_INFO;
        case TLINK_LOG_DEBUG:
            return ANDROID_LOG_DEBUG;
        default:
            return ANDROID_LOG_VERBOSE;
    }
}
}  // namespace

void tlink_set_log_level(int level) {
    g_level.store(level);
}

bool tlink_log_enabled(int level) {
    return level <= g_level.load();
}

void tlink_log(int level, const char *fmt, ...) {
    if (!tlink_log_enabled(level))
        return;
    char line[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(line, sizeof(line), fmt, args);
    va_end(args);
    __android_log_print(priority_of(level), "tlink", "%s", line);
}
