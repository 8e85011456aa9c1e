// Live streaming through the live-stream library: the connection a live recording starts and
// stops, the runtime-error report, and the statistics and settings of a running stream.
#include <stdio.h>
#include <string.h>
#include <tlink.h>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "callback_scope.h"
#include "error_codes.h"
#include "live_rate.h"
#include "logging.h"

namespace {

const int URL_BYTES = 255;

}  // namespace

// Connects to `url` within m_TlinkWaitTime. Any failure leaves no connection behind.
int UVCPreview::livestream_connect(const char *url) {
    uint16_t version[4] = {0, 0, 0, 0};
    TlinkGetVersion(&version[0], &version[1], &version[2], &version[3]);
    LOGD_AS(mDebug, "recordStart", "tlink version: %d.%d.%d.%d\n", version[0], version[1],
            version[2], version[3]);
    LOGD_AS(mDebug, "recordStart", "Start Tlink with %s mode\n",
            mTlinkMode == TLINK_MODE_RTMP ? "RTMP" : "RTSP");
    void *context = nullptr;
    int result = TlinkAsyncStart(mTlinkMode, url, &context);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStart", "TlinkAsyncStart failed : %d\n", result);
        return REC_LIVE_START_FAILED;
    }
    mTlinkContext.publish(context);
    result = TlinkWaitAsyncJobCompletion(&context, m_TlinkWaitTime);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStart", "TlinkWaitAsyncJobCompletion failed. reason : %s\n",
                TlinkStringFromErrorCode(result));
        livestream_close();
        return REC_LIVE_START_FAILED;
    }
    const char *serviceUrl = TlinkGetUrl(&context);
    snprintf(mTlinkUrl, URL_BYTES, "%s", serviceUrl ? serviceUrl : "");
    LOGD_AS(mDebug, "recordStart", "TLink Service URL : %s\n", mTlinkUrl);
    result = TlinkSetConfig(&context, TLC_DEBLOCK, &mDeBlock);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStart", "TlinkSetConfig(TLC_DEBLOCK) failure. reason : 0x%x\n",
                result);
        livestream_close();
        return REC_LIVE_START_FAILED;
    }
    result = TlinkSetCallbackRuntimeError(&context, onTlinkRuntimeError, this);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStart", "TlinkSetCallbackRuntimeError failure. reason : 0x%x\n",
                result);
        livestream_close();
        return REC_LIVE_START_FAILED;
    }
    return 0;
}

// Drops a connection (pending or made) without sending what is left, and clears the slot.
void UVCPreview::livestream_close() {
    drop_live_connection(mTlinkContext);
}

// Ends the connection after the recorder has pushed its last units. 0, the library's code
// when the stop did not complete in time or failed, or -301 when the library refused the stop
// (the connection is then dropped all the same).
int UVCPreview::livestream_stop() {
    void *context = mTlinkContext.handle();
    if (!context)
        return 0;
    int result = TlinkAsyncStop(&context);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStop", "TlinkAsyncStop failed : %d\n", result);
        livestream_close();
        return REC_LIVE_STOP_FAILED;
    }
    mTlinkContext.take();
    result = TlinkWaitAsyncJobCompletion(&context, m_TlinkWaitTime);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStop", "%s\n", TlinkStringFromErrorCode(result));
        TlinkCancelAsyncJob(&context);
        TlinkWaitAsyncJobCompletion(&context, -1);
    }
    return result;
}

void UVCPreview::onTlinkRuntimeError(void * /*context*/, int code, int err, void *engine) {
    CallbackScope scope;
    Lumivo_ErrorNotifyCallback(static_cast<UVCPreview *>(engine), code, err);
}

// Runs on the live-stream library's thread; the recording goes on, the application decides.
void UVCPreview::Lumivo_ErrorNotifyCallback(UVCPreview *engine, int code, int err) {
    if (!engine) {
        LOGE("userCtx == NULL\n");
        return;
    }
    LOGE("reason : TL_ERROR_SOCKET_READ || TL_ERROR_SOCKET_WRITE\n");
    ErrorNotifyCallback notify = engine->mErrorNotifyCallback;
    if (!notify)
        return;
    char buffer[256];
    char *text = strerror_r(err, buffer, sizeof(buffer));
    notify(engine->mCameraID, 2, code, text);
}

double UVCPreview::getTransmission_sec() {
    const double rate = live_per_second(LiveHandle(mTlinkContext).slot(), TLS_BYTES_SENT);
    LOGD("transmission per sec(Byte): %f\n", rate);
    LOGD("transmission per sec(MegaByte): %f\n", rate / (1024.0 * 1024.0));
    LOGD("transmission per sec(MegaBps): %f\n", rate / 1000000.0);
    return rate;
}

double UVCPreview::getAudioTransmission() {
    const double rate = live_per_second(LiveHandle(mTlinkContext).slot(), TLS_AUDIO_FRAMES_SENT);
    LOGD("audio frame per sec : %f fps\n", rate);
    return rate;
}

double UVCPreview::getVideoTransmission() {
    const double rate = live_per_second(LiveHandle(mTlinkContext).slot(), TLS_VIDEO_FRAMES_SENT);
    LOGD("video frame per sec : %f fps\n", rate);
    return rate;
}

int UVCPreview::getAudioDropFrame() {
    const int dropped =
        (int)TlinkGetStats(LiveHandle(mTlinkContext).slot(), TLS_AUDIO_FRAMES_DROPPED, nullptr);
    LOGD("audio drop frame : %d fps\n", dropped);
    return dropped;
}

int UVCPreview::getVideoDropFrame() {
    const int dropped =
        (int)TlinkGetStats(LiveHandle(mTlinkContext).slot(), TLS_VIDEO_FRAMES_DROPPED, nullptr);
    LOGD("video drop frame : %d fps\n", dropped);
    return dropped;
}

int UVCPreview::SetTlinkLogLevel(int level) {
    LOGD("setting level : %d\n", level);
    return TlinkSetDebug(level);
}

void UVCPreview::setTlinkDeblock(int deblock) {
    mDeBlock = deblock;
    LOGD("mDeBlock : %d\n", deblock);
}

void UVCPreview::setIframeInterval(unsigned int interval) {
    mIframe_Interval = interval;
    LOGD("mIframe_Interval : %d\n", interval);
}
