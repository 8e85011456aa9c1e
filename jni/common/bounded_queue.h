// A queue of at most `capacity` elements between writers and its consumer threads, with its
// own lock and wake-up. Writers never wait: an element that does not fit goes back to the
// writer (the queue refuses the newest), or the oldest makes room (the queue drops the oldest),
// and either way the queue counts it. The queue is open for one run: closing it wakes the
// consumer, and a closed queue takes nothing.
#pragma once

#include <stddef.h>

#include <deque>
#include <vector>

#include "thread_annotations.h"

enum class WhenFull { refuseNewest, dropOldest };

template <typename T>
class BoundedQueue {
  public:
    BoundedQueue(size_t capacity, WhenFull whenFull) : mCapacity(capacity), mWhenFull(whenFull) {}
    BoundedQueue(const BoundedQueue &) = delete;
    BoundedQueue &operator=(const BoundedQueue &) = delete;

    void open() {
        MutexLock lock(mMutex);
        mOpen = true;
    }

    void close() {
        MutexLock lock(mMutex);
        mOpen = false;
        mChanged.notify_all();
    }

    // Adds `element`. Returns what the writer disposes of: `element` itself when the queue is
    // closed or refuses it, the oldest element when that made room, else null.
    T put(T element) {
        if (!element)
            return nullptr;
        MutexLock lock(mMutex);
        if (!mOpen)
            return element;
        T out = nullptr;
        if (mElements.size() >= mCapacity) {
            mDropped++;
            if (mWhenFull == WhenFull::refuseNewest)
                return element;
            out = mElements.front();
            mElements.pop_front();
        }
        mElements.push_back(element);
        mChanged.notify_all();
        return out;
    }

    // The oldest element, waiting while the queue is open and empty; null once it is closed.
    T take() {
        MutexLock lock(mMutex);
        mChanged.wait(mMutex, [this]() REQUIRES(mMutex) { return !mOpen || !mElements.empty(); });
        if (!mOpen || mElements.empty())
            return nullptr;
        T element = mElements.front();
        mElements.pop_front();
        return element;
    }

    // Everything queued, oldest first, for the caller to dispose of.
    std::vector<T> take_all() {
        MutexLock lock(mMutex);
        std::vector<T> all(mElements.begin(), mElements.end());
        mElements.clear();
        return all;
    }

    size_t size() {
        MutexLock lock(mMutex);
        return mElements.size();
    }

    // Elements that did not fit, since the queue was made.
    long dropped() {
        MutexLock lock(mMutex);
        return mDropped;
    }

  private:
    const size_t mCapacity;
    const WhenFull mWhenFull;
    Mutex mMutex;
    ConditionVariable mChanged;
    std::deque<T> mElements GUARDED_BY(mMutex);
    bool mOpen GUARDED_BY(mMutex) = false;
    long mDropped GUARDED_BY(mMutex) = 0;
};
