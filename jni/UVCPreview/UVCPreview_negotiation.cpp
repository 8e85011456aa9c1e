// Choice of stream format and size, negotiation with the camera and the diagnostic array.
#include "UVCPreview.h"
#include "engine_results.h"
#include "logging.h"

namespace {

// Camera that only streams H.264 through the second negotiation call.
const int H264_CAMERA_VID = 0x041E;
const int H264_CAMERA_PID = 0x4057;

// Stream used when the camera does not answer the diagnostic query.
const int FALLBACK_WIDTH = 640;
const int FALLBACK_HEIGHT = 480;

const char *format_name(int pixelFormat) {
    return pixelFormat == PIXEL_FORMAT_MJPEG ? "MJPEG Format" : "YUYV Format";
}

}  // namespace

void UVCPreview::set_UVC_Resolution(int pixelFormat, int width, int height, int frame) {
    mPreviewMutex.lock();
    if (mPreviewThreadAlive) {
        // The preview thread reads and writes the size until it ends; the wish waits for the
        // next start.
        mPendingResolution[0] = pixelFormat;
        mPendingResolution[1] = width;
        mPendingResolution[2] = height;
        mPendingResolution[3] = frame;
        mResolutionPending = true;
    } else {
        // The newest wish wins over one held from a run that has ended.
        mResolutionPending = false;
        mPixelFormat = pixelFormat;
        mWidth = width;
        mHeight = height;
        mFrameIndex = frame;
    }
    mPreviewMutex.unlock();
}

int UVCPreview::get_UVC_DiagData(int *out) {
    if (!out) {
        LOGD("ptr is NULL\n");
        return ENGINE_NULL_ARGUMENT;
    }
    // Only a query: the preview thread applies the fallback for a failed one, so a query from
    // Java never changes a running stream or the next start.
    int result = uvc_get_devInfo(mDeviceHandle, out + 1, out);
    if (result != 0) {
        LOGD("uvc_get_devInfo fail : %d", result);
        return DIAGNOSTIC_QUERY_FAILED;
    }
    LOGD("uvc_get_devInfo Success");
    return 0;
}

int UVCPreview::getCurrentResolutionIdx() {
    return uvc_get_current_resolution_Index(mDeviceHandle, mPixelFormat, mWidth, mHeight);
}

int UVCPreview::prepare_preview(uvc_stream_ctrl_t *ctrl) {
    if (get_UVC_DiagData(mDiagData) == 0) {
        if (mWidth == 0 && mHeight == 0 && mPixelFormat == 0 && mFrameIndex == 0) {
            mRequestWidth = mWidth = mDiagData[2];
            mRequestHeight = mHeight = mDiagData[3];
            mRequestFrame = mFrameIndex = mDiagData[4];
            mPixelFormat =
                mDiagData[1] == PIXEL_FORMAT_MJPEG ? PIXEL_FORMAT_MJPEG : PIXEL_FORMAT_YUYV;
        } else {
            mRequestWidth = mWidth.load();
            mRequestHeight = mHeight.load();
            mRequestFrame = mFrameIndex;
            LOGD("App Setting PixelFormat : %s, width : %d, height : %d, Frame : %d",
                 format_name(mPixelFormat), mWidth.load(), mHeight.load(), mFrameIndex.load());
        }
        LOGD("pixelFormat : %s", format_name(mPixelFormat));
    } else {
        // YUYV 640 x 480 fallback; the pools and conversions are sized by the same values.
        mPixelFormat = PIXEL_FORMAT_YUYV;
        mRequestWidth = mWidth = FALLBACK_WIDTH;
        mRequestHeight = mHeight = FALLBACK_HEIGHT;
    }
    LOGD("mWidth : %d, mHeight : %d", mWidth.load(), mHeight.load());

    int result;
    if (mVid == H264_CAMERA_VID && mPid == H264_CAMERA_PID) {
        result = uvc_get_stream_ctrl_format_size1(mDeviceHandle, ctrl, mPixelFormat, mRequestWidth,
                                                  mRequestHeight, mRequestFrame, 2);
        mPixelFormat = PIXEL_FORMAT_H264;
    } else {
        result = uvc_get_stream_ctrl_format_size(mDeviceHandle, ctrl, mPixelFormat, mRequestWidth,
                                                 mRequestHeight, mRequestFrame);
    }
    if (result != 0) {
        LOGE(
            "could not negotiate with camera:err=%d, pixelformat : %s, width : %d, height : %d, "
            "frame : %d",
            result, format_name(mPixelFormat), mWidth.load(), mHeight.load(), mRequestFrame);
        return result;
    }
    LOGD("Set PixelFormat : %s width : %d, height : %d", format_name(mPixelFormat),
         mRequestWidth.load(), mRequestHeight.load());

    uvc_frame_desc_t desc;
    result = uvc_get_frame_desc(mDeviceHandle, ctrl, &desc);
    // The frame size is also read by setPreviewDisplay, under the same lock.
    mPreviewMutex.lock();
    if (result == 0) {
        mFrameWidth = desc.wWidth;
        mFrameHeight = desc.wHeight;
        LOGD("frameSize=(%d,%d)", mFrameWidth, mFrameHeight);
        // A wish that left the size to the camera (a frame index alone) takes the size the
        // camera streams: the pools and pictures are sized from it.
        if (mWidth == 0 || mHeight == 0) {
            mWidth = mFrameWidth;
            mHeight = mFrameHeight;
        }
        if (mPreviewWindow) {
            ANativeWindow_setBuffersGeometry(mPreviewWindow, mFrameWidth, mFrameHeight,
                                             mPreviewWindowFormat);
        }
    } else {
        mFrameWidth = mRequestWidth;
        mFrameHeight = mRequestHeight;
    }
    mPreviewMutex.unlock();
    mFrameBytes = mFrameWidth * mFrameHeight * 2;
    mPreviewBytes = mFrameWidth * mFrameHeight * 4;
    return result;
}
