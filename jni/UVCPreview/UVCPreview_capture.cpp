// Capture surface, and the hand-over of the next converted picture into an application buffer.
#include <errno.h>
#include <string.h>
#include <sys/time.h>

#include "UVCPreview.h"
#include "engine_results.h"
#include "logging.h"
#include "picture_order.h"

namespace {

const int CAPTURE_TIMEOUT_SECONDS = 5;

}  // namespace

int UVCPreview::get_capture_buffer(char *data, int *info, int size) {
    LOGD("get_capture_buffer IN");
    if (!mIsRunning)
        return CAPTURE_NOT_RUNNING;
    if (!data)
        return ENGINE_NULL_ARGUMENT;
    if (size < picture_bytes(mWidth, mHeight, 4) || !info)
        return ENGINE_NULL_ARGUMENT;
    if (!isCallbackRunning()) {
        LOGD("callback function has problem.");
        return CAPTURE_NO_PICTURE;
    }

    struct timeval now;
    gettimeofday(&now, nullptr);
    struct timespec deadline;
    deadline.tv_sec = now.tv_sec + CAPTURE_TIMEOUT_SECONDS;
    deadline.tv_nsec = now.tv_usec * 1000L;
    info[0] = info[1] = info[2] = 0;

    int result;
    mCapBufMutex.lock();
    // A caller still waiting loses its place to this one and learns so at once.
    if (mcap_buf.buffer)
        mCapBufSync.notify_all();
    const unsigned ticket = ++mCaptureTicket;
    mcap_buf.buffer = data;
    mcap_buf.capture_bytes = 0;
    mcap_buf.buffer_size = size;
    mcap_buf.buffer_small = 0;
    LOGD("wait start");
    mCaptureRequest = 1;
    for (;;) {
        if (ticket != mCaptureTicket) {
            LOGD("capture request replaced by a newer one");
            result = CAPTURE_NO_PICTURE;
            break;
        }
        const bool served = mCaptureRequest == 0;
        if (!served && mIsRunning) {
            int waited = mCapBufSync.wait_until(mCapBufMutex, deadline);
            if (waited == 0)
                continue;
            if (waited == ETIMEDOUT) {
                LOGD("wait timeout");
                result = CAPTURE_TIMED_OUT;
            } else {
                LOGD("pthread_cond_timedwait failed : %d", waited);
                result = CAPTURE_WAIT_FAILED;
            }
            break;
        }
        LOGD("wait wakeup");
        if (mcap_buf.buffer_small) {
            LOGD("buffer too small");
            result = CAPTURE_BUFFER_TOO_SMALL;
        } else if (mcap_buf.capture_bytes <= 0 || !mIsRunning) {
            LOGD("mcap_buf.capture_bytes is 0 or not running state");
            result = CAPTURE_NO_PICTURE;
        } else {
            info[0] = mPixelFormat;
            info[1] = mWidth;
            info[2] = mHeight;
            result = mcap_buf.capture_bytes;
        }
        break;
    }
    // Only the current request owns the shared record; a replaced caller leaves it alone.
    if (ticket == mCaptureTicket)
        mcap_buf.buffer = nullptr;
    mCapBufMutex.unlock();
    LOGD("get_capture_buffer OUT");
    return result;
}

// Serves a pending capture with the picture just converted; the picture itself goes on.
void UVCPreview::serve_capture_request(uvc_frame_t *frame) {
    mCapBufMutex.lock();
    if (!frame) {
        // Nothing to copy: the caller learns it now (-5) instead of after the time-out.
        LOGD("frame is null");
    } else if (!mcap_buf.buffer) {
        LOGD("buffer allocate failed");
    } else if ((unsigned)mcap_buf.buffer_size < (unsigned)frame->data_bytes) {
        LOGD("mcap_buf.buffer_size : %d < frame->data_bytes : %d", mcap_buf.buffer_size,
             (int)frame->data_bytes);
        mcap_buf.buffer_small = 1;
    } else {
        copy_as_rgbx(frame, reinterpret_cast<uint8_t *>(mcap_buf.buffer), frame->data_bytes);
        mcap_buf.capture_bytes = (int32_t)frame->data_bytes;
        LOGD("copy %d bytes", mcap_buf.capture_bytes);
    }
    mCaptureRequest = 0;
    mCapBufSync.notify_all();
    mCapBufMutex.unlock();
}

int UVCPreview::setCaptureDisplay(ANativeWindow *window) {
    mCaptureMutex.lock();
    if (window != mCaptureWindow) {
        if (mCaptureWindow)
            ANativeWindow_release(mCaptureWindow);
        mCaptureWindow = window;
    } else if (window) {
        // Every hand-over carries a reference; the window is held once.
        ANativeWindow_release(window);
    }
    mCaptureMutex.unlock();
    return 0;
}

void UVCPreview::clearCaptureFrame() {
    mCaptureMutex.lock();
    if (mCaptureFrame)
        uvc_free_frame(mCaptureFrame);
    mCaptureFrame = nullptr;
    mCaptureMutex.unlock();
}
