#include "still_exchange.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

StillExchange::~StillExchange() {
    free_buffer();
}

void StillExchange::reset() {
    mStillStop = false;
    mStillWriteStop = false;
    mStillRequest = false;
    MutexLock lock(mStillMutex);
    mStillBusy = false;
    mStillCommandPending = false;
}

void StillExchange::stop() {
    mStillStop = true;
    mStillWriteStop = true;
    {
        MutexLock lock(mStillMutex);
        mStillSync.notify_one();
    }
    MutexLock lock(mStillWriteMutex);
    mStillWriteSync.notify_one();
}

void StillExchange::replace_buffer(int bytes) {
    bytes = std::max(bytes, 0);
    MutexLock lock(mStillWriteMutex);
    free(mStillImageBuf);
    mStillImageBuf = static_cast<uint8_t *>(malloc(bytes > 0 ? bytes : 1));
    mStillImageBufSize = mStillImageBuf ? bytes : 0;
    mStillImageSize = 0;
}

void StillExchange::free_buffer() {
    MutexLock lock(mStillWriteMutex);
    free(mStillImageBuf);
    mStillImageBuf = nullptr;
    mStillImageBufSize = 0;
    mStillImageSize = 0;
}

int StillExchange::buffer_bytes() {
    MutexLock lock(mStillWriteMutex);
    return mStillImageBufSize;
}

int StillExchange::put(const void *data, int bytes) {
    MutexLock lock(mStillWriteMutex);
    if (!mStillImageBuf)
        return -1;
    bytes = std::min(bytes, mStillImageBufSize);
    memcpy(mStillImageBuf, data, bytes);
    mStillImageSize = bytes;
    mStillWriteSync.notify_one();
    return bytes;
}

int StillExchange::put_requested_frame(const void *data, int bytes) {
    const int put_bytes = put(data, bytes);
    if (put_bytes >= 0)
        mStillRequest = false;
    return put_bytes;
}

bool StillExchange::take(uint8_t *dst, int capacity, int *size) {
    MutexLock lock(mStillWriteMutex);
    while (mStillImageSize == 0 && mRunning && !mStillWriteStop)
        mStillWriteSync.wait(mStillWriteMutex);
    if (!mRunning)
        return false;
    if (mStillImageSize != 0 && mStillImageBuf) {
        const int bytes = std::min(mStillImageSize, capacity);
        memcpy(dst, mStillImageBuf, bytes);
        *size = bytes;
        mStillImageSize = 0;
    }
    return true;
}

void StillExchange::press() {
    MutexLock lock(mStillMutex);
    if (mStillBusy)
        return;
    mStillBusy = true;
    mStillCommandPending = true;
    mStillSync.notify_one();
}

// The press is remembered, so one made before the thread waits is not lost.
bool StillExchange::wait_press() {
    MutexLock lock(mStillMutex);
    while (!mStillCommandPending && !mStillStop && mRunning)
        mStillSync.wait(mStillMutex);
    const bool press = mStillCommandPending;
    mStillCommandPending = false;
    return press;
}

void StillExchange::finished() {
    MutexLock lock(mStillMutex);
    mStillBusy = false;
}
