// A thread with one owner, who starts it and joins it (the destructor joins what is left).
// The body runs inside a CallbackScope: whatever it calls counts as engine work.
#pragma once

#include <pthread.h>

class WorkerThread {
  public:
    using Body = void *(*)(void *);

    WorkerThread() = default;
    ~WorkerThread() { join(); }
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    // 0, or pthread_create's error (the thread then did not start).
    int start(Body body, void *arg);
    // -1 when not started (or joined already), else pthread_join's result. A thread never
    // joins itself: from its own body this gives EDEADLK and leaves it to its owner.
    int join();
    bool started() const { return mStarted; }
    pthread_t handle() const { return mThread; }

  private:
    static void *run(void *self);

    pthread_t mThread{};
    bool mStarted = false;
    Body mBody = nullptr;
    void *mArg = nullptr;
};
