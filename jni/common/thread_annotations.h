// Clang's thread-safety attributes, so that the compiler checks which lock guards which state.
// Other compilers see nothing.
#pragma once

#include <pthread.h>
#include <time.h>

#include <condition_variable>
#include <mutex>

#if defined(__clang__)
#define THREAD_ANNOTATION(x) __attribute__((x))
#else
#define THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) THREAD_ANNOTATION(guarded_by(x))
#define REQUIRES(...) THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define EXCLUDES(...) THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

// A mutex the analysis knows; waits go through its condition type below.
class CAPABILITY("mutex") Mutex {
  public:
    void lock() ACQUIRE() { mMutex.lock(); }
    void unlock() RELEASE() { mMutex.unlock(); }

  private:
    friend class ConditionVariable;
    std::mutex mMutex;
};

// Holds a Mutex for its scope.
class SCOPED_CAPABILITY MutexLock {
  public:
    explicit MutexLock(Mutex &mutex) ACQUIRE(mutex) : mMutex(mutex) { mMutex.lock(); }
    ~MutexLock() RELEASE() { mMutex.unlock(); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

  private:
    Mutex &mMutex;
};

// Waits on a Mutex the caller holds; the analysis sees the mutex held throughout.
class ConditionVariable {
  public:
    template <typename Predicate>
    void wait(Mutex &mutex, Predicate ready) REQUIRES(mutex) {
        std::unique_lock<std::mutex> lock(mutex.mMutex, std::adopt_lock);
        mCondition.wait(lock, ready);
        lock.release();
    }
    // One wake-up, or a spurious one: the caller's loop checks its own condition.
    void wait(Mutex &mutex) REQUIRES(mutex) {
        std::unique_lock<std::mutex> lock(mutex.mMutex, std::adopt_lock);
        mCondition.wait(lock);
        lock.release();
    }
    // Waits until woken or until `deadline` on the realtime clock: 0, ETIMEDOUT or the wait's
    // own error.
    int wait_until(Mutex &mutex, const timespec &deadline) REQUIRES(mutex) {
        return pthread_cond_timedwait(mCondition.native_handle(), mutex.mMutex.native_handle(),
                                      &deadline);
    }
    void notify_one() { mCondition.notify_one(); }
    void notify_all() { mCondition.notify_all(); }

  private:
    std::condition_variable mCondition;
};
