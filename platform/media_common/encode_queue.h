// Bounded hand-over of pictures and sound from the writing threads to the encoder thread.
//
// A writer acquires a job (a recycled buffer), fills it without holding the lock and pushes
// it. Each kind has its own limit on jobs in flight (being filled, queued or encoded), so a
// writer never waits: when its kind is at the limit, acquire fails at once.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

enum class JobKind { kVideo = 0, kAudio = 1 };

struct EncodeJob {
    JobKind kind = JobKind::kVideo;
    int64_t time_us = 0;
    std::vector<uint8_t> data;
};

class EncodeQueue {
  public:
    EncodeQueue(size_t video_limit, size_t audio_limit);

    // Opens the queue for a new run whose pictures have `picture_bytes` bytes.
    void open(size_t picture_bytes);
    // Refuses new jobs, waits until no writer is filling one, and lets pop drain the rest.
    void close();
    // Frees the recycled buffers.
    void trim();

    // A job of `bytes` bytes (a picture's size for video); false when closed or when `kind`
    // is at its limit.
    bool acquire(JobKind kind, size_t bytes, EncodeJob *job);
    // Queues a filled job; false (job recycled) when the queue was closed meanwhile.
    bool push(EncodeJob job);
    // Gives an acquired job back unfilled.
    void cancel(EncodeJob job);
    // Gives a popped job back after encoding.
    void recycle(EncodeJob job);
    // Waits for the next job; false once closed and empty.
    bool pop(EncodeJob *job);

    size_t pending();

  private:
    void recycleLocked(EncodeJob job);

    const size_t limits_[2];
    std::mutex mutex_;  // guards every member below
    std::condition_variable changed_;
    std::deque<EncodeJob> pending_;
    std::vector<std::vector<uint8_t>> spare_;
    size_t in_flight_[2] = {0, 0};
    int filling_ = 0;
    size_t picture_bytes_ = 0;
    bool open_ = false;
};
