#include "live_connection.h"

#include <stdio.h>

#include "error_codes.h"

bool LiveConnection::open(const char *url, const Options &options, const LogVoice &voice) {
    uint16_t version[4] = {0, 0, 0, 0};
    TlinkGetVersion(&version[0], &version[1], &version[2], &version[3]);
    LOG_VOICE(voice, "tlink version: %d.%d.%d.%d\n", version[0], version[1], version[2],
              version[3]);
    LOG_VOICE(voice, "Start Tlink with %s mode\n",
              options.mode == TLINK_MODE_RTMP ? "RTMP" : "RTSP");
    drop();
    void *context = nullptr;
    int result = TlinkAsyncStart(options.mode, url, &context);
    if (result != 0) {
        LOG_VOICE(voice, "TlinkAsyncStart failed : %d\n", result);
        return false;
    }
    mHandle.store(context);
    if (options.logWaitTime)
        LOG_VOICE(voice, "m_TlinkWaitTime : %d\n", options.waitMs);
    result = TlinkWaitAsyncJobCompletion(&context, options.waitMs);
    if (result != 0) {
        LOG_VOICE(voice, "TlinkWaitAsyncJobCompletion failed. reason : %s\n",
                  TlinkStringFromErrorCode(result));
        drop();
        return false;
    }
    const char *serviceUrl = TlinkGetUrl(&context);
    snprintf(mUrl, sizeof(mUrl), "%s", serviceUrl ? serviceUrl : "");
    LOG_VOICE(voice, "TLink Service URL : %s\n", mUrl);
    int deblock = options.deblock;
    result = TlinkSetConfig(&context, TLC_DEBLOCK, &deblock);
    if (result != 0) {
        LOG_VOICE(voice, "TlinkSetConfig(TLC_DEBLOCK) failure. reason : 0x%x\n", result);
        drop();
        return false;
    }
    result = TlinkSetCallbackRuntimeError(&context, options.onError, options.user);
    if (result != 0) {
        LOG_VOICE(voice, "TlinkSetCallbackRuntimeError failure. reason : 0x%x\n", result);
        drop();
        return false;
    }
    return true;
}

int LiveConnection::finish(int waitMs, const LogVoice &voice) {
    void *context = mHandle.load();
    if (!context)
        return 0;
    int result = TlinkAsyncStop(&context);
    if (result != 0) {
        LOG_VOICE(voice, "TlinkAsyncStop failed : %d\n", result);
        drop();
        return kStopRefused;
    }
    mHandle.store(nullptr);
    result = TlinkWaitAsyncJobCompletion(&context, waitMs);
    if (result != 0) {
        TlinkCancelAsyncJob(&context);
        TlinkWaitAsyncJobCompletion(&context, -1);
    }
    return result;
}

void LiveConnection::drop() {
    void *context = mHandle.exchange(nullptr);
    if (!context)
        return;
    TlinkSetCallbackRuntimeError(&context, nullptr, nullptr);
    TlinkAsyncStop(&context);
    TlinkCancelAsyncJob(&context);
    TlinkWaitAsyncJobCompletion(&context, -1);
}

int LiveConnection::count(int stat) const {
    void *context = mHandle.load();
    return (int)TlinkGetStats(&context, stat, nullptr);
}

double LiveConnection::per_second(int stat) const {
    void *context = mHandle.load();
    double seconds = 0.0;
    const unsigned count = TlinkGetStats(&context, stat, &seconds);
    return seconds > 0.0 ? (double)count / seconds : 0.0;
}
