// Pictures of camera frames that are decoded on several threads, handed on in camera order.
// The preview thread draws a ticket for each frame it takes; whichever thread finishes a frame
// reports its picture (or none) under the ticket, and the thread that finds the oldest
// outstanding ticket finished hands that picture on, and every finished one after it. One
// thread hands on at a time, outside the lock; nobody waits for another's decode.
#pragma once

#include <libuvc/libuvc.h>

#include <functional>
#include <vector>

#include "thread_annotations.h"

class InOrderHandOff {
  public:
    // Takes a finished picture (null: the frame gave none) in camera order; `decoded` tells a
    // picture from a camera frame passed on undecoded.
    using Deliver = std::function<void(uvc_frame_t *picture, bool decoded)>;

    InOrderHandOff(size_t tickets, Deliver deliver);

    // The next ticket; -1 while `most` tickets (at most all) are out: the frame is then dropped.
    long draw(long most);
    // Reports the picture of `ticket` and hands on what is due.
    void finish(long ticket, uvc_frame_t *picture, bool decoded);

  private:
    struct Slot {
        long ticket = -1;
        bool done = false;
        bool decoded = false;
        uvc_frame_t *picture = nullptr;
    };

    const Deliver mDeliver;
    Mutex mMutex;
    std::vector<Slot> mSlots GUARDED_BY(mMutex);
    long mDrawn GUARDED_BY(mMutex) = 0;     // tickets drawn
    long mHandedOn GUARDED_BY(mMutex) = 0;  // tickets handed on: the oldest outstanding one
    bool mHanding GUARDED_BY(mMutex) = false;
};
