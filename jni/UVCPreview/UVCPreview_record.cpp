// Recording settings, the start and stop sequences, pause and the draw thread's recording step:
// what both deliverables share. The encoder object and what stands behind it differ; the
// deliverable's recorder file (UVCPreview_recorder_media.cpp or _omx.cpp) supplies those steps.
#include "UVCPreview_record.h"

#include <libyuv.h>
#include <media_formats.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "UVCPreview.h"
#include "UVCPreview_audio.h"
#include "callback_scope.h"
#include "logging.h"
#include "recording.h"
#include "timing.h"

namespace {

const int PATH_BYTES = 255;
const int DRAW_CHECK_US = 100000;

// "/sdcard/movies/lumivo_YYYYMMDD_HHMMSS.mp4" from the local date and time.
void default_record_path(char path[PATH_BYTES]) {
    memset(path, 0, PATH_BYTES);
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    snprintf(path, PATH_BYTES, "/sdcard/movies/lumivo_%04d%02d%02d_%02d%02d%02d.mp4",
             local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
             local.tm_sec);
}

}  // namespace

// libyuv's ABGR functions read the bytes R, G, B, A, the order of the engine's pictures.
int convert_for_encoder(const uint8_t *picture, uint8_t *out, int width, int height, int kind) {
    const int w = width, h = height;
    uint8_t *chroma = out + (size_t)w * h;
    if (kind == ENCODER_COLOR_PLANAR) {
        uint8_t *cr = chroma + ((size_t)(w / 2) * h) / 2;
        return libyuv::ABGRToI420(picture, w * 4, out, w, chroma, w / 2, cr, w / 2, w, h);
    }
    if (kind == ENCODER_COLOR_SEMIPLANAR)
        return libyuv::ABGRToNV12(picture, w * 4, out, w, chroma, w, w, h);
    return 0;
}

void UVCPreview::setVideoFPS(int fps) {
    m_VideoFPS = fps;
    LOGE("set m_VideoFPS : %d\n", fps);
}

void UVCPreview::setVideoBitrate(int bitrate) {
    m_VideoBitrate = bitrate;
    LOGE("set m_VideoBitrate : %d\n", bitrate);
}

void UVCPreview::RecVideoOnly(bool videoOnly) {
    mVideoOnly = videoOnly;
}

void UVCPreview::setTLinkMode(int mode) {
    mTlinkMode = mode;
}

char *UVCPreview::getTLinkUrl() {
    return mLive.url();
}

void UVCPreview::setTlinkWaitTime(int ms) {
    m_TlinkWaitTime = ms;
}

int UVCPreview::getRecordState() {
    return mIsRecording ? 1 : 0;
}

// The recorder, its muxer and connection stay; the writers only stop feeding them.
void UVCPreview::pauseStreaming() {
    if (in_callback()) {
        finish_later([this] { pauseStreaming(); });
        return;
    }
    LifecycleTurn::Hold turn(mLifecycle);
    mIsRecording = false;
}

// Only a paused recording resumes: without one there is nothing to feed.
void UVCPreview::resumeStreaming() {
    if (in_callback()) {
        finish_later([this] { resumeStreaming(); });
        return;
    }
    LifecycleTurn::Hold turn(mLifecycle);
    if (!mRecording.owned() || mIsRecording) {
        LOGE("no paused recording to resume\n");
        return;
    }
    mIsRecording = true;
}

int UVCPreview::recordStart(bool watermark, const char *path) {
    if (in_callback()) {
        const bool withPath = path != nullptr;
        const std::string target = withPath ? path : "";
        return finish_later([this, watermark, withPath, target] {
            recordStart(watermark, withPath ? target.c_str() : nullptr);
        });
    }
    LifecycleTurn::Hold turn(mLifecycle);
    if (!mIsRunning) {
        LOGD("Not running state\n");
        return REC_NOT_RUNNING;
    }
    // A running or paused recording is left alone.
    if (mIsRecording || mRecording.owned()) {
        LOGD("Record already started\n");
        return REC_ALREADY_RECORDING;
    }
    int result = recorder_check_prepared();
    if (result != 0)
        return result;
    if (!mEncoderConfigured) {
        LOGD("Encoder Setting Fail\n");
        return REC_ENCODER_NOT_SET;
    }
    if (m_VideoBitrate <= 0 || m_VideoFPS <= 0) {
        LOGD("Video Bitrate or FPS was not set!\n");
        return REC_VIDEO_NOT_SET;
    }
    if (mWidth % 2 != 0 || mHeight % 2 != 0) {
        LOGE("odd picture size %d x %d cannot be recorded\n", mWidth.load(), mHeight.load());
        return REC_ODD_PICTURE_SIZE;
    }
    if (mRecMode == RECORD_MODE_VIDEO_AUDIO && mSampleRate == 0) {
        LOGD("Audio Samplerate : 0\n");
        return REC_AUDIO_FAILED;
    }
    if (mVideoOnly && !mInternalAudio) {
        LOGD("forced selected REC_MODE_VIDEO\n");
        mRecMode = REC_MODE_VIDEO_ONLY;
    }
    mRecWatermark = watermark;
    const int drawnBefore = mViewCount;
    usleep(DRAW_CHECK_US);
    if (mViewCount == drawnBefore)
        return REC_NO_PICTURES;
    const bool withAudio = mRecMode == RECORD_MODE_VIDEO_AUDIO;
    // Only mode 1 is named video only; an unchosen mode still records like one.
    LOGD("Rec Mode : %s\n", mRecMode == REC_MODE_VIDEO_ONLY ? "VIDEO ONLY" : "VIDEO+AUDIO");

    std::unique_ptr<Recording> recording = Recording::obtain(mEncoderInputFormat, mDebug);
    if (!recording)
        return REC_NO_RECORDER;
    RecorderObject *rec = recording->encoder();
    if (withAudio) {
        rec->SetRecMode(MEDIA_REC_MODE_VIDEO_AUDIO);
    } else {
        LOGD("Video ONLY\n");
        _AUXA_DEV *dev = mAudioDev;
        if (dev && !mVideoOnly) {
            int stopped = AuxaStop(dev);
            if (stopped != 0) {
                LOGD("AuxaStop failed : %d\n", stopped);
                return REC_AUDIO_FAILED;
            }
        }
        rec->SetRecMode(MEDIA_REC_MODE_VIDEO);
    }
    rec->SetRecType(mRecType);
    result = recording->init(mDebug, mEncoderColorFormat);
    if (result != 0)
        return result;

    char defaultPath[PATH_BYTES];
    if (!path) {
        default_record_path(defaultPath);
        path = defaultPath;
    }
    LOGD("recording width : %d, height : %d, path : %s\n", mWidth.load(), mHeight.load(), path);
    if (mRecType == REC_TYPE_LIVE) {
        result = livestream_connect(path);
        if (result != 0)
            return result;
    }

    rec->SetFrameRate(m_VideoFPS);
    rec->SetBitrate(m_VideoBitrate);
    rec->SetIFrameInterval(mIframe_Interval);
    LOGD("fps : %d, bitrate : %d\n", m_VideoFPS, m_VideoBitrate);
    if (withAudio) {
        rec->SetSampleRate(mSampleRate);
        rec->SetBit(mBit);
        rec->SetChannel(mChannel);
        rec->SetAudioByteRate(mSampleRate * (mBit / 8) * mChannel);
    }
    const RecordingTarget target = {
        path,        mWidth, mHeight,  m_VideoFPS,     mRecMode != REC_MODE_VIDEO_ONLY,
        mSampleRate, mBit,   mChannel, mLive.handle(), mErrorNotifyCallback.load(),
        mCameraID,   mDebug};
    result = recording->configure(target);
    if (result == 0) {
        result = rec->Start(mWidth, mHeight, path);
        if (result != 0)
            LOGD("Start fail : %d\n", result);
    }
    if (result != 0) {
        recording.reset();
        mLive.drop();
        return result;
    }
    mRecording.install(std::move(recording));
    mIsRecording = true;
    LOGD("recordStart Success!\n");
    return 0;
}

int UVCPreview::recordStop() {
    if (in_callback())
        return finish_later([this] { recordStop(); });
    LifecycleTurn::Hold turn(mLifecycle);
    LOGD(" IN\n");
    if (!mIsRecording) {
        LOGD("Record not started\n");
        return REC_NOT_RECORDING;
    }
    return end_recording(false);
}

// Stops and releases the recording, logged as recordStop, which stopPreview and the engine's
// end stand for when they end a recording. Writers are shut out and drained first, so nothing
// writes into a recorder being stopped or released. Unless forced, a missing recorder (-52) or a
// failed recorder stop (-54) leaves the recording running; forced, everything is released.
int UVCPreview::end_recording(bool force) {
    mIsRecording = false;
    std::unique_ptr<Recording> recording = mRecording.take();
    if (!recording) {
        LOGD_AS(mDebug, "recordStop", "OMX Not Initialized\n");
        if (!force) {
            mIsRecording = true;
            return REC_RECORDER_FAILED;
        }
    } else if (recording->encoder()->Stop() != 0) {
        LOGD_AS(mDebug, "recordStop", "%s", Recording::stop_failure_text());
        if (!force) {
            mRecording.install(std::move(recording));
            mIsRecording = true;
            return REC_STOP_FAILED;
        }
    }
    const bool unitsLost = recording && recording->units_lost();
    recording.reset();
    const int result = livestream_stop();
    LOGD_AS(mDebug, "recordStop", " OUT\n");
    return result == 0 && unitsLost ? REC_UNITS_LOST : result;
}

// Ends whatever recording is left, running or paused, when the preview stops or the engine
// goes: the file is finished and every recorder, muxer and library instance is released.
void UVCPreview::finish_recording() {
    if (mIsRecording || mRecording.owned()) {
        LOGD_AS(mDebug, "recordStop", " IN\n");
        end_recording(true);
    }
    mLive.drop();
}

// The draw thread's recording step for a picture it has drawn. False when the picture must go
// back to its pool rather than on to the raw-frame queue.
bool UVCPreview::record_picture(uvc_frame_t *frame) {
    GatedSlot<Recording>::Pass pass(mRecording);
    Recording *recording = pass.get();
    if (!recording || !mIsRecording)
        return true;
    const bool watermarked = mRecWatermark || mRecType == REC_TYPE_LIVE;
    int64_t timeUs = 0;
    if (watermarked) {
        addWaterMark(frame);
        timeUs = getcurtime();
    }
    return recording->write_picture(frame, watermarked, timeUs, mEncoderColorFormat);
}
