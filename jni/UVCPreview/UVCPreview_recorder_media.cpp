// libOrrinUVC5_TL's recorder: the media recorder encodes the engine's converted pictures and
// the sound, and its output goes to the MP4 muxer.
#include <FFMpegLib.h>
#include <LibMediaRecorder.h>
#include <stdlib.h>
#include <tlink.h>

#include <vector>

#include "UVCPreview.h"
#include "UVCPreview_record.h"
#include "callback_scope.h"
#include "logging.h"
#include "recording.h"
#include "timing.h"

namespace {

// Hands one unit of the recorder's output to the muxer; logged under this name. False when the
// muxer refused the unit.
bool rawH264Callback(FFMuxer *muxer, int type, const MediaPacket *buffer) {
    if (!muxer || !buffer)
        return true;
    if (muxer->IsReady() && !muxer->IsStarted() && muxer->Start() < 0) {
        LOGE("FFMuxer Start failed\n");
        return false;
    }
    if (type == MEDIA_PACKET_VIDEO) {
        if (buffer->is_header) {
            if (muxer->WriteVideoHeader(buffer) < 0) {
                LOGE("WriteVideoHeader failed. \n");
                return false;
            }
        } else if (muxer->writeVideoBuffer(buffer) < 0) {
            LOGE("writeVideoBuffer failed\n");
            return false;
        }
    } else if (type == MEDIA_PACKET_AUDIO) {
        if (buffer->is_header) {
            if (muxer->WriteAudioHeader(buffer) < 0) {
                LOGE("WriteAudioHeader failed. \n");
                return false;
            }
        } else if (muxer->writeAudioBuffer(buffer) < 0) {
            LOGE("writeAudioBuffer failed\n");
            return false;
        }
    }
    return true;
}

}  // namespace

// The muxer the recorder's output goes to, and the 4:2:0 picture the recorder takes.
struct Recording::Outputs {
    LibraryObject<FFMpegLib, FFMuxer> muxer;  // read by the recorder's output thread
    std::vector<uint8_t> picture;

    ~Outputs() { muxer.reset(true); }

    // Runs on the recorder's output thread, which ends before the recorder is released and
    // so before the muxer is. A stop asked for from the report below must not wait for it.
    static void onOutput(void *user, int type, const MediaPacket *buffer) {
        CallbackScope scope;
        Recording *recording = static_cast<Recording *>(user);
        if (!rawH264Callback(recording->mOutputs->muxer.get(), type, buffer))
            recording->report_units_lost();
    }
};

Recording::Recording(Encoder encoder) : mOutputs(new Outputs), mEncoder(std::move(encoder)) {}

Recording::~Recording() = default;

std::unique_ptr<Recording> Recording::obtain(int /*inputFormat*/, bool debug) {
    LOGD_AS(debug, "recordStart", "mMediaRecorderLib == NULL\n");
    LOGD_AS(debug, "recordStart", "mMediaRecorderWrapper == NULL\n");
    Encoder encoder(take_library_object<LibMediaRecorder>(
        [](LibMediaRecorder *library) { return library->getMediaRecorder(); }));
    if (!encoder)
        return nullptr;
    if (debug)
        encoder->SetDebug(1);
    return std::unique_ptr<Recording>(new Recording(std::move(encoder)));
}

// Nothing has started when Init fails or no colour format is usable, so both are failures.
int Recording::init(bool debug, std::atomic<int> &colorKind) {
    int result = mEncoder->Init();
    if (result != 0) {
        LOGE_AS("recordStart", "mMediaRecorderWrapper Init fail : %d \n", result);
        return REC_RECORDER_FAILED;
    }
    const int format = mEncoder->GetColorFormat();
    if (format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR)
        colorKind = ENCODER_COLOR_SEMIPLANAR;
    else if (format == MEDIA_COLOR_FORMAT_YUV420_PLANAR)
        colorKind = ENCODER_COLOR_PLANAR;
    LOGD_AS(debug, "recordStart", "color format : 0x%02x\n", format);
    if (format == MEDIA_COLOR_FORMAT_NONE) {
        LOGD_AS(debug, "recordStart", "hw enc does not have omxyuv420sp or omxyuv420p\n");
        return REC_NO_COLOR_FORMAT;
    }
    return 0;
}

// The error function and the live push, then the muxer on the same target, fed by the
// recorder's output.
int Recording::configure(const RecordingTarget &target) {
    mWidth = target.width;
    mHeight = target.height;
    mDebug = target.debug;
    mNotify = target.notify;
    mCameraId = target.cameraId;
    mEncoder->SetErrorCallback(target.notify, target.cameraId);
    LOGD_AS(mDebug, "recordStart", "mSampleRate : %d, mBit : %d, mChannel : %d\n",
            target.sampleRate, target.bits, target.channels);
    if (target.liveContext)
        mEncoder->SetPushFunction(TlinkPush, target.liveContext);

    mOutputs->muxer =
        take_library_object<FFMpegLib>([](FFMpegLib *library) { return library->getMuxer(); });
    FFMuxer *muxer = mOutputs->muxer.get();
    if (!muxer) {
        LOGD_AS(mDebug, "recordStart", "FFMuxer Init Failed : %d\n", -1);
        return REC_NOT_RECORDING;
    }
    const FFMuxerVideoParam video = {target.width, target.height, target.fps, 0};
    if (!target.withAudio) {
        LOGD_AS(mDebug, "recordStart", "set Video param\n");
        muxer->SetVideoParam(&video);
        muxer->SetStreamMask(FFMUXER_STREAM_VIDEO);
    } else {
        LOGD_AS(mDebug, "recordStart", "set Video Audio Param\n");
        const FFMuxerAudioParam audio = {0, target.sampleRate, target.channels, 0};
        muxer->SetVideoParam(&video);
        muxer->SetAudioParam(&audio);
        muxer->SetStreamMask(FFMUXER_STREAM_VIDEO_AUDIO);
    }
    if (mDebug)
        muxer->SetDebug(1, 4);
    int result = muxer->Init(target.path);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStart", "FFMuxer Init Failed : %d\n", result);
        return REC_NOT_RECORDING;
    }
    mOutputs->picture.resize((size_t)mWidth * mHeight * 3 / 2);
    mEncoder->SetOutputCallback(Outputs::onOutput, this);
    return 0;
}

// A picture of another size than the recording's is not written but still counts as the
// first picture, which lets the sound in.
bool Recording::write_picture(uvc_frame_t *frame, bool watermarked, int64_t timeUs, int colorKind) {
    const size_t pictureBytes = (size_t)mWidth * mHeight * 4;
    if (frame->data_bytes != pictureBytes) {
        LOGD_AS(mDebug, "draw_screen", "WARNING!!. frame->data_bytes(%d) != width * height * 4 ",
                (int)frame->data_bytes);
        mPictureWritten = true;
        return true;
    }
    uint8_t *picture = mOutputs->picture.data();
    int result = convert_for_encoder(static_cast<uint8_t *>(frame->data), picture, mWidth, mHeight,
                                     colorKind);
    if (result != 0) {
        LOGD_AS(mDebug, "draw_screen", "convert function failed : %d\n", result);
        return false;
    }
    if (!watermarked)
        timeUs = getcurtime();
    if (mEncoder->write_Buffer(picture, timeUs, 0, 0) != 0)
        LOGD_AS(mDebug, "draw_screen", "write_Buffer failed\n");
    mPictureWritten = true;
    return true;
}

const char *Recording::stop_failure_text() {
    return "Mediacodec Stop failed\n";
}

int UVCPreview::SetRecording(unsigned char * /*data*/) {
    if (!mIsRunning) {
        LOGE("Lumivo is not running state\n");
        return REC_NOT_RUNNING;
    }
    if (mRecMode == 0) {
        LOGE("Recmode is 0\n");
        return REC_MODE_NOT_SET;
    }
    mEncoderConfigured = 1;
    return 0;
}

int UVCPreview::recorder_check_prepared() {
    return 0;
}
