// How a helper writes lines on behalf of its caller: under the caller's operation name, either
// always (the streamer's lines) or only with the caller's debug flag (the engine's progress
// lines).
#pragma once

#include "logging.h"

struct LogVoice {
    const char *operation;
    bool always;
    bool debug;
    bool speaks() const { return always || debug; }
};

#define LOG_VOICE(voice, fmt, ...) LOGD_AS((voice).speaks(), (voice).operation, fmt, ##__VA_ARGS__)
