// Encoder seam of libOrrinUVC5_TL: the media recorder encodes and pushes to the live stream.
#include "StreamWrapper.h"
#include "encoder.h"
#include "logging.h"

int StreamWrapper::startEncoder(const char *destination) {
    LOGE_AS("Start", "mMediaRecorderLib == NULL\n");
    LOGE_AS("Start", "mMediaRecorderWrapper == NULL\n");
    mEncoder.reset(new Encoder(take_library_object<LibMediaRecorder>(
        [](LibMediaRecorder *library) { return library->getMediaRecorder(); })));
    if (!*mEncoder) {
        releaseEncoder();
        return STREAM_NO_ENCODER;
    }
    MediaRecorder *recorder = mEncoder->get();
    if (mDebug)
        recorder->SetDebug(1);
    LOGE_AS("Start", "Rectype : %x\n", mActive.recType);
    setModeAndType((mActive.recType & STREAM_TYPE_LIVE) != 0);
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
    setRates();
    LOGE_AS("Start", "fps : %d, bitrate : %d\n", mActive.fps, mActive.bitrate);
    setAudio();
    return startLiveAndEncoder(destination);
}

StreamWrapper::EncoderTexts StreamWrapper::encoderTexts() {
    return {"Mediacodec Stop failed\n", "release mediarecorder object\n"};
}

int StreamWrapper::writePicture(uint8_t *picture, int64_t timeUs) {
    return mEncoder->get()->write_Buffer(picture, timeUs, 0, 0);
}

// Nothing in this deliverable asks: the recorder reports its format when it is initialised.
int StreamWrapper::getOMXColorformat() {
    if (mColorFormat != 0 || mRecMode != 0)
        return 0;
    LOGE("Recmode is 0\n");
    return STREAM_NO_MODE;
}
