// Serialises the operations that start and end an object's runs (start, stop, record, pause,
// resume, destruction): one caller at a time has the turn, the others wait for it. The turn is
// not a lock held over other locks: it is taken and given back under its own short mutex, and
// the thread that has it may take it again.
#pragma once

#include <thread>

#include "thread_annotations.h"

class LifecycleTurn {
  public:
    class Hold {
      public:
        explicit Hold(LifecycleTurn &turn) : mTurn(turn) { mTurn.take(); }
        ~Hold() { mTurn.give_back(); }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

      private:
        LifecycleTurn &mTurn;
    };

    void take() {
        MutexLock lock(mMutex);
        const std::thread::id self = std::this_thread::get_id();
        mFree.wait(mMutex, [&]() REQUIRES(mMutex) { return mDepth == 0 || mOwner == self; });
        mOwner = self;
        mDepth++;
    }

    void give_back() {
        MutexLock lock(mMutex);
        if (--mDepth == 0) {
            mOwner = std::thread::id();
            mFree.notify_all();
        }
    }

  private:
    Mutex mMutex;
    ConditionVariable mFree;
    std::thread::id mOwner GUARDED_BY(mMutex);
    int mDepth GUARDED_BY(mMutex) = 0;
};
