// The preview thread's choice between one decode a frame on one thread and whole frames
// decoded side by side by the decode workers: side by side once a decode takes most of the
// camera's frame interval (four fifths), back to one thread once it takes well under half.
#pragma once

#include <libuvc/libuvc.h>
#include <stdint.h>

class DecodePace {
  public:
    // Learns the camera's frame interval from a frame's capture time and number.
    void note_frame(const uvc_frame_t *frame) {
        const int64_t micros =
            (int64_t)frame->capture_time.tv_sec * 1000000 + frame->capture_time.tv_usec;
        const uint32_t gap = frame->sequence - mLastSequence;
        if (mLastMicros > 0 && gap > 0 && gap < 100 && micros > mLastMicros) {
            const int64_t interval = (micros - mLastMicros) / gap;
            mIntervalMicros =
                mIntervalMicros == 0 ? interval : (mIntervalMicros * 7 + interval) / 8;
        }
        mLastMicros = micros;
        mLastSequence = frame->sequence;
    }

    // Whether frames are decoded side by side, given what a whole-frame decode takes.
    bool side_by_side(int64_t decodeMicros) {
        if (mIntervalMicros > 0 && decodeMicros * 10 > mIntervalMicros * 8)
            mSideBySide = true;
        else if (decodeMicros * 20 < mIntervalMicros * 9)
            mSideBySide = false;
        return mSideBySide;
    }

  private:
    int64_t mLastMicros = 0;
    uint32_t mLastSequence = 0;
    int64_t mIntervalMicros = 0;
    bool mSideBySide = false;
};
