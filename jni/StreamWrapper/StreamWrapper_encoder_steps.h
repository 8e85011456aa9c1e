// Start steps that the media recorder and the hardware encoder share: both objects offer the
// same setters under the same names. Included by the two encoder seam files only.
#pragma once

#include <tlink.h>

#include "StreamWrapper.h"
#include "library_objects.h"
#include "logging.h"

enum { ENCODER_MODE_VIDEO = 2, ENCODER_MODE_VIDEO_AUDIO = 3, STREAM_MODE_VIDEO_AUDIO = 2 };

inline bool usableColorFormat(int format) {
    return format == 21 || format == 19;
}

// Record mode 2 sends pictures and sound and always passes the record type; pictures only
// pass it when `typeForVideoOnly` says so.
template <class Encoder>
void StreamWrapper::setModeAndType(Encoder *encoder, bool typeForVideoOnly) {
    if (mActive.recMode == STREAM_MODE_VIDEO_AUDIO) {
        encoder->SetRecMode(ENCODER_MODE_VIDEO_AUDIO);
        encoder->SetRecType(mActive.recType);
        return;
    }
    LOGE_AS("Start", "Video ONLY\n");
    encoder->SetRecMode(ENCODER_MODE_VIDEO);
    if (typeForVideoOnly)
        encoder->SetRecType(mActive.recType);
}

template <class Encoder>
void StreamWrapper::setRates(Encoder *encoder) {
    encoder->SetFrameRate(mActive.fps);
    encoder->SetBitrate(mActive.bitrate);
    encoder->SetIFrameInterval(mIframe_Interval);
}

template <class Encoder>
void StreamWrapper::setAudio(Encoder *encoder) {
    if (mActive.recMode != STREAM_MODE_VIDEO_AUDIO)
        return;
    encoder->SetSampleRate(mActive.sampleRate);
    encoder->SetBit(mActive.bits);
    encoder->SetChannel(mActive.channels);
    encoder->SetAudioByteRate(mActive.sampleRate * mActive.channels * (mActive.bits / 8));
    LOGE_AS("Start", "mSampleRate : %d, mBit : %d mChannel : %d\n", mActive.sampleRate,
            mActive.bits, mActive.channels);
}

// Opens the live stream when the record type asks for it, hands the encoder the push function
// and starts the encoder; on failure the live stream is closed and the encoder released.
template <class Encoder>
int StreamWrapper::startLiveAndEncoder(Encoder *encoder, const char *destination) {
    bool live = (mActive.recType & STREAM_TYPE_LIVE) != 0;
    if (live) {
        if (openLiveStream(destination) != 0) {
            releaseEncoder();
            return STREAM_LIVE_START_FAILED;
        }
        encoder->SetPushFunction(TlinkPush, mTlinkContext.handle());
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
template <class Encoder>
int StreamWrapper::stopAndRelease(Encoder *&encoder, const char *stopFailed, const char *released) {
    if (!encoder) {
        LOGE_AS("Stop", "mMediaRecorderWrapper Not Initialized\n");
        return STREAM_ENCODER_FAILED;
    }
    if (encoder->Stop() != 0) {
        LOGE_AS("Stop", "%s", stopFailed);
        return STREAM_ENCODER_STOP_FAILED;
    }
    encoder->Release();
    encoder = nullptr;
    LOGE_AS("Stop", "%s", released);
    return 0;
}
