// The worker threads of one preview run, owned by the run: made by startPreview, ended by the
// stopPreview that takes it. The preview thread starts the others, so the stop joins it first
// and nothing can start behind the stop.
#pragma once

#include "worker_thread.h"

class UVCPreview;

struct PreviewRun {
    explicit PreviewRun(UVCPreview *owner) : engine(owner) {}

    UVCPreview *const engine;
    WorkerThread mPreviewThread;
    WorkerThread mDrawThread;
    WorkerThread mStillThread;
    WorkerThread mStillWriteThread;
    WorkerThread mH264GetdataThread;
    WorkerThread mAudioRawThread;
    WorkerThread mJavaThread;
};
