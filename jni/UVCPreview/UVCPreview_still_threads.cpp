// The still command thread (probe, commit and trigger of a dedicated still frame) and the still
// write thread (conversion and delivery of each still to the application).
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "UVCPreview.h"
#include "logging.h"
#include "zeroed_memory.h"

void *UVCPreview::still_cmd_thread(void *vptr_args) {
    static_cast<UVCPreview *>(vptr_args)->Still_send_thread();
    return nullptr;
}

void *UVCPreview::StillWriteThread(void *vptr_args) {
    static_cast<UVCPreview *>(vptr_args)->StillFileWriteThread();
    return nullptr;
}

void UVCPreview::Still_send_thread() {
    LOGD("Still_send_thread IN\n");
    // What the camera settled on in the last probe read; the next still starts from it.
    uint8_t bFrameIndex = 0;
    uint8_t bCompressionIndex = 200;
    int dwMaxVideoFrameSize = 3072000;
    int dwMaxPayloadTransferSize = 0;

    while (!mStills.command_stopped()) {
        const bool press = mStills.wait_press();
        if (mStills.command_stopped() || !mIsRunning)
            break;
        if (!press)
            continue;

        const int stillIndex = mStillIndex;
        bFrameIndex = (uint8_t)(stillIndex != 0 ? stillIndex : getCurrentResolutionIdx());
        LOGD("Selected frameIdx : %d\n", bFrameIndex);
        LOGD(
            "still probe : frameIdx : %d, bCompressIdx : %d, MaxVideoSize : %d, MaxPayloadSize : "
            "%d\n",
            bFrameIndex, bCompressionIndex, dwMaxVideoFrameSize, dwMaxPayloadTransferSize);
        int result =
            uvc_set_still_probe(mDeviceHandle, bFrameIndex, bCompressionIndex,
                                (uint32_t)dwMaxVideoFrameSize, (uint32_t)dwMaxPayloadTransferSize);
        if (result < 0) {
            LOGD("uvc_set_still_probe fail : %d\n", result);
            mStills.finished();
            continue;
        }
        if (mStillPixfmt == 0)
            mStillPixfmt = result;
        LOGD("uvc_set_still_probe Success\n");

        uint8_t frameIndex, compressionIndex;
        int maxVideoFrameSize, maxPayloadTransferSize;
        result = uvc_get_still_probe(mDeviceHandle, &frameIndex, &compressionIndex,
                                     &maxVideoFrameSize, &maxPayloadTransferSize);
        if (result < 0) {
            LOGD("uvc_get_still_probe fail : %d\n", result);
            mStills.finished();
            continue;
        }
        bFrameIndex = frameIndex;
        bCompressionIndex = compressionIndex;
        dwMaxVideoFrameSize = maxVideoFrameSize;
        dwMaxPayloadTransferSize = maxPayloadTransferSize;
        LOGD("bCompressIdx : 0x%02x, MaxVideoSize : %d, MaxPayloadSize : %d\n", bCompressionIndex,
             dwMaxVideoFrameSize, dwMaxPayloadTransferSize);

        result =
            uvc_set_still_commit(mDeviceHandle, bFrameIndex, bCompressionIndex,
                                 (uint32_t)dwMaxVideoFrameSize, (uint32_t)dwMaxPayloadTransferSize);
        if (result < 0) {
            LOGD("uvc_set_still_commit fail : %d\n", result);
            mStills.finished();
            continue;
        }
        LOGD("uvc_set_still_commit Success\n");

        result = uvc_set_still_image(mDeviceHandle);
        if (result < 0) {
            LOGD("uvc_set_still_image fail : %d\n", result);
            mStills.finished();
            continue;
        }
        // Busy until the still write thread has delivered the picture.
        LOGD("uvc_set_still_image Success\n");
    }
    LOGD("Still_send_thread OUT\n");
}

// Hands one still to the application: YUYV converted to R, G, B, X (kind 1), MJPEG as the
// camera's JPEG bytes (kind 2).
void UVCPreview::deliver_still(uint8_t *still, int size, int width, int height, uvc_frame_t *yuyv,
                               uvc_frame_t *converted) {
    const StillTriggerCallback callback = mStillTriggerCallback;
    const int kind = mStillPixfmt;
    if (kind == 1) {
        LOGD("TYPE : YUYV. stillSize : %d\n", size);
        const size_t yuyvBytes = (size_t)width * height * 2;
        yuyv->width = width;
        yuyv->height = height;
        yuyv->frame_format = UVC_FRAME_FORMAT_YUYV;
        yuyv->step = (size_t)width * 2;
        yuyv->data_bytes = yuyvBytes;
        yuyv->actual_bytes = yuyvBytes;
        // The copy buffer is zero past the still, so a short still brings no old picture back.
        memcpy(yuyv->data, still, yuyvBytes);
        if (uvc_yuyv2rgbx(yuyv, converted) != UVC_SUCCESS) {
            LOGD("uvc_any2rgbx failed\n");
            return;
        }
        if (callback)
            callback(mCameraID, static_cast<char *>(converted->data), width * height * 4, 1);
    } else if (kind == 2) {
        LOGD("TYPE : MJPEG. stillSize : %d\n", size);
        if (callback)
            callback(mCameraID, reinterpret_cast<char *>(still), size, 2);
    } else {
        LOGE("error. mStillPixfmt : %d\n", kind);
    }
}

void UVCPreview::StillFileWriteThread() {
    LOGD("StillFileWriteThread IN\n");
    int width = mStillWidth, height = mStillHeight;
    if (width == 0 && height == 0) {
        width = mWidth;
        height = mHeight;
    }
    // A picture whose R, G, B, X bytes do not fit an int cannot be handed over either.
    if (width <= 0 || height <= 0 || (long long)width * height * 4 > INT_MAX) {
        LOGD("stillWidth == 0 || stillHeight == 0 \n");
        return;
    }
    LOGD("stillWidth : %d, stillHeight : %d\n", width, height);

    // The copy starts zeroed, mapped without being written, and each still's bytes are zeroed
    // again after it: a start does not fault in a picture's worth of memory it may never use,
    // and a still clears only what it wrote.
    const int copyBytes = width * height * 4;
    uint8_t *copy = static_cast<uint8_t *>(map_zeroed(copyBytes));
    uvc_frame_t *yuyv = copy ? uvc_allocate_frame((size_t)width * height * 2) : nullptr;
    if (!yuyv) {
        LOGD("frame == NULL\n");
        unmap_zeroed(copy);
        return;
    }
    uvc_frame_t *converted = uvc_allocate_frame((size_t)copyBytes);
    if (!converted) {
        LOGD("converted == NULL\n");
        uvc_free_frame(yuyv);
        unmap_zeroed(copy);
        return;
    }

    int size = 0;
    while (!mStills.write_stopped()) {
        if (!mStills.take(copy, copyBytes, &size)) {
            LOGD("was not runnung state\n");
            break;
        }
        if (mStills.write_stopped())
            break;
        deliver_still(copy, size, width, height, yuyv, converted);
        memset(copy, 0, size);
        if (mStillMethod == 2)
            mStills.finished();
    }

    uvc_free_frame(converted);
    uvc_free_frame(yuyv);
    unmap_zeroed(copy);
    LOGD("StillFileWriteThread OUT\n");
}
