// Start and Stop steps that the media recorder and the hardware encoder share: both objects
// offer the same setters under the same names. What differs is in the deliverable's seam file
// (StreamWrapper_recorder_media.cpp or StreamWrapper_recorder_omx.cpp).
#include <tlink.h>

#include "StreamWrapper.h"
#include "encoder.h"
#include "logging.h"

namespace {

enum { ENCODER_MODE_VIDEO = 2, ENCODER_MODE_VIDEO_AUDIO = 3, STREAM_MODE_VIDEO_AUDIO = 2 };

}  // namespace

bool StreamWrapper::usableColorFormat(int format) {
    return format == 21 || format == 19;
}

// Record mode 2 sends pictures and sound and always passes the record type; pictures only
// pass it when `typeForVideoOnly` says so.
void StreamWrapper::setModeAndType(bool typeForVideoOnly) {
    RecorderObject *encoder = mEncoder->get();
    if (mActive.recMode == STREAM_MODE_VIDEO_AUDIO) {
        encoder->SetRecMode(ENCODER_MODE_VIDEO_AUDIO);
        encoder->SetRecType(mActive.recType);
    } else {
        LOGE_AS("Start", "Video ONLY\n");
        encoder->SetRecMode(ENCODER_MODE_VIDEO);
        if (typeForVideoOnly)
            encoder->SetRecType(mActive.recType);
    }
}

void StreamWrapper::setRates() {
    RecorderObject *encoder = mEncoder->get();
    encoder->SetFrameRate(mActive.fps);
    encoder->SetBitrate(mActive.bitrate);
    encoder->SetIFrameInterval(mIframe_Interval);
}

void StreamWrapper::setAudio() {
    if (mActive.recMode != STREAM_MODE_VIDEO_AUDIO)
        return;
    RecorderObject *encoder = mEncoder->get();
    encoder->SetSampleRate(mActive.sampleRate);
    encoder->SetBit(mActive.bits);
    encoder->SetChannel(mActive.channels);
    encoder->SetAudioByteRate(mActive.sampleRate * mActive.channels * (mActive.bits / 8));
    LOGE_AS("Start", "mSampleRate : %d, mBit : %d mChannel : %d\n", mActive.sampleRate,
            mActive.bits, mActive.channels);
}

// Opens the live stream when the record type asks for it, hands the encoder the push function
// and starts the encoder; on failure the live stream is closed and the encoder released.
int StreamWrapper::startLiveAndEncoder(const char *destination) {
    RecorderObject *encoder = mEncoder->get();
    bool live = (mActive.recType & STREAM_TYPE_LIVE) != 0;
    if (live) {
        if (openLiveStream(destination) != 0) {
            releaseEncoder();
            return STREAM_LIVE_START_FAILED;
        }
        encoder->SetPushFunction(TlinkPush, mLive.handle());
    }
    LOGE_AS("Start", "mfilepath : %s\n", mTlinkFilePath);
    int result = encoder->Start(mActive.width, mActive.height, mTlinkFilePath);
    if (result == 0)
        return 0;
    LOGE_AS("Start", "Start fail : %d\n", result);
    if (live)
        closeLiveStream("Start");
    releaseEncoder();
    return result;
}

// Stops the encoder and releases its object: 0, -52 without one, -54 when it refused to stop
// (it is then kept, so that a later Stop can try again).
int StreamWrapper::stopEncoder() {
    RecorderObject *encoder = mEncoder ? mEncoder->get() : nullptr;
    if (!encoder) {
        LOGE_AS("Stop", "mMediaRecorderWrapper Not Initialized\n");
        return STREAM_ENCODER_FAILED;
    }
    if (encoder->Stop() != 0) {
        LOGE_AS("Stop", "%s", encoderTexts().stopFailed);
        return STREAM_ENCODER_STOP_FAILED;
    }
    releaseEncoder();
    LOGE_AS("Stop", "%s", encoderTexts().released);
    return 0;
}

void StreamWrapper::releaseEncoder() {
    mEncoder.reset();
}

int StreamWrapper::writeSound(uint8_t *pcm, int bytes, int64_t timeUs) {
    return mEncoder->get()->write_AudioBuffer(pcm, bytes, timeUs);
}
