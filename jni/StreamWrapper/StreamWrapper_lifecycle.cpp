// Start and Stop: the checks and buffers both deliverables share; the encoder itself is behind
// the encoder seam.
#include <limits.h>
#include <stdlib.h>

#include "StreamWrapper.h"
#include "callback_scope.h"
#include "finisher.h"
#include "logging.h"

namespace {

// Pictures whose 4-byte working copy still fits an int byte count.
bool usablePictureSize(int width, int height) {
    return width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0 &&
           (int64_t)width * height * 4 <= INT_MAX;
}

}  // namespace

int StreamWrapper::takeSettings() {
    if (!usablePictureSize(m_Width, m_Height)) {
        LOGE_AS("Start", "m_Width = %d , m_Height = %d\n", m_Width, m_Height);
        return STREAM_BAD_SIZE;
    }
    if (m_VideoBitrate <= 0 || m_VideoFPS <= 0) {
        LOGE_AS("Start", "m_VideoBitrate = %d || m_VideoFPS = %d\n", m_VideoBitrate, m_VideoFPS);
        return STREAM_BAD_VIDEO_RATE;
    }
    // The audio format is required even for pictures only.
    if (mSampleRate <= 0 || mBit < 8 || mChannel <= 0) {
        LOGE_AS("Start", "mSampleRate = %d || mBit = %d || mChannel = %d\n", mSampleRate, mBit,
                mChannel);
        return STREAM_BAD_AUDIO;
    }
    if (mRecMode == 0 || mRecType == 0) {
        LOGE_AS("Start", "mRecMode = %d || mRecType = %d\n", mRecMode, mRecType);
        return STREAM_NO_MODE;
    }
    if (mRecType == STREAM_TYPE_LIVE_AND_FILE && mTlinkFilePath[0] == '\0') {
        LOGE_AS("Start", "tlink file path was NULL\n");
        return STREAM_NO_FILE_PATH;
    }
    mActive.width = m_Width;
    mActive.height = m_Height;
    mActive.fps = m_VideoFPS;
    mActive.bitrate = m_VideoBitrate;
    mActive.sampleRate = mSampleRate;
    mActive.bits = mBit;
    mActive.channels = mChannel;
    mActive.recMode = mRecMode;
    mActive.recType = mRecType;
    return 0;
}

int StreamWrapper::allocateBuffers() {
    freeBuffers();
    size_t pixels = (size_t)mActive.width * mActive.height;
    mYuvBuf = (uint8_t *)calloc(pixels * 3 / 2, 1);
    mWorkPicture = (uint8_t *)calloc(pixels * 4, 1);
    if (mYuvBuf && mWorkPicture)
        return 0;
    LOGE_AS("Start", "no memory for %d x %d pictures\n", mActive.width, mActive.height);
    freeBuffers();
    return STREAM_NO_ENCODER;
}

void StreamWrapper::freeBuffers() {
    free(mYuvBuf);
    mYuvBuf = nullptr;
    free(mWorkPicture);
    mWorkPicture = nullptr;
}

int StreamWrapper::Start(const char *destination) {
    MutexLock lock(mControlMutex);
    if (mStarted) {
        LOGE("already started, stop first\n");
        return STREAM_ALREADY_STARTED;
    }
    int result = takeSettings();
    if (result == 0)
        result = allocateBuffers();
    if (result == 0)
        result = startEncoder(destination);
    if (result != 0)
        return result;
    mStarted = true;
    mGate.open();
    mRunning = true;
    LOGE("recordStart Success!\n");
    return 0;
}

// From a callback the stop runs on the finisher once the callback has returned: the callback
// may run on the live-stream library's thread, which the stop waits for.
int StreamWrapper::Stop() {
    if (in_callback()) {
        Finisher::instance().hand_over(this, [this] { Stop(); });
        return 0;
    }
    LOGE("Stop IN\n");
    MutexLock lock(mControlMutex);
    if (!mStarted) {
        LOGE("Record not started\n");
        return STREAM_NOT_STARTED;
    }
    bool wasRunning = mRunning.exchange(false);
    mGate.close();
    int result = stopEncoder();
    if (result == STREAM_ENCODER_STOP_FAILED) {
        // The encoder keeps running, so a later Stop can try again.
        mGate.open();
        mRunning = wasRunning;
        return result;
    }
    // From here the encoder is released and never used again, whatever the live stream says.
    if (mActive.recType & STREAM_TYPE_LIVE) {
        int live = closeLiveStream("Stop");
        if (result == 0)
            result = live;
    }
    if (result != STREAM_LIVE_STOP_REFUSED)
        LOGE("tlink stop success\n");
    releaseEncoder();
    freeBuffers();
    mStarted = false;
    return result;
}

int StreamWrapper::pauseStreaming() {
    return setRunning(false);
}

int StreamWrapper::resumeStreaming() {
    return setRunning(true);
}

// Pause and resume act only on a started stream, which keeps its encoder and live stream.
int StreamWrapper::setRunning(bool running) {
    MutexLock lock(mControlMutex);
    if (!mStarted) {
        LOGE("stream not started\n");
        return STREAM_NOT_STARTED;
    }
    mRunning = running;
    return 0;
}
