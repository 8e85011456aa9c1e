// The decode workers of one preview run: a few threads, each with its own TurboJPEG handle,
// that run decoding tasks (whole MJPEG frames, or bands of one) handed over by the preview and
// draw threads. A task no worker has started yet may be taken back and run by the thread that
// handed it over, so nobody ever waits for a task that is not running.
#pragma once

#include <turbojpeg.h>

#include <atomic>

#include "bounded_queue.h"
#include "worker_thread.h"

struct DecodeTask {
    void (*run)(DecodeTask *task, tjhandle decoder);
};

class DecodeWorkers {
  public:
    static constexpr int kMaxWorkers = 4;
    // Workers for this machine: one a hardware thread, at most kMaxWorkers; none on one core.
    static int count_for_machine();

    DecodeWorkers();
    ~DecodeWorkers() { stop(); }
    DecodeWorkers(const DecodeWorkers &) = delete;
    DecodeWorkers &operator=(const DecodeWorkers &) = delete;

    // Starts `count` workers (fewer when threads cannot be made).
    void start(int count);
    // Ends the workers after the task each is running; tasks not started are left queued.
    void stop();
    int count() const { return mCount; }
    // Whether the calling thread is a decode worker: a frame it decodes is decoded beside
    // others already and is not split again.
    static bool on_worker();

    // Queues a task for the next free worker; false when none will take it (the caller runs it).
    bool hand_over(DecodeTask *task);
    // Runs on the calling thread every queued task no worker has started.
    void run_unstarted(tjhandle decoder);

    // Microseconds a whole-frame decode takes, averaged over the last frames; 0 before the first.
    void record_decode(int64_t micros);
    int64_t decode_micros() const { return mDecodeMicros; }

  private:
    static void *worker_main(void *self);

    BoundedQueue<DecodeTask *> mTasks;
    WorkerThread mThreads[kMaxWorkers];
    int mCount = 0;
    std::atomic<int64_t> mDecodeMicros{0};
};
