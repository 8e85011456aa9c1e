// Admits writers into a shared resource (a recorder, an encoder) only while it is open, and lets
// the owner close it and wait until every writer that got in has left, so the resource can be
// released right after close() returns. Writers never wait on each other; close() must not be
// called from inside a write.
#pragma once

#include "thread_annotations.h"

class WriteGate {
  public:
    void open() {
        MutexLock lock(mMutex);
        mOpen = true;
    }

    // True when the writer may go on; it must call leave() when done.
    bool enter() {
        MutexLock lock(mMutex);
        if (!mOpen)
            return false;
        mInside++;
        return true;
    }

    void leave() {
        MutexLock lock(mMutex);
        if (--mInside == 0)
            mDrained.notify_all();
    }

    // Refuses new writers, then waits for the ones inside.
    void close() {
        MutexLock lock(mMutex);
        mOpen = false;
        while (mInside != 0)
            mDrained.wait(mMutex);
    }

    bool isOpen() {
        MutexLock lock(mMutex);
        return mOpen;
    }

    // One write through the gate: admitted() tells whether it got in; leaves on destruction.
    class Pass {
      public:
        explicit Pass(WriteGate &gate) : mGate(gate), mAdmitted(gate.enter()) {}
        ~Pass() {
            if (mAdmitted)
                mGate.leave();
        }
        Pass(const Pass &) = delete;
        Pass &operator=(const Pass &) = delete;
        bool admitted() const { return mAdmitted; }

      private:
        WriteGate &mGate;
        bool mAdmitted;
    };

  private:
    Mutex mMutex;
    ConditionVariable mDrained;
    bool mOpen GUARDED_BY(mMutex) = false;
    int mInside GUARDED_BY(mMutex) = 0;
};
