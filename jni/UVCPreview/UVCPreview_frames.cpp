// Frame pools, the camera library's frame callback and the one-place preview queue.
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "UVCPreview.h"
#include "logging.h"
#include "zeroed_memory.h"

namespace {

const int INITIAL_POOL_FRAMES = 5;
// Converted-pool frames faulted in before a stream that decodes into them: the first picture
// and the one decoded while a reader still holds it.
const int PREFAULTED_FRAMES = 2;

// Asks for huge pages under a pool buffer: every frame sweeps whole buffers, and with small
// pages those sweeps spend a good part of their time on address translation.
void prefer_huge_pages(void *data, size_t bytes) {
    const uintptr_t page = (uintptr_t)sysconf(_SC_PAGESIZE);
    const uintptr_t start = ((uintptr_t)data + page - 1) & ~(page - 1);
    const uintptr_t end = ((uintptr_t)data + bytes) & ~(page - 1);
    if (end > start)
        madvise((void *)start, end - start, MADV_HUGEPAGE);
}

// A pool frame starts all zeros, like every frame given back to its pool. Its buffer is mapped
// zeroed (zeroed_memory.h): a page takes memory only when a frame first writes it. Filling the
// pools then costs no page faults before the camera streams (at 1080p, faulting in ten 8 MB
// buffers took most of the time from startPreview to the first picture), and pages no frame
// ever writes (most of them while pictures go straight into the window) take no memory. The
// record marks the buffer as not the camera library's to free.
uvc_frame_t *allocate_pool_frame(size_t bytes) {
    uvc_frame_t *frame = uvc_allocate_frame(0);
    if (!frame)
        return nullptr;
    frame->data = map_zeroed(bytes);
    if (!frame->data) {
        uvc_free_frame(frame);
        return nullptr;
    }
    frame->data_bytes = bytes;
    frame->library_owns_data = 1;
    prefer_huge_pages(frame->data, bytes);
    return frame;
}

void free_pool_frame(uvc_frame_t *frame) {
    unmap_zeroed(frame->data);
    frame->data = nullptr;
    uvc_free_frame(frame);
}

// Frames seen by the frame callback of every engine, for the thinned debug line.
std::atomic<int> g_frameCount(0);

}  // namespace

// Tops a pool up to its initial frames; frames it grew to earlier stay.
void UVCPreview::fill_pool(ObjectArray<uvc_frame_t *> &pool, pthread_mutex_t *mutex,
                           const char *caller) {
    const size_t bytes = pool_frame_bytes();
    pthread_mutex_lock(mutex);
    for (int i = pool.size(); i < INITIAL_POOL_FRAMES; i++) {
        uvc_frame_t *frame = allocate_pool_frame(bytes);
        if (!frame) {
            LOGD_AS(mDebug, caller, "uvc_allocate_frame failed\n");
            continue;
        }
        frame->in_use = 0;
        pool.put(frame);
    }
    pthread_mutex_unlock(mutex);
}

// Runs before the stream starts, so that the first camera frame never waits for an
// allocation. The pools keep their frames from one stream to the next while the picture size
// stays the same: a restart finds every buffer allocated, and the pages earlier runs wrote
// still mapped.
void UVCPreview::init_sharedframe() {
    const size_t bytes = pool_frame_bytes();
    LOGD("rawsize : %d convsize :%d\n", (int)bytes, (int)bytes);
    if (bytes != mPoolFrameBytes) {
        clearSharedFrame();
        mPoolFrameBytes = bytes;
    }
    fill_pool(mSharedFrame_raw, &mRawPoolMutex, __FUNCTION__);
    fill_pool(mSharedFrame_conv, &mConvPoolMutex, __FUNCTION__);
    // Pictures that go straight into the window never touch the converted pool; the others
    // would take their page faults on the way to the surface (at 1080p, more than the rest of
    // a restart's first picture), so they take them here, before the camera streams.
    if (mPixelFormat == PIXEL_FORMAT_H264 || readers_after_window()) {
        pthread_mutex_lock(&mConvPoolMutex);
        for (int i = 0; i < std::min(mSharedFrame_conv.size(), PREFAULTED_FRAMES); i++)
            fault_in(mSharedFrame_conv[i]->data, bytes);
        pthread_mutex_unlock(&mConvPoolMutex);
    }
}

void UVCPreview::clearSharedFrame() {
    LOGD("mSharedFrame_raw.size() : %d\n", mSharedFrame_raw.size());
    pthread_mutex_lock(&mRawPoolMutex);
    for (int i = 0; i < mSharedFrame_raw.size(); i++) {
        LOGD("%d\n", i);
        free_pool_frame(mSharedFrame_raw[i]);
    }
    mSharedFrame_raw.clear();
    pthread_mutex_unlock(&mRawPoolMutex);

    LOGD("mSharedFrame_conv.size() : %d\n", mSharedFrame_conv.size());
    pthread_mutex_lock(&mConvPoolMutex);
    for (int i = 0; i < mSharedFrame_conv.size(); i++)
        free_pool_frame(mSharedFrame_conv[i]);
    mSharedFrame_conv.clear();
    pthread_mutex_unlock(&mConvPoolMutex);
    mPoolFrameBytes = 0;
}

// At stop: frames left marked in use (those of the cleared queues) go back zero-filled; the
// pools keep every frame for the next start.
void UVCPreview::recycleSharedFrames() {
    LOGD("mSharedFrame_raw.size() : %d\n", mSharedFrame_raw.size());
    recycle_pool(mSharedFrame_raw, &mRawPoolMutex);
    LOGD("mSharedFrame_conv.size() : %d\n", mSharedFrame_conv.size());
    recycle_pool(mSharedFrame_conv, &mConvPoolMutex);
}

void UVCPreview::recycle_pool(ObjectArray<uvc_frame_t *> &pool, pthread_mutex_t *mutex) {
    pthread_mutex_lock(mutex);
    for (int i = 0; i < pool.size(); i++) {
        uvc_frame_t *frame = pool[i];
        if (frame->in_use) {
            memset(frame->data, 0, std::min<size_t>(frame->data_bytes, mPoolFrameBytes));
            frame->data_bytes = mPoolFrameBytes;
            frame->in_use = 0;
        }
    }
    pthread_mutex_unlock(mutex);
}

// Hands out the first free frame of a pool, growing the pool by one when all are in use.
uvc_frame_t *UVCPreview::take_pool_frame(ObjectArray<uvc_frame_t *> &pool, pthread_mutex_t *mutex,
                                         const char *caller) {
    if (!mIsRunning)
        return nullptr;
    const size_t bytes = pool_frame_bytes();
    uvc_frame_t *frame = nullptr;
    pthread_mutex_lock(mutex);
    for (int i = 0; i < pool.size(); i++) {
        if (!pool[i]->in_use) {
            frame = pool[i];
            break;
        }
    }
    if (!frame) {
        LOGD_AS(mDebug, caller, "alloc new frame!\n");
        frame = allocate_pool_frame(bytes);
        if (frame)
            pool.put(frame);
    }
    if (frame) {
        frame->in_use = 1;
        frame->data_bytes = bytes;
        frame->frame_format = UVC_FRAME_FORMAT_ANY;  // until its writer says what it holds
    }
    pthread_mutex_unlock(mutex);
    return frame;
}

// Gives a frame back: it stays in its pool, zero-filled and marked free. Free frames are all
// zeros and every writer reports in data_bytes how far it wrote (a reader that already cleared
// it reports 0), so clearing those bytes clears the whole buffer without a pass over the part
// that was never touched. The frame is still marked in use while it is cleared, so the clear
// runs outside the pool mutex and never holds up the frame callback.
void UVCPreview::give_pool_frame(uvc_frame_t *frame, pthread_mutex_t *mutex) {
    if (!frame)
        return;
    const size_t bytes = pool_frame_bytes();
    memset(frame->data, 0, std::min(frame->data_bytes, bytes));
    frame->data_bytes = bytes;
    pthread_mutex_lock(mutex);
    frame->in_use = 0;
    pthread_mutex_unlock(mutex);
}

uvc_frame_t *UVCPreview::getSharedFrameRaw() {
    return take_pool_frame(mSharedFrame_raw, &mRawPoolMutex, __FUNCTION__);
}

uvc_frame_t *UVCPreview::getSharedFrameConv() {
    return take_pool_frame(mSharedFrame_conv, &mConvPoolMutex, __FUNCTION__);
}

void UVCPreview::freeSharedFrameRaw(uvc_frame_t *frame) {
    give_pool_frame(frame, &mRawPoolMutex);
}

void UVCPreview::freeSharedFrameConv(uvc_frame_t *frame) {
    give_pool_frame(frame, &mConvPoolMutex);
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
        pthread_mutex_lock(&preview->mStillWriteMutex);
        if (preview->mStillImageBuf) {
            int bytes = std::min((int)frame->actual_bytes, preview->mStillImageBufSize);
            memcpy(preview->mStillImageBuf, frame->data, bytes);
            preview->mStillImageSize = bytes;
            pthread_cond_signal(&preview->mStillWriteSync);
        } else {
            frame->is_still = 0;
        }
        pthread_mutex_unlock(&preview->mStillWriteMutex);
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
