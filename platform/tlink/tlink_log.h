// The library's own log lines, filtered by the level set with TlinkSetDebug.
#pragma once

#include "tlink.h"

void tlink_set_log_level(int level);
bool tlink_log_enabled(int level);
void tlink_log(int level, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

#define TLINK_LOGE(...) tlink_log(TLINK_LOG_ERROR, __VA_ARGS__)
#define TLINK_LOGI(...) tlink_log(TLINK_LOG_INFO, __VA_ARGS__)
#define TLINK_LOGD(...) tlink_log(TLINK_LOG_DEBUG, __VA_ARGS__)
