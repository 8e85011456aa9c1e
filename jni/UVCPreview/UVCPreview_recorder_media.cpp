// libOrrinUVC5_TL's recorder: the media recorder encodes the engine's converted pictures and
// the sound, and its output goes to the MP4 muxer.
#include <FFMpegLib.h>
#include <LibMediaRecorder.h>
#include <stdlib.h>
#include <tlink.h>

#include "UVCPreview.h"
#include "UVCPreview_audio.h"
#include "UVCPreview_record.h"
#include "callback_scope.h"
#include "library_objects.h"
#include "logging.h"
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

RecorderObject *UVCPreview::recorder() const {
    return mMediaRecorderWrapper;
}

FFMuxer *UVCPreview::getFFMuxer() {
    return mFFMuxer;
}

// Runs on the recorder's output thread, which ends before recordStop releases the muxer. A
// stop asked for from the report below must not wait for this thread.
void UVCPreview::onRecorderOutput(void *engine, int type, const MediaPacket *buffer) {
    if (!engine)
        return;
    CallbackScope scope;
    UVCPreview *preview = static_cast<UVCPreview *>(engine);
    if (!rawH264Callback(preview->mFFMuxer, type, buffer))
        preview->report_units_lost();
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

int UVCPreview::recorder_obtain() {
    if (!mMediaRecorderLib) {
        LOGD_AS(mDebug, "recordStart", "mMediaRecorderLib == NULL\n");
        mMediaRecorderLib = LibMediaRecorder::getInstance();
    }
    if (!mMediaRecorderWrapper) {
        LOGD_AS(mDebug, "recordStart", "mMediaRecorderWrapper == NULL\n");
        mMediaRecorderWrapper = mMediaRecorderLib->getMediaRecorder();
        if (!mMediaRecorderWrapper) {
            mMediaRecorderLib->releaseInstance();
            mMediaRecorderLib = nullptr;
            return REC_NO_RECORDER;
        }
    }
    if (mDebug)
        recorder()->SetDebug(1);
    return 0;
}

// Nothing has started when Init fails or no colour format is usable, so both are failures.
int UVCPreview::recorder_init() {
    RecorderObject *rec = recorder();
    int result = rec->Init();
    if (result != 0) {
        LOGE_AS("recordStart", "mMediaRecorderWrapper Init fail : %d \n", result);
        return REC_RECORDER_FAILED;
    }
    const int format = rec->GetColorFormat();
    if (format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR)
        mEncoderColorFormat = ENCODER_COLOR_SEMIPLANAR;
    else if (format == MEDIA_COLOR_FORMAT_YUV420_PLANAR)
        mEncoderColorFormat = ENCODER_COLOR_PLANAR;
    LOGD_AS(mDebug, "recordStart", "color format : 0x%02x\n", format);
    if (format == MEDIA_COLOR_FORMAT_NONE) {
        LOGD_AS(mDebug, "recordStart", "hw enc does not have omxyuv420sp or omxyuv420p\n");
        return REC_NO_COLOR_FORMAT;
    }
    return 0;
}

// The error function and the live push, then the muxer on the same target, fed by the
// recorder's output.
int UVCPreview::recorder_configure(const char *path) {
    RecorderObject *rec = recorder();
    rec->SetErrorCallback(mErrorNotifyCallback.load(), mCameraID);
    LOGD_AS(mDebug, "recordStart", "mSampleRate : %d, mBit : %d, mChannel : %d\n", mSampleRate,
            mBit, mChannel);
    if (void *context = mTlinkContext.handle())
        rec->SetPushFunction(TlinkPush, context);

    mFFMpegLib = FFMpegLib::getInstance();
    FFMuxer *muxer = mFFMpegLib->getMuxer();
    mFFMuxer = muxer;
    if (!muxer) {
        LOGD_AS(mDebug, "recordStart", "FFMuxer Init Failed : %d\n", -1);
        return REC_NOT_RECORDING;
    }
    const FFMuxerVideoParam video = {mWidth, mHeight, m_VideoFPS, 0};
    if (mRecMode == REC_MODE_VIDEO_ONLY) {
        LOGD_AS(mDebug, "recordStart", "set Video param\n");
        muxer->SetVideoParam(&video);
        muxer->SetStreamMask(FFMUXER_STREAM_VIDEO);
    } else {
        LOGD_AS(mDebug, "recordStart", "set Video Audio Param\n");
        const FFMuxerAudioParam audio = {0, mSampleRate, mChannel, 0};
        muxer->SetVideoParam(&video);
        muxer->SetAudioParam(&audio);
        muxer->SetStreamMask(FFMUXER_STREAM_VIDEO_AUDIO);
    }
    if (mDebug)
        muxer->SetDebug(1, 4);
    int result = muxer->Init(path);
    if (result != 0) {
        LOGD_AS(mDebug, "recordStart", "FFMuxer Init Failed : %d\n", result);
        return REC_NOT_RECORDING;
    }
    rec->SetOutputCallback(onRecorderOutput, this);
    return 0;
}

// A picture of another size than the recording's is not written but still counts as the
// first picture, which lets the sound in.
bool UVCPreview::recorder_write_picture(uvc_frame_t *frame, bool watermarked, int64_t timeUs) {
    const size_t pictureBytes = (size_t)mWidth * mHeight * 4;
    if (frame->data_bytes != pictureBytes) {
        LOGD_AS(mDebug, "draw_screen", "WARNING!!. frame->data_bytes(%d) != width * height * 4 ",
                (int)frame->data_bytes);
        mVideoFrameWritten = true;
        return true;
    }
    if (!mRecordBuf)
        return true;
    int result = convert_for_encoder(static_cast<uint8_t *>(frame->data), mRecordBuf, mWidth,
                                     mHeight, mEncoderColorFormat);
    if (result != 0) {
        LOGD_AS(mDebug, "draw_screen", "convert function failed : %d\n", result);
        return false;
    }
    if (!watermarked)
        timeUs = getcurtime();
    if (recorder()->write_Buffer(mRecordBuf, timeUs, 0, 0) != 0)
        LOGD_AS(mDebug, "draw_screen", "write_Buffer failed\n");
    mVideoFrameWritten = true;
    return true;
}

const char *UVCPreview::recorder_stop_failure_text() const {
    return "Mediacodec Stop failed\n";
}

void UVCPreview::recorder_release_outputs() {
    release_library_object(mFFMpegLib, mFFMuxer, true);
}

void UVCPreview::recorder_release() {
    release_library_object(mMediaRecorderLib, mMediaRecorderWrapper);
}
