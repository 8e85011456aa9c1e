// libOrrinUVC0's recorder: the hardware encoder takes the drawn R, G, B, X pictures itself,
// converts them and writes the MP4 on its own; no muxer stands behind it.
#include <OMXLib.h>
#include <tlink.h>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "library_objects.h"
#include "logging.h"
#include "timing.h"

RecorderObject *UVCPreview::recorder() const {
    return mOMXWrapper;
}

// Chooses the encoder's input colour format once; a format that cannot be used is asked for
// again at the next call rather than taken as settled.
int UVCPreview::SetRecording(unsigned char * /*data*/) {
    if (mSelectedColorFormat != 0 && mEncoderConfigured)
        return 0;
    if (!mIsRunning) {
        LOGE("Lumivo is not running state\n");
        return REC_NOT_RUNNING;
    }
    if (mRecMode == 0) {
        LOGE("Recmode is 0\n");
        return REC_MODE_NOT_SET;
    }
    if (!mOMXLib)
        mOMXLib = OMXLib::getInstance();
    OMXCodecExtension *codec = mOMXLib->getExtension();
    if (!codec || !codec->QueryCodec("video/avc")) {
        LOGE("getEncoderCodecProfiles fail\n");
        return REC_ENCODER_NOT_SET;
    }
    LOGD("getColorFormatSize!\n");
    if (codec->HasColorFormat()) {
        const int *formats = codec->GetColorFormats();
        if (formats)
            mSelectedColorFormat = formats[0];
    }
    LOGD("Selected colorFormat : 0x%08x\n", mSelectedColorFormat);
    if (mSelectedColorFormat == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
        mEncoderColorFormat = ENCODER_COLOR_SEMIPLANAR;
    } else if (mSelectedColorFormat == MEDIA_COLOR_FORMAT_YUV420_PLANAR) {
        mEncoderColorFormat = ENCODER_COLOR_PLANAR;
    } else {
        mEncoderConfigured = 0;
        return REC_ENCODER_NOT_SET;
    }
    mEncoderConfigured = 1;
    return 0;
}

int UVCPreview::recorder_check_prepared() {
    if (mSelectedColorFormat == 0) {
        LOGD_AS(mDebug, "recordStart", "not initialize recoder\n");
        return REC_RECORDER_FAILED;
    }
    return 0;
}

int UVCPreview::recorder_obtain() {
    if (!mOMXLib) {
        LOGD_AS(mDebug, "recordStart", "mOMXLib == NULL\n");
        mOMXLib = OMXLib::getInstance();
    }
    if (!mOMXWrapper) {
        LOGD_AS(mDebug, "recordStart", "mOMXWrapper == NULL\n");
        mOMXWrapper = mOMXLib->getWrapper(mSelectedColorFormat);
        if (!mOMXWrapper) {
            mOMXLib->releaseInstance();
            mOMXLib = nullptr;
            return REC_NO_RECORDER;
        }
    }
    if (!recorder()->IsConfigured())
        recorder()->SetColorFormat(mSelectedColorFormat);
    return 0;
}

int UVCPreview::recorder_init() {
    LOGD_AS(mDebug, "recordStart", "OMX Init\n");
    int result = recorder()->Init();
    if (result != 0) {
        LOGE_AS("recordStart", "OMX Init fail : %d \n", result);
        return REC_RECORDER_FAILED;
    }
    LOGD_AS(mDebug, "recordStart", "OMX Init Success\n");
    return 0;
}

// The encoder reports no errors and writes its file itself: only the live push to connect.
int UVCPreview::recorder_configure(const char * /*path*/) {
    LOGD_AS(mDebug, "recordStart", "mSampleRate : %d, mBit : %d, mChannel : %d\n", mSampleRate,
            mBit, mChannel);
    if (void *context = mTlinkContext.handle())
        recorder()->SetPushFunction(TlinkPush, context);
    return 0;
}

bool UVCPreview::recorder_write_picture(uvc_frame_t *frame, bool watermarked, int64_t timeUs) {
    if (!watermarked)
        timeUs = getcurtime();
    const int result = recorder()->write_Buffer(static_cast<uint8_t *>(frame->data), timeUs,
                                                OMX_INPUT_RGBX, mEncoderColorFormat);
    if (result == MEDIA_ERROR_FILE_FAILED)
        report_units_lost();
    else if (result != 0)
        LOGD_AS(mDebug, "draw_screen", "write_Buffer failed\n");
    mVideoFrameWritten = true;
    return true;
}

const char *UVCPreview::recorder_stop_failure_text() const {
    return "OMX Stop failed\n";
}

void UVCPreview::recorder_release_outputs() {}

void UVCPreview::recorder_release() {
    release_library_object(mOMXLib, mOMXWrapper);
}
