#include "finisher.h"

#include <algorithm>

Finisher &Finisher::instance() {
    static Finisher finisher;
    return finisher;
}

Finisher::~Finisher() {
    shut_down();
}

void Finisher::hand_over(const void *owner, std::function<void()> job) {
    MutexLock lock(mMutex);
    mJobs.push_back({owner, std::move(job)});
    if (!mThread.joinable()) {
        mThread = std::thread(&Finisher::loop, this, mGeneration);
        mThreadId = mThread.get_id();
    }
    mWake.notify_all();
}

void Finisher::forget(const void *owner) {
    MutexLock lock(mMutex);
    mJobs.erase(std::remove_if(mJobs.begin(), mJobs.end(),
                               [owner](const Job &job) { return job.owner == owner; }),
                mJobs.end());
    if (std::this_thread::get_id() == mThreadId)
        return;
    mProgress.wait(mMutex, [&]() REQUIRES(mMutex) { return mRunningOwner != owner; });
}

void Finisher::drain() {
    MutexLock lock(mMutex);
    if (std::this_thread::get_id() == mThreadId)
        return;
    mProgress.wait(mMutex, [&]() REQUIRES(mMutex) { return mJobs.empty() && !mBusy; });
}

void Finisher::shut_down() {
    std::thread thread;
    {
        MutexLock lock(mMutex);
        if (!mThread.joinable() || std::this_thread::get_id() == mThreadId)
            return;
        mGeneration++;
        mWake.notify_all();
        thread = std::move(mThread);
    }
    thread.join();
    MutexLock lock(mMutex);
    mThreadId = std::thread::id();
}

void Finisher::loop(unsigned generation) {
    mMutex.lock();
    while (true) {
        mWake.wait(mMutex,
                   [&]() REQUIRES(mMutex) { return generation != mGeneration || !mJobs.empty(); });
        if (mJobs.empty())
            break;
        Job job = std::move(mJobs.front());
        mJobs.pop_front();
        mRunningOwner = job.owner;
        mBusy = true;
        mMutex.unlock();
        job.work();
        mMutex.lock();
        mRunningOwner = nullptr;
        mBusy = false;
        mProgress.notify_all();
    }
    mMutex.unlock();
}
