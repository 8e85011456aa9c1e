#include "in_order_handoff.h"

#include <algorithm>

InOrderHandOff::InOrderHandOff(size_t tickets, Deliver deliver)
    : mDeliver(std::move(deliver)), mSlots(tickets) {}

long InOrderHandOff::draw(long most) {
    MutexLock lock(mMutex);
    if (mDrawn - mHandedOn >= std::min(most, (long)mSlots.size()))
        return -1;
    Slot &slot = mSlots[mDrawn % mSlots.size()];
    slot.ticket = mDrawn;
    slot.done = false;
    return mDrawn++;
}

void InOrderHandOff::finish(long ticket, uvc_frame_t *picture, bool decoded) {
    {
        MutexLock lock(mMutex);
        Slot &slot = mSlots[ticket % mSlots.size()];
        slot.done = true;
        slot.picture = picture;
        slot.decoded = decoded;
        if (mHanding)
            return;  // the thread handing on takes this one too when its turn comes
        mHanding = true;
    }
    for (;;) {
        uvc_frame_t *due;
        bool dueDecoded;
        {
            MutexLock lock(mMutex);
            Slot &slot = mSlots[mHandedOn % mSlots.size()];
            if (mHandedOn == mDrawn || slot.ticket != mHandedOn || !slot.done) {
                mHanding = false;
                return;
            }
            due = slot.picture;
            dueDecoded = slot.decoded;
            slot.done = false;
            mHandedOn++;
        }
        mDeliver(due, dueDecoded);
    }
}
