// Where a camera's stills meet the run's still threads: button presses on their way to the still
// command thread, and still bytes on their way from the stream to the still write thread. The
// camera library reports presses and still frames on its own threads, so the exchange lives as
// long as the engine; each run resets it when it starts and stops it when it ends.
#pragma once

#include <stdint.h>

#include <atomic>

#include "thread_annotations.h"

class StillExchange {
  public:
    // `running`: the engine's running flag, which ends every wait here once it falls.
    explicit StillExchange(const std::atomic<bool> &running) : mRunning(running) {}
    ~StillExchange();
    StillExchange(const StillExchange &) = delete;
    StillExchange &operator=(const StillExchange &) = delete;

    // A new run: the stops of the last run, a still never taken and presses made while stopped
    // are forgotten.
    void reset();
    // The run ends: both still threads wake and leave.
    void stop();
    bool command_stopped() const { return mStillStop; }
    bool write_stopped() const { return mStillWriteStop; }

    // The buffer stills are copied into, `bytes` long; one of 0 bytes still exists, so stills
    // are then copied with 0 bytes instead of dropped.
    void replace_buffer(int bytes);
    void free_buffer();
    int buffer_bytes();

    // A still from the stream: copies as much as the buffer holds for the write thread. The
    // bytes copied, -1 when there is no buffer.
    int put(const void *data, int bytes);
    // The write thread: waits for a still not taken yet and copies at most `capacity` bytes of
    // it into `dst`, its byte count into *size (left alone when the wait ended without one).
    // False once the engine stopped.
    bool take(uint8_t *dst, int capacity, int *size);

    // Button of a camera without still frames: the next stream frame is the still.
    void request_frame() { mStillRequest = true; }
    bool frame_requested() const { return mStillRequest; }
    // Puts the requested frame, and ends the request when there is a buffer to hold it.
    int put_requested_frame(const void *data, int bytes);

    // Button of a camera with still frames: the command thread runs the still sequence unless
    // one is under way.
    void press();
    // The command thread: waits for a press or the end; true for a press.
    bool wait_press();
    // The still sequence ended (delivered or failed): the button works again.
    void finished();
    bool busy() const { return mStillBusy; }

  private:
    const std::atomic<bool> &mRunning;
    Mutex mStillMutex;
    ConditionVariable mStillSync;
    std::atomic<bool> mStillBusy{false};
    bool mStillCommandPending GUARDED_BY(mStillMutex) = false;  // a press waits for the thread
    std::atomic<bool> mStillStop{false}, mStillWriteStop{false}, mStillRequest{false};
    // The bytes of a still that the still write thread has not taken yet.
    Mutex mStillWriteMutex;
    ConditionVariable mStillWriteSync;
    uint8_t *mStillImageBuf GUARDED_BY(mStillWriteMutex) = nullptr;
    int mStillImageBufSize GUARDED_BY(mStillWriteMutex) = 0;
    int mStillImageSize GUARDED_BY(mStillWriteMutex) = 0;
};
