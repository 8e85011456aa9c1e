#include "auxa_log.h"

#include <android/log.h>

#include <cstdarg>
#include <cstdio>

namespace {
void write_line(int priority, const char *format, va_list args) {
    char line[1024];
    vsnprintf(line, sizeof(line), format, args);
    __android_log_print(priority, AUXA_LOG_TAG, "%s", line);
}
}  // namespace

void auxa_log_error(const char *format, ...) {
    va_list args;
    va_start(args, format);
    write_line(ANDROID_LOG_ERROR, format, args);
    va_end(args);
}

void auxa_log_debug(const char *format, ...) {
    va_list args;
    va_start(args, format);
    write_line(ANDROID_LOG_DEBUG, format, args);
    va_end(args);
}
