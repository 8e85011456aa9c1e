// Log lines of the media stand-ins: the library's own tag, the function name, then the text.
#pragma once

#include <android/log.h>

#define MEDIA_LOG(tag, fmt, ...) \
    __android_log_print(ANDROID_LOG_ERROR, tag, "%s: " fmt "\n", __func__, ##__VA_ARGS__)

#define MEDIA_LOG_IF(flag, tag, fmt, ...)       \
    do {                                        \
        if (flag)                               \
            MEDIA_LOG(tag, fmt, ##__VA_ARGS__); \
    } while (0)
