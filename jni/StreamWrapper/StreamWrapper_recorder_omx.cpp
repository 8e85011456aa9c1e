// Encoder seam of libOrrinUVC0: the hardware encoder takes the ready 4:2:0 pictures and pushes
// to the live stream.
#include "StreamWrapper.h"
#include "avc_color_format.h"
#include "encoder.h"
#include "logging.h"

int StreamWrapper::getOMXColorformat() {
    if (mColorFormat != 0)
        return 0;
    if (mRecMode == 0) {
        LOGE("Recmode is 0\n");
        return STREAM_NO_MODE;
    }
    return query_avc_color_format({"getOMXColorformat", true, mDebug}, &mColorFormat)
               ? 0
               : STREAM_NO_AVC_ENCODER;
}

int StreamWrapper::startEncoder(const char *destination) {
    LOGE_AS("Start", "----before, mColorFormat=[0x%x]", mColorFormat);
    int result = getOMXColorformat();
    LOGE_AS("Start", "----after, mColorFormat=[0x%x]", mColorFormat);
    // A format the intake cannot produce would feed the encoder pictures it misreads.
    if (result != 0 || !usableColorFormat(mColorFormat)) {
        LOGE_AS("Start", "hw enc does not have omxyuv420sp or omxyuv420p\n");
        return STREAM_NO_COLOR_FORMAT;
    }
    LOGE_AS("Start", "mOMXLib == NULL\n");
    LOGE_AS("Start", "mOMXWrapper == NULL\n");
    const int format = mColorFormat;
    mEncoder.reset(new Encoder(take_library_object<OMXLib>(
        [format](OMXLib *library) { return library->getWrapper(format); })));
    if (!*mEncoder) {
        releaseEncoder();
        return STREAM_NO_ENCODER;
    }
    OMXWrapper *encoder = mEncoder->get();
    setModeAndType(mActive.recType == STREAM_TYPE_LIVE);
    result = encoder->Init();
    if (result != 0) {
        LOGE_AS("Start", "mOMXWrapper Init fail : %d \n", result);
        releaseEncoder();
        return STREAM_ENCODER_FAILED;
    }
    setRates();
    LOGE_AS("Start", "fps : %d, bitrate : %d, mColorFormat: 0x%x\n", mActive.fps, mActive.bitrate,
            mColorFormat);
    setAudio();
    return startLiveAndEncoder(destination);
}

StreamWrapper::EncoderTexts StreamWrapper::encoderTexts() {
    return {"mOMXWrapper Stop failed\n", "release OMX WRAPPER object\n"};
}

int StreamWrapper::writePicture(uint8_t *picture, int64_t timeUs) {
    return mEncoder->get()->write_Buffer(picture, timeUs, OMX_INPUT_YUV, 0);
}
