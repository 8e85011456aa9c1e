// Still image: the camera's still button, the still buffer, still resolutions and the start of
// the still threads with the stream.
#include <string.h>

#include <algorithm>

#include "UVCPreview.h"
#include "engine_results.h"
#include "logging.h"

namespace {

// Ints of a still resolution list: the count, then up to 49 width/height pairs.
const int RESOLUTION_LIST_INTS = 100;

// Fills `list` with the still sizes of MJPEG, or of YUYV when the camera has no MJPEG stills.
int read_still_resolutions(uvc_device_handle_t *devh, int *list) {
    if (uvc_get_current_resolution(devh, PIXEL_FORMAT_MJPEG, list) == UVC_SUCCESS)
        return 0;
    if (uvc_get_current_resolution(devh, PIXEL_FORMAT_YUYV, list) == UVC_SUCCESS)
        return 0;
    return STILL_RESOLUTIONS_UNKNOWN;
}

}  // namespace

// The status interrupt of the camera; only a press of the still button (streaming class, data
// 0 then 1) does anything.
void UVCPreview::uvc_Interrupt_callback(enum uvc_status_class status_class, int /*event*/,
                                        int /*selector*/,
                                        enum uvc_status_attribute /*status_attribute*/, void *data,
                                        size_t data_len, void *vptr_args) {
    UVCPreview *preview = static_cast<UVCPreview *>(vptr_args);
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    if (!preview || status_class != UVC_STATUS_CLASS_STREAMING || !bytes || data_len < 2 ||
        bytes[0] != 0 || bytes[1] != 1)
        return;
    // A press while the engine is stopped would otherwise turn into a still of the next run.
    if (!preview->mIsRunning)
        return;
    if (preview->mStillMethod == 1)
        preview->mStills.request_frame();
    else if (preview->mStillMethod == 2)
        preview->mStills.press();
}

// A new run starts with a usable still button: the stop requests of the last run, a still the
// camera never sent and presses made while stopped are forgotten. No still thread runs here.
void UVCPreview::reset_still_state() {
    mStills.reset();
    // The stream format may change between runs; the kind follows the new stream.
    mStillPixfmt = 0;
}

// Asks the camera for its still method and allocates the still buffer. False when the stream
// has to run without the still trigger and the still threads.
bool UVCPreview::prepare_still() {
    mStillMethod = uvc_get_StillMethod(mDeviceHandle);
    if (mStillMethod == 1) {
        mStills.replace_buffer(mWidth * mHeight * 4);
        mStillPixfmt = mPixelFormat == PIXEL_FORMAT_MJPEG ? 2 : 1;
    } else if (mStillMethod == 2) {
        return allocate_StillImageBuf() == 0;
    }
    return true;
}

void UVCPreview::start_still_threads(PreviewRun &run) {
    uvc_set_status_callback(mDeviceHandle, uvc_Interrupt_callback, this);
    if (run.mStillThread.start(still_cmd_thread, this) != 0)
        LOGD("mStillThread could not be created");
    if (run.mStillWriteThread.start(StillWriteThread, this) != 0)
        LOGD("mStillWriteThread could not be created");
}

// The still buffer of a camera with dedicated still frames holds the largest still: the widest
// width and the highest height, even when no single still size has both. The sizes of both
// formats count, so that a YUYV still larger than every MJPEG one is not cut short.
int UVCPreview::allocate_StillImageBuf() {
    int width = 0, height = 0;
    bool listed = false;
    for (int format : {PIXEL_FORMAT_MJPEG, PIXEL_FORMAT_YUYV}) {
        int list[RESOLUTION_LIST_INTS];
        memset(list, 0, sizeof(list));
        if (uvc_get_current_resolution(mDeviceHandle, format, list) != UVC_SUCCESS)
            continue;
        listed = true;
        if (list[0] == 0) {
            width = std::max(width, mWidth.load());
            height = std::max(height, mHeight.load());
        }
        const int pairs = std::min(list[0], (RESOLUTION_LIST_INTS - 1) / 2);
        for (int i = 0; i < pairs; i++) {
            width = std::max(width, list[1 + 2 * i]);
            height = std::max(height, list[2 + 2 * i]);
        }
    }
    if (!listed)
        return STILL_RESOLUTIONS_UNKNOWN;
    LOGD("maximum width : %d, height : %d\n", width, height);
    mStills.replace_buffer(width * height * 4);
    return 0;
}

int UVCPreview::getCameraStillResolution(int *list) {
    if (!list) {
        LOGD("argument buffer was NULL\n");
        return ENGINE_NULL_ARGUMENT;
    }
    return read_still_resolutions(mDeviceHandle, list);
}

// Takes effect with the next still (index) and the next start of the still write thread (size).
void UVCPreview::setStillResolutionIndex(int index, int width, int height) {
    mStillIndex = index;
    mStillWidth = width;
    mStillHeight = height;
}
