// Runs the stops and releases that were asked for where the caller must not wait for them:
// from a callback, on an engine thread, or on a library's report thread (see callback_scope.h).
// One thread for the process runs them in the order they came; the caller returns at once.
#pragma once

#include <deque>
#include <functional>
#include <thread>

#include "thread_annotations.h"

class Finisher {
  public:
    static Finisher &instance();

    ~Finisher();

    // Queues `job`, which works on `owner`; the thread starts with the first job.
    void hand_over(const void *owner, std::function<void()> job);
    // Drops the owner's queued jobs and waits for its running one, so that the owner can be
    // deleted. From inside that running job it does not wait.
    void forget(const void *owner);
    // Waits until every job queued so far has run.
    void drain();
    // Runs what is queued, then ends and joins the thread; a later job starts it again.
    void shut_down();

  private:
    struct Job {
        const void *owner;
        std::function<void()> work;
    };

    Finisher() = default;
    void loop(unsigned generation);

    Mutex mMutex;
    ConditionVariable mWake, mProgress;
    std::deque<Job> mJobs GUARDED_BY(mMutex);
    const void *mRunningOwner GUARDED_BY(mMutex) = nullptr;
    bool mBusy GUARDED_BY(mMutex) = false;
    // Advanced by shut_down: a thread of an older generation ends once the queue is empty.
    unsigned mGeneration GUARDED_BY(mMutex) = 0;
    // Started by hand_over, joined by shut_down; both change it under mMutex.
    std::thread mThread GUARDED_BY(mMutex);
    std::thread::id mThreadId GUARDED_BY(mMutex);
};
