// Encoder seam of libOrrinUVC0: the hardware encoder takes the ready 4:2:0 pictures and pushes
// to the live stream.
#include <OMXLib.h>

#include "StreamWrapper_encoder_steps.h"

int StreamWrapper::getOMXColorformat() {
    if (mColorFormat != 0)
        return 0;
    if (mRecMode == 0) {
        LOGE("Recmode is 0\n");
        return STREAM_NO_MODE;
    }
    if (!mOMXLib)
        mOMXLib = OMXLib::getInstance();
    OMXCodecExtension *codecs = mOMXLib->getExtension();
    if (!codecs || codecs->QueryCodec("video/avc") == 0) {
        LOGE("getEncoderCodecProfiles fail\n");
        return STREAM_NO_AVC_ENCODER;
    }
    LOGE("getColorFormatSize!\n");
    if (codecs->HasColorFormat())
        mColorFormat = codecs->GetColorFormats()[0];
    LOGE("Selected colorFormat : 0x%08x\n", mColorFormat);
    mOMXLib->releaseInstance();
    mOMXLib = nullptr;
    return 0;
}

int StreamWrapper::startEncoder(const char *destination) {
    LOGE_AS("Start", "----before, mColorFormat=[0x%x]", mColorFormat);
    int result = getOMXColorformat();
    LOGE_AS("Start", "----after, mColorFormat=[0x%x]", mColorFormat);
    // A format the intake cannot produce would feed the encoder pictures it misreads.
    if (result != 0 || !usableColorFormat(mColorFormat)) {
        LOGE_AS("Start", "hw enc does not have omxyuv420sp or omxyuv420p\n");
        releaseEncoder();
        return STREAM_NO_COLOR_FORMAT;
    }
    if (!mOMXLib) {
        LOGE_AS("Start", "mOMXLib == NULL\n");
        mOMXLib = OMXLib::getInstance();
    }
    if (!mOMXWrapper) {
        LOGE_AS("Start", "mOMXWrapper == NULL\n");
        mOMXWrapper = mOMXLib->getWrapper(mColorFormat);
        if (!mOMXWrapper) {
            releaseEncoder();
            return STREAM_NO_ENCODER;
        }
    }
    OMXWrapper *encoder = mOMXWrapper;
    setModeAndType(encoder, mActive.recType == STREAM_TYPE_LIVE);
    result = encoder->Init();
    if (result != 0) {
        LOGE_AS("Start", "mOMXWrapper Init fail : %d \n", result);
        releaseEncoder();
        return STREAM_ENCODER_FAILED;
    }
    setRates(encoder);
    LOGE_AS("Start", "fps : %d, bitrate : %d, mColorFormat: 0x%x\n", mActive.fps, mActive.bitrate,
            mColorFormat);
    setAudio(encoder);
    return startLiveAndEncoder(encoder, destination);
}

int StreamWrapper::stopEncoder() {
    return stopAndRelease(mOMXWrapper, "mOMXWrapper Stop failed\n", "release OMX WRAPPER object\n");
}

void StreamWrapper::releaseEncoder() {
    release_library_object(mOMXLib, mOMXWrapper);
}

int StreamWrapper::writePicture(uint8_t *picture, int64_t timeUs) {
    return mOMXWrapper->write_Buffer(picture, timeUs, OMX_INPUT_YUV, 0);
}

int StreamWrapper::writeSound(uint8_t *pcm, int bytes, int64_t timeUs) {
    return mOMXWrapper->write_AudioBuffer(pcm, bytes, timeUs);
}
