#include "worker_thread.h"

#include <errno.h>

#include "callback_scope.h"

int WorkerThread::start(Body body, void *arg) {
    if (mStarted)
        return EBUSY;
    mBody = body;
    mArg = arg;
    const int result = pthread_create(&mThread, nullptr, run, this);
    mStarted = result == 0;
    return result;
}

int WorkerThread::join() {
    if (!mStarted)
        return -1;
    if (pthread_equal(mThread, pthread_self()))
        return EDEADLK;
    mStarted = false;
    return pthread_join(mThread, nullptr);
}

void *WorkerThread::run(void *self) {
    CallbackScope scope;
    WorkerThread *thread = static_cast<WorkerThread *>(self);
    return thread->mBody(thread->mArg);
}
