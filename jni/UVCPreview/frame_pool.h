// Picture frames of one size, kept from one run to the next. Every frame a pool hands out
// knows its pool, so whoever ends up holding it gives it back without knowing where it came
// from. Free frames are all zeros: a frame goes back zero-filled as far as its writer wrote.
#pragma once

#include <stddef.h>

#include <atomic>
#include <vector>

#include "libuvc/libuvc.h"
#include "thread_annotations.h"

class FramePool {
  public:
    FramePool() = default;
    ~FramePool();
    FramePool(const FramePool &) = delete;
    FramePool &operator=(const FramePool &) = delete;

    // Frames of another size are freed; frames of this size stay. Only while no frame is out.
    void set_frame_bytes(size_t bytes);
    size_t frame_bytes() const { return mFrameBytes; }
    // Tops the pool up to `count` frames; returns how many could not be allocated.
    int fill(int count);
    // The first free frame, marked in use, or a new one when every frame is out (`grew` then
    // says so); null when no frame can be allocated.
    uvc_frame_t *take(bool *grew);
    // Gives a frame back to the pool it came from; null is ignored.
    static void give_back(uvc_frame_t *frame);
    // At the end of a run: frames still out (those of cleared queues) go back zero-filled.
    void recycle();
    // Frees every frame.
    void clear();
    // Takes the page faults of up to `count` frames now, so that their first write does not.
    void fault_in_frames(int count);

    int size() const;
    int in_use() const;

  private:
    struct Frame;
    Frame *new_frame(size_t bytes);
    void give(Frame *frame);
    static void clear_written(uvc_frame_t *frame, size_t frameBytes);

    mutable Mutex mMutex;
    std::vector<Frame *> mFrames GUARDED_BY(mMutex);
    std::atomic<size_t> mFrameBytes{0};
};
