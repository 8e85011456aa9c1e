// Live streaming through the live-stream library: the connection a live recording starts and
// stops, the runtime-error report, and the statistics and settings of a running stream.
#include <string.h>
#include <tlink.h>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "callback_scope.h"
#include "error_codes.h"
#include "logging.h"

// Connects to `url` within m_TlinkWaitTime. Any failure leaves no connection behind.
int UVCPreview::livestream_connect(const char *url) {
    const LiveConnection::Options options = {
        mTlinkMode, m_TlinkWaitTime, mDeBlock, onTlinkRuntimeError, this, false};
    return mLive.open(url, options, {"recordStart", false, mDebug}) ? 0 : REC_LIVE_START_FAILED;
}

// Ends the connection after the recorder has pushed its last units. 0, the library's code
// when the stop did not complete in time or failed, or -301 when the library refused the stop
// (the connection is then dropped all the same).
int UVCPreview::livestream_stop() {
    const int result = mLive.finish(m_TlinkWaitTime, {"recordStop", false, mDebug});
    if (result > 0)
        LOGD_AS(mDebug, "recordStop", "%s\n", TlinkStringFromErrorCode(result));
    return result == LiveConnection::kStopRefused ? REC_LIVE_STOP_FAILED : result;
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
    const double rate = mLive.per_second(TLS_BYTES_SENT);
    LOGD("transmission per sec(Byte): %f\n", rate);
    LOGD("transmission per sec(MegaByte): %f\n", rate / (1024.0 * 1024.0));
    LOGD("transmission per sec(MegaBps): %f\n", rate / 1000000.0);
    return rate;
}

double UVCPreview::getAudioTransmission() {
    const double rate = mLive.per_second(TLS_AUDIO_FRAMES_SENT);
    LOGD("audio frame per sec : %f fps\n", rate);
    return rate;
}

double UVCPreview::getVideoTransmission() {
    const double rate = mLive.per_second(TLS_VIDEO_FRAMES_SENT);
    LOGD("video frame per sec : %f fps\n", rate);
    return rate;
}

int UVCPreview::getAudioDropFrame() {
    const int dropped = mLive.count(TLS_AUDIO_FRAMES_DROPPED);
    LOGD("audio drop frame : %d fps\n", dropped);
    return dropped;
}

int UVCPreview::getVideoDropFrame() {
    const int dropped = mLive.count(TLS_VIDEO_FRAMES_DROPPED);
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
