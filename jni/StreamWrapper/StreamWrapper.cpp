// Construction, destruction and the streamer's own small operations.
#include "StreamWrapper.h"

#include <string.h>
#include <sys/system_properties.h>

#include "callback_scope.h"
#include "encoder.h"
#include "finisher.h"
#include "logging.h"
#include "timing.h"

StreamWrapper::StreamWrapper()
    : mDebug(false),
      mRunning(false),
      mRecMode(0),
      mRecType(0),
      m_Width(0),
      m_Height(0),
      m_ResolutionParam(0),
      m_VideoFPS(0),
      m_VideoBitrate(0),
      mSampleRate(0),
      mBit(0),
      mChannel(0),
      mColorFormat(0),
      mYuvBuf(nullptr),
      mCameraID(0),
      mTlinkMode(1),
      mTlinkDeblock(1),
      mIframe_Interval(1),
      mTlinkFilePath(),
      mErrorNotifyfnptr(nullptr),
      m_TlinkWaitTime(10),
      mStarted(false),
      mWorkPicture(nullptr) {}

// A streamer deleted while started would leave the encoder running and the live-stream library
// calling back into freed memory, so it is stopped first; when the encoder refuses to stop, the
// connection is dropped all the same. Never called from a callback (whoever deletes the
// streamer there hands the deletion to the finisher).
StreamWrapper::~StreamWrapper() {
    Finisher::instance().forget(this);
    bool started;
    {
        MutexLock lock(mControlMutex);
        started = mStarted;
    }
    if (started)
        Stop();
    MutexLock lock(mControlMutex);
    if (mStarted && (mActive.recType & STREAM_TYPE_LIVE))
        mLive.drop();
    releaseEncoder();
    freeBuffers();
}

void StreamWrapper::Init(bool debug) {
    mDebug = debug;
    mRecType = STREAM_TYPE_LIVE;
}

void StreamWrapper::Deinit() {}

void StreamWrapper::SetRecType(int type) {
    mRecType = type;
    LOGE("set RECType : 0x%x\n", type);
}

void StreamWrapper::setTlinkFilePath(const char *path) {
    if (!path)
        return;
    strncpy(mTlinkFilePath, path, sizeof(mTlinkFilePath) - 1);
    mTlinkFilePath[sizeof(mTlinkFilePath) - 1] = '\0';
    LOGE("set mTlinkFilePath : %s\n", mTlinkFilePath);
}

int64_t StreamWrapper::getcurtime() {
    return ::getcurtime();
}

bool isGalaxtGrandDevice() {
    // -1 until asked; concurrent first calls all compute the same answer.
    static std::atomic<int> cached(-1);
    int answer = cached.load();
    if (answer < 0) {
        char model[128] = {0};
        __system_property_get("ro.product.model", model);
        answer = strstr(model, "SHV-E275") ? 1 : 0;
        if (answer)
            LOGE("THIS IS THE GALAXY GRAND!!!");
        cached.store(answer);
    }
    return answer == 1;
}

// The library's report thread: a Stop asked for from here must not wait for that thread.
void onStreamRuntimeError(void * /*context*/, int code, int errnum, void *user) {
    CallbackScope scope;
    LOGE("IN\n");
    StreamWrapper *streamer = (StreamWrapper *)user;
    if (!streamer) {
        LOGE("userCtx == NULL\n");
        return;
    }
    StreamErrorNotify notify = streamer->mErrorNotifyfnptr;
    if (!notify) {
        LOGE("streamwrapper->mErrorNotifyfnptr == NULL\n");
        return;
    }
    LOGE("reason : TL_ERROR_SOCKET_READ || TL_ERROR_SOCKET_WRITE\n");
    notify(streamer->mCameraID, 2, code, strerror(errnum));
}
