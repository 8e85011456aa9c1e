// The live-stream library's handle of one connection. The library writes a handle only in its
// start call, into a slot of the caller's; the statistics read it from any thread at any time.
// So the slot is atomic, each library call works on a copy, and a handle that went stale
// meanwhile only misses in the library.
#pragma once

#include <tlink.h>

#include <atomic>

class LiveSlot {
  public:
    void *handle() const { return mHandle.load(); }
    void publish(void *handle) { mHandle.store(handle); }
    // Empties the slot; the handle it held, for the calls that end the connection.
    void *take() { return mHandle.exchange(nullptr); }

  private:
    std::atomic<void *> mHandle{nullptr};
};

// A copy of the slot's handle in the form the library's calls take.
class LiveHandle {
  public:
    explicit LiveHandle(const LiveSlot &slot) : mHandle(slot.handle()) {}
    void **slot() { return &mHandle; }

  private:
    void *mHandle;
};

// Drops the slot's connection, pending or made, without sending what is left: nothing of it
// calls back any more, and the slot is empty.
inline void drop_live_connection(LiveSlot &slot) {
    void *context = slot.take();
    if (!context)
        return;
    TlinkSetCallbackRuntimeError(&context, nullptr, nullptr);
    TlinkAsyncStop(&context);
    TlinkCancelAsyncJob(&context);
    TlinkWaitAsyncJobCompletion(&context, -1);
}
