// The library's lines in the Android log, under its own tag.
#pragma once

#define AUXA_LOG_TAG "auxa_lumivo"

// printf-style; errors at ANDROID_LOG_ERROR, the rest at ANDROID_LOG_DEBUG.
void auxa_log_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
void auxa_log_debug(const char *format, ...) __attribute__((format(printf, 1, 2)));
