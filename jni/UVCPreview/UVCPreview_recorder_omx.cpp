// libOrrinUVC0's recorder: the hardware encoder takes the drawn R, G, B, X pictures itself,
// converts them and writes the MP4 on its own; no muxer stands behind it.
#include <OMXLib.h>
#include <tlink.h>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "avc_color_format.h"
#include "logging.h"
#include "recording.h"
#include "timing.h"

struct Recording::Outputs {};

Recording::Recording(Encoder encoder) : mEncoder(std::move(encoder)) {}

Recording::~Recording() = default;

// SetRecording asked the library for the format and let it go again; the recording holds it.
std::unique_ptr<Recording> Recording::obtain(int inputFormat, bool debug) {
    LOGD_AS(debug, "recordStart", "mOMXWrapper == NULL\n");
    Encoder encoder(take_library_object<OMXLib>(
        [&](OMXLib *library) { return library->getWrapper(inputFormat); }));
    if (!encoder)
        return nullptr;
    if (!encoder->IsConfigured())
        encoder->SetColorFormat(inputFormat);
    return std::unique_ptr<Recording>(new Recording(std::move(encoder)));
}

// The layout of the encoder's pictures was chosen by SetRecording.
int Recording::init(bool debug, std::atomic<int> & /*colorKind*/) {
    LOGD_AS(debug, "recordStart", "OMX Init\n");
    int result = mEncoder->Init();
    if (result != 0) {
        LOGE_AS("recordStart", "OMX Init fail : %d \n", result);
        return REC_RECORDER_FAILED;
    }
    LOGD_AS(debug, "recordStart", "OMX Init Success\n");
    return 0;
}

// The encoder reports no errors and writes its file itself: only the live push to connect.
int Recording::configure(const RecordingTarget &target) {
    mWidth = target.width;
    mHeight = target.height;
    mDebug = target.debug;
    mNotify = target.notify;
    mCameraId = target.cameraId;
    LOGD_AS(mDebug, "recordStart", "mSampleRate : %d, mBit : %d, mChannel : %d\n",
            target.sampleRate, target.bits, target.channels);
    if (target.liveContext)
        mEncoder->SetPushFunction(TlinkPush, target.liveContext);
    return 0;
}

bool Recording::write_picture(uvc_frame_t *frame, bool watermarked, int64_t timeUs, int colorKind) {
    if (!watermarked)
        timeUs = getcurtime();
    const int result = mEncoder->write_Buffer(static_cast<uint8_t *>(frame->data), timeUs,
                                              OMX_INPUT_RGBX, colorKind);
    if (result == MEDIA_ERROR_FILE_FAILED)
        report_units_lost();
    else if (result != 0)
        LOGD_AS(mDebug, "draw_screen", "write_Buffer failed\n");
    mPictureWritten = true;
    return true;
}

const char *Recording::stop_failure_text() {
    return "OMX Stop failed\n";
}

// Chooses the encoder's input colour format once; a format that cannot be used is asked for
// again at the next call rather than taken as settled.
int UVCPreview::SetRecording(unsigned char * /*data*/) {
    if (mEncoderInputFormat != 0 && mEncoderConfigured)
        return 0;
    if (!mIsRunning) {
        LOGE("Lumivo is not running state\n");
        return REC_NOT_RUNNING;
    }
    if (mRecMode == 0) {
        LOGE("Recmode is 0\n");
        return REC_MODE_NOT_SET;
    }
    if (!query_avc_color_format({"SetRecording", false, mDebug}, &mEncoderInputFormat))
        return REC_ENCODER_NOT_SET;
    if (mEncoderInputFormat == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
        mEncoderColorFormat = ENCODER_COLOR_SEMIPLANAR;
    } else if (mEncoderInputFormat == MEDIA_COLOR_FORMAT_YUV420_PLANAR) {
        mEncoderColorFormat = ENCODER_COLOR_PLANAR;
    } else {
        mEncoderConfigured = 0;
        return REC_ENCODER_NOT_SET;
    }
    mEncoderConfigured = 1;
    return 0;
}

int UVCPreview::recorder_check_prepared() {
    if (mEncoderInputFormat == 0) {
        LOGD_AS(mDebug, "recordStart", "not initialize recoder\n");
        return REC_RECORDER_FAILED;
    }
    return 0;
}
