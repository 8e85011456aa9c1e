#include "frame_pool.h"

#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "zeroed_memory.h"

// The camera library's frame record with the pool it belongs to. The record comes first, so a
// frame pointer is the address of its Frame.
struct FramePool::Frame {
    uvc_frame_t frame;
    FramePool *pool;
};

namespace {

// Asks for huge pages under a frame buffer: every frame sweeps whole buffers, and with small
// pages those sweeps spend a good part of their time on address translation.
void prefer_huge_pages(void *data, size_t bytes) {
    const uintptr_t page = (uintptr_t)sysconf(_SC_PAGESIZE);
    const uintptr_t start = ((uintptr_t)data + page - 1) & ~(page - 1);
    const uintptr_t end = ((uintptr_t)data + bytes) & ~(page - 1);
    if (end > start)
        madvise((void *)start, end - start, MADV_HUGEPAGE);
}

}  // namespace

FramePool::~FramePool() {
    clear();
}

void FramePool::set_frame_bytes(size_t bytes) {
    if (bytes != mFrameBytes) {
        clear();
        mFrameBytes = bytes;
    }
}

// A frame buffer is mapped zeroed (zeroed_memory.h): a page takes memory only when a frame
// first writes it, so filling a pool costs no page faults before the camera streams, and pages
// no frame ever writes take no memory. The record marks the buffer as not the camera library's
// to free.
FramePool::Frame *FramePool::new_frame(size_t bytes) {
    void *data = map_zeroed(bytes);
    if (!data)
        return nullptr;
    Frame *frame = new Frame{};
    frame->pool = this;
    frame->frame.data = data;
    frame->frame.data_bytes = bytes;
    frame->frame.library_owns_data = 1;
    prefer_huge_pages(data, bytes);
    return frame;
}

int FramePool::fill(int count) {
    const size_t bytes = mFrameBytes;
    int missing = 0;
    MutexLock lock(mMutex);
    for (int i = (int)mFrames.size(); i < count; i++) {
        if (Frame *frame = new_frame(bytes))
            mFrames.push_back(frame);
        else
            missing++;
    }
    return missing;
}

uvc_frame_t *FramePool::take(bool *grew) {
    Frame *taken = nullptr;
    {
        MutexLock lock(mMutex);
        for (Frame *frame : mFrames) {
            if (!frame->frame.in_use) {
                taken = frame;
                break;
            }
        }
        if (taken)
            taken->frame.in_use = 1;
    }
    *grew = !taken;
    if (!taken) {
        taken = new_frame(mFrameBytes);
        if (!taken)
            return nullptr;
        taken->frame.in_use = 1;
        MutexLock lock(mMutex);
        mFrames.push_back(taken);
    }
    taken->frame.data_bytes = mFrameBytes;
    taken->frame.frame_format = UVC_FRAME_FORMAT_ANY;  // until its writer says what it holds
    return &taken->frame;
}

void FramePool::give_back(uvc_frame_t *frame) {
    if (!frame)
        return;
    static_assert(std::is_standard_layout<Frame>::value && offsetof(Frame, frame) == 0,
                  "a frame pointer is the address of its Frame");
    Frame *owned = reinterpret_cast<Frame *>(frame);
    owned->pool->give(owned);
}

// Every writer reports in data_bytes how far it wrote (a reader that already cleared the frame
// reports 0), so clearing those bytes clears the whole buffer without a pass over the part that
// was never touched.
void FramePool::clear_written(uvc_frame_t *frame, size_t frameBytes) {
    memset(frame->data, 0, std::min(frame->data_bytes, frameBytes));
    frame->data_bytes = frameBytes;
}

// The frame is still marked in use while it is cleared, so the clear runs outside the mutex and
// never holds up the frame callback.
void FramePool::give(Frame *frame) {
    clear_written(&frame->frame, mFrameBytes);
    MutexLock lock(mMutex);
    frame->frame.in_use = 0;
}

void FramePool::recycle() {
    const size_t bytes = mFrameBytes;
    MutexLock lock(mMutex);
    for (Frame *frame : mFrames) {
        if (frame->frame.in_use) {
            clear_written(&frame->frame, bytes);
            frame->frame.in_use = 0;
        }
    }
}

void FramePool::clear() {
    MutexLock lock(mMutex);
    for (Frame *frame : mFrames) {
        unmap_zeroed(frame->frame.data);
        delete frame;
    }
    mFrames.clear();
}

void FramePool::fault_in_frames(int count) {
    const size_t bytes = mFrameBytes;
    MutexLock lock(mMutex);
    for (int i = 0; i < std::min(count, (int)mFrames.size()); i++)
        fault_in(mFrames[i]->frame.data, bytes);
}

int FramePool::size() const {
    MutexLock lock(mMutex);
    return (int)mFrames.size();
}

int FramePool::in_use() const {
    MutexLock lock(mMutex);
    int count = 0;
    for (const Frame *frame : mFrames)
        count += frame->frame.in_use ? 1 : 0;
    return count;
}
