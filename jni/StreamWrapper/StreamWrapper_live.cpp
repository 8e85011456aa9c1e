// The streamer's live-stream connection: opened at Start for record types with the live bit,
// closed at Stop and after any later start step failed.
#include <tlink.h>

#include "StreamWrapper.h"
#include "error_codes.h"
#include "logging.h"

int StreamWrapper::openLiveStream(const char *destination) {
    LOGE_AS("Start", "Start TLink\n");
    const LiveConnection::Options options = {
        mTlinkMode, m_TlinkWaitTime, mTlinkDeblock, onStreamRuntimeError, this, true};
    return mLive.open(destination, options, {"Start", true, mDebug}) ? 0 : STREAM_LIVE_START_FAILED;
}

// A refused stop drops the connection all the same: the streamer may go away while it would
// live on, and nothing of it may call the streamer back.
int StreamWrapper::closeLiveStream(const char *operation) {
    const int result = mLive.finish(m_TlinkWaitTime, {operation, true, mDebug});
    if (result > 0)
        LOGE_AS(operation, "TlinkWaitAsyncJobCompletion failed. reason : %s\n",
                TlinkStringFromErrorCode(result));
    return result == LiveConnection::kStopRefused ? STREAM_LIVE_STOP_REFUSED : result;
}
