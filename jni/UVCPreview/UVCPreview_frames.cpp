// Frame pools, the camera library's frame callback and the one-place preview queue.
#include <string.h>

#include <algorithm>
#include <atomic>

#include "UVCPreview.h"
#include "logging.h"

namespace {

const int INITIAL_POOL_FRAMES = 5;
// Converted-pool frames faulted in before a stream that decodes into them: the first picture
// and the one decoded while a reader still holds it.
const int PREFAULTED_FRAMES = 2;

// Frames seen by the frame callback of every engine, for the thinned debug line.
std::atomic<int> g_frameCount(0);

}  // namespace

// Tops a pool up to its initial frames; frames it grew to earlier stay.
void UVCPreview::fill_pool(FramePool &pool, const char *caller) {
    pool.set_frame_bytes(pool_frame_bytes());
    for (int missing = pool.fill(INITIAL_POOL_FRAMES); missing > 0; missing--)
        LOGD_AS(mDebug, caller, "uvc_allocate_frame failed\n");
}

// Runs before the stream starts, so that the first camera frame never waits for an
// allocation. The pools keep their frames from one stream to the next while the picture size
// stays the same: a restart finds every buffer allocated, and the pages earlier runs wrote
// still mapped.
void UVCPreview::init_sharedframe() {
    const size_t bytes = pool_frame_bytes();
    LOGD("rawsize : %d convsize :%d\n", (int)bytes, (int)bytes);
    fill_pool(mSharedFrame_raw, __FUNCTION__);
    fill_pool(mSharedFrame_conv, __FUNCTION__);
    // Pictures that go straight into the window never touch the converted pool; the others
    // would take their page faults on the way to the surface (at 1080p, more than the rest of
    // a restart's first picture), so they take them here, before the camera streams.
    if (mPixelFormat == PIXEL_FORMAT_H264 || readers_after_window())
        mSharedFrame_conv.fault_in_frames(PREFAULTED_FRAMES);
}

void UVCPreview::clearSharedFrame() {
    LOGD("mSharedFrame_raw.size() : %d\n", mSharedFrame_raw.size());
    mSharedFrame_raw.clear();
    LOGD("mSharedFrame_conv.size() : %d\n", mSharedFrame_conv.size());
    mSharedFrame_conv.clear();
}

// At stop: frames left out (those of the cleared queues) go back zero-filled; the pools keep
// every frame for the next start.
void UVCPreview::recycleSharedFrames() {
    LOGD("mSharedFrame_raw.size() : %d\n", mSharedFrame_raw.size());
    mSharedFrame_raw.recycle();
    LOGD("mSharedFrame_conv.size() : %d\n", mSharedFrame_conv.size());
    mSharedFrame_conv.recycle();
}

// Hands out the first free frame of a pool, growing the pool by one when all are in use.
uvc_frame_t *UVCPreview::take_pool_frame(FramePool &pool, const char *caller) {
    if (!mIsRunning)
        return nullptr;
    bool grew = false;
    uvc_frame_t *frame = pool.take(&grew);
    if (grew)
        LOGD_AS(mDebug, caller, "alloc new frame!\n");
    return frame;
}

uvc_frame_t *UVCPreview::getSharedFrameRaw() {
    return take_pool_frame(mSharedFrame_raw, __FUNCTION__);
}

uvc_frame_t *UVCPreview::getSharedFrameConv() {
    return take_pool_frame(mSharedFrame_conv, __FUNCTION__);
}

// A frame knows its pool: both go back through it.
void UVCPreview::freeSharedFrameRaw(uvc_frame_t *frame) {
    FramePool::give_back(frame);
}

void UVCPreview::freeSharedFrameConv(uvc_frame_t *frame) {
    FramePool::give_back(frame);
}

void UVCPreview::uvc_preview_frame_callback(uvc_frame_t *frame, void *vptr_args) {
    UVCPreview *preview = static_cast<UVCPreview *>(vptr_args);
    const bool mDebug = preview->mDebug;  // the debug form reads the engine's flag
    if (!preview->mIsRunning) {
        LOGE("Not Running state\n");
        return;
    }
    if (!frame || !frame->frame_format || !frame->data || !frame->data_bytes) {
        LOGE("!frame || !frame->frame_format || !frame->data || !frame->data_bytes\n");
        return;
    }
    if (mDebug) {
        int count = ++g_frameCount;
        if (count % 500 == 1)
            LOGD("frame_cnt = %d\n", count);
    }

    if (frame->is_still == 1 && preview->mStillMethod == 2) {
        if (preview->mStills.put(frame->data, (int)frame->actual_bytes) < 0)
            frame->is_still = 0;
        return;
    }

    const bool sizeOk = (int)frame->frame_format == PIXEL_FORMAT_MJPEG ||
                        (int)frame->actual_bytes >= preview->mFrameBytes;
    if (!sizeOk || (int)frame->width != preview->mFrameWidth ||
        (int)frame->height != preview->mFrameHeight) {
        LOGE("broken frame!:format=%d,actual_bytes=%d/%d(%d,%d/%d,%d)", frame->frame_format,
             (int)frame->actual_bytes, preview->mFrameBytes, frame->width, frame->height,
             preview->mFrameWidth, preview->mFrameHeight);
        return;
    }

    if (!preview->mIsRunning)
        return;
    uvc_frame_t *copy = preview->getSharedFrameRaw();
    if (!copy) {
        LOGE("copy == NULL\n");
        return;
    }
    if (uvc_copy_frame(frame, copy) != 0) {
        LOGE("uvc_copy_frame fail. frame->data_bytes : %d copy->data_bytes : %d\n",
             (int)frame->data_bytes, (int)copy->data_bytes);
        preview->freeSharedFrameRaw(copy);
        return;
    }
    preview->addPreviewFrame(copy);
}

void UVCPreview::addPreviewFrame(uvc_frame_t *frame) {
    if (uvc_frame_t *refused = mPreviewFrames.put(frame))
        freeSharedFrameRaw(refused);
}

uvc_frame_t *UVCPreview::waitPreviewFrame() {
    uvc_frame_t *frame = mPreviewFrames.take();
    if (!frame)
        LOGD("frame was not prepared");
    return frame;
}

// The frames stay in their pool, which frees them.
void UVCPreview::clearPreviewFrame() {
    mPreviewFrames.take_all();
}
