// Construction, destruction and the small setters and state accessors of the engine.
#include "UVCPreview.h"

#include <stdlib.h>
#include <string.h>

#include "UVCPreview_audio.h"
#include "error_codes.h"
#include "finisher.h"
#include "logging.h"
#include "recording.h"

UVCPreview::UVCPreview(uvc_device_handle_t *devh)
    : mAudioVolumeCallback(nullptr),
      mStillTriggerCallback(nullptr),
      mFirstPreviewCallback(nullptr),
      mRawdataCallback(nullptr),
      mErrorNotifyCallback(nullptr),
      mDeviceHandle(devh),
      mPreviewWindow(nullptr),
      mIsRunning(false),
      mRequestWidth(0),
      mRequestHeight(0),
      mRequestFrame(0),
      mFrameWidth(640),
      mFrameHeight(480),
      mFrameBytes(640 * 480 * 2),
      mPreviewFrames(1, WhenFull::refuseNewest),
      mPreviewWindowFormat(WINDOW_FORMAT_RGBA_8888),
      mPreviewBytes(640 * 480 * 4),
      mIsCapturing(false),
      mCaptureWindow(nullptr),
      mCaptureThread(),
      mCaptureFrame(nullptr),
      mPixelFormat(0),
      mWidth(640),
      mHeight(480),
      mFrameIndex(0),
      mCaptureRequest(0),
      mStartStatus(0),
      mCallbackRunning(false),
      mDebug(false),
      _jpegDecompressor(nullptr),
      mDrawJpegDecompressor(nullptr),
      mDrawFrames(MAX_QUEUED_PICTURES, WhenFull::refuseNewest),
      mViewCount(0),
      mIsRecording(false),
      mEncoderConfigured(0),
      mEncoderColorFormat(0),
      mRecWatermark(false),
      m_VideoFPS(0),
      m_VideoBitrate(0),
      mAudioDev(nullptr),
      mSampleRate(0),
      mBit(0),
      mChannel(0),
      mRecMode(0),
      mSDKVersion(0),
      mCtControls(0),
      mPuControls(0),
      mEnableIT(),
      mEnablePU(),
      mStillIndex(0),
      mVid(0),
      mPid(0),
      mWatermark_buf(nullptr),
      mWatermarkWidth(0),
      mWatermarkHeight(0),
      mWatermarkX(0),
      mWatermarkY(0),
      mWatermarkMode(0),
      mUserWatermark_buf(nullptr),
      mUserWatermarkWidth(0),
      mUserWatermarkHeight(0),
      mUserWatermarkX(0),
      mUserWatermarkY(0),
      mUserWatermarkMode(0),
      mWatermark1(nullptr),
      mStillPixfmt(0),
      mStillWidth(0),
      mStillHeight(0),
      mVideoOnly(false),
      mAudioFrames(AUDIO_QUEUE_MAX_BLOCKS, WhenFull::dropOldest),
      mRecType(16),
      mFirstPreviewNotified(false),
      mInternalAudio(false),
      mStillMethod(0),
      mRawdataFrames(MAX_QUEUED_PICTURES, WhenFull::refuseNewest),
      mCameraID(0),
      m_TlinkWaitTime(5000),
      mTlinkMode(1),
      mDenoiseDst(nullptr),
      mDeBlock(1),
      mIframe_Interval(1),
      mForceAudioSamplerete(0),
      mPreviewThreadAlive(false),
      mResolutionPending(false),
      mPendingResolution() {
    reset_last_error();
    memset(mDiagData, 0, sizeof(mDiagData));
    memset(&mcap_buf, 0, sizeof(mcap_buf));

    _jpegDecompressor = tjInitDecompress();
    if (!_jpegDecompressor) {
        LOGE("%s", tjGetErrorStr());
    }
    mDrawJpegDecompressor = tjInitDecompress();

    if (getUVCControlStatus() != 0)
        LOGD("getUVCControlStatus fail\n");
}

// The camera object stops the engine first; a run left over is ended here. Never called from
// a callback: whoever deletes the engine there hands the deletion to the finisher.
UVCPreview::~UVCPreview() {
    Finisher::instance().forget(this);
    LifecycleTurn::Hold turn(mLifecycle);
    if (mRun)
        stopPreview();
    LOGD("%s IN\n", "~UVCPreview");
    finish_recording();
    free(mWatermark_buf);
    mWatermark_buf = nullptr;
    free(mUserWatermark_buf);
    mUserWatermark_buf = nullptr;
    free(mWatermark1);
    mWatermark1 = nullptr;
    if (_AUXA_DEV *dev = mAudioDev.exchange(nullptr))
        AuxaStop(dev);
    if (mPreviewWindow)
        ANativeWindow_release(mPreviewWindow);
    mPreviewWindow = nullptr;
    if (mCaptureWindow)
        ANativeWindow_release(mCaptureWindow);
    mCaptureWindow = nullptr;
    clearPreviewFrame();
    clearCaptureFrame();
    clearSharedFrame();
    if (_jpegDecompressor)
        tjDestroy(_jpegDecompressor);
    _jpegDecompressor = nullptr;
    if (mDrawJpegDecompressor)
        tjDestroy(mDrawJpegDecompressor);
    mDrawJpegDecompressor = nullptr;

    LOGD("%s OUT\n", "~UVCPreview");
}

const char *UVCPreview::getLastErr() {
    return last_error_text();
}

void UVCPreview::setfunction(StillTriggerCallback fn) {
    if (!fn) {
        LOGD("fnptr == NULL");
        return;
    }
    mStillTriggerCallback = fn;
}

void UVCPreview::setDebug(bool debug) {
    mDebug = debug;
}

void UVCPreview::setVIDPID(int vid, int pid) {
    mVid = vid;
    mPid = pid;
}

void UVCPreview::SetCameraID(long id) {
    mCameraID = id;
}

long UVCPreview::getCameraID() {
    return mCameraID;
}

void UVCPreview::SetErrorNotifyCallback(ErrorNotifyCallback fn) {
    mErrorNotifyCallback = fn;
}

void UVCPreview::setFirstPreviewCallback(FirstPreviewCallback fn) {
    mFirstPreviewCallback = fn;
}

int UVCPreview::CameraIsRunning() {
    return mIsRunning ? 1 : 0;
}

int UVCPreview::getStartStatus() {
    return mStartStatus;
}

int UVCPreview::isCallbackRunning() {
    return mCallbackRunning ? 1 : 0;
}

void UVCPreview::setAudioObject(_AUXA_DEV *dev) {
    mAudioDev = dev;
}

void UVCPreview::setRecMode(int mode) {
    mRecMode = mode;
}

int UVCPreview::finish_later(std::function<void()> operation) {
    Finisher::instance().hand_over(this, std::move(operation));
    return 0;
}
