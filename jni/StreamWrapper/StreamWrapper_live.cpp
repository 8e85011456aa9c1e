// The streamer's live-stream connection: opened at Start for record types with the live bit,
// closed at Stop and after any later start step failed.
#include <string.h>
#include <tlink.h>

#include "StreamWrapper.h"
#include "error_codes.h"
#include "logging.h"

namespace {

// Waits for the context's job; a failure is logged under `operation` and the job abandoned, so
// nothing stays pending on the context.
int waitForJob(void **context, int waitMs, const char *operation) {
    int result = TlinkWaitAsyncJobCompletion(context, waitMs);
    if (result != 0) {
        LOGE_AS(operation, "TlinkWaitAsyncJobCompletion failed. reason : %s\n",
                TlinkStringFromErrorCode(result));
        TlinkCancelAsyncJob(context);
        TlinkWaitAsyncJobCompletion(context, -1);
    }
    return result;
}

}  // namespace

int StreamWrapper::openLiveStream(const char *destination) {
    LOGE_AS("Start", "Start TLink\n");
    uint16_t version[4] = {0, 0, 0, 0};
    TlinkGetVersion(&version[0], &version[1], &version[2], &version[3]);
    LOGE_AS("Start", "tlink version: %d.%d.%d.%d\n", version[0], version[1], version[2],
            version[3]);
    LOGE_AS("Start", "Start Tlink with %s mode\n", mTlinkMode == 1 ? "RTMP" : "RTSP");
    void *context = nullptr;
    int result = TlinkAsyncStart(mTlinkMode, destination, &context);
    if (result != 0) {
        LOGE_AS("Start", "TlinkAsyncStart failed : %d\n", result);
        return STREAM_LIVE_START_FAILED;
    }
    mTlinkContext.publish(context);
    LOGE_AS("Start", "m_TlinkWaitTime : %d\n", m_TlinkWaitTime);
    if (waitForJob(&context, m_TlinkWaitTime, "Start") != 0)
        return STREAM_LIVE_START_FAILED;
    strncpy(mTlinkUrl, TlinkGetUrl(&context), sizeof(mTlinkUrl) - 1);
    mTlinkUrl[sizeof(mTlinkUrl) - 1] = '\0';
    LOGE_AS("Start", "TLink Service URL : %s\n", mTlinkUrl);
    result = TlinkSetConfig(&context, TLC_DEBLOCK, &mTlinkDeblock);
    if (result != 0) {
        LOGE_AS("Start", "TlinkSetConfig(TLC_DEBLOCK) failure. reason : 0x%x\n", result);
    } else {
        result = TlinkSetCallbackRuntimeError(&context, onStreamRuntimeError, this);
        if (result != 0)
            LOGE_AS("Start", "TlinkSetCallbackRuntimeError failure. reason : 0x%x\n", result);
    }
    if (result != 0) {
        closeLiveStream("Start");
        return STREAM_LIVE_START_FAILED;
    }
    return 0;
}

int StreamWrapper::closeLiveStream(const char *operation) {
    LiveHandle context(mTlinkContext);
    int result = TlinkAsyncStop(context.slot());
    if (result != 0) {
        LOGE_AS(operation, "TlinkAsyncStop failed : %d\n", result);
        // The streamer may go away while the connection lives on; it must not be called back.
        TlinkSetCallbackRuntimeError(context.slot(), nullptr, nullptr);
        return STREAM_LIVE_STOP_REFUSED;
    }
    return waitForJob(context.slot(), m_TlinkWaitTime, operation);
}

// Drops the connection without sending what is left; nothing of it calls the streamer again.
void StreamWrapper::dropLiveStream() {
    drop_live_connection(mTlinkContext);
}
