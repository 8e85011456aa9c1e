#include "decode_workers.h"

#include <algorithm>
#include <thread>

namespace {

// Room for every task that can be in flight: a band of each picture being decoded and the
// frames the in-order hand-off holds.
const size_t kQueuedTasks = 64;

thread_local bool t_onWorker = false;

}  // namespace

int DecodeWorkers::count_for_machine() {
    const int threads = (int)std::thread::hardware_concurrency();
    return threads < 2 ? 0 : std::min(threads, kMaxWorkers);
}

DecodeWorkers::DecodeWorkers() : mTasks(kQueuedTasks, WhenFull::refuseNewest) {}

void DecodeWorkers::start(int count) {
    mTasks.open();
    for (int i = 0; i < std::min(count, kMaxWorkers); i++) {
        if (mThreads[mCount].start(worker_main, this) == 0)
            mCount++;
    }
}

void DecodeWorkers::stop() {
    mTasks.close();
    for (int i = 0; i < mCount; i++)
        mThreads[i].join();
}

bool DecodeWorkers::hand_over(DecodeTask *task) {
    return mCount > 0 && mTasks.put(task) == nullptr;
}

void DecodeWorkers::run_unstarted(tjhandle decoder) {
    for (DecodeTask *task : mTasks.take_all())
        task->run(task, decoder);
}

bool DecodeWorkers::on_worker() {
    return t_onWorker;
}

void DecodeWorkers::record_decode(int64_t micros) {
    const int64_t last = mDecodeMicros;
    mDecodeMicros = last == 0 ? micros : (last * 7 + micros) / 8;
}

void *DecodeWorkers::worker_main(void *self) {
    DecodeWorkers *workers = static_cast<DecodeWorkers *>(self);
    t_onWorker = true;
    tjhandle decoder = tjInitDecompress();
    while (DecodeTask *task = workers->mTasks.take())
        task->run(task, decoder);
    if (decoder)
        tjDestroy(decoder);
    return nullptr;
}
