// The worker threads of one preview run, owned by the run: made by startPreview, ended by the
// stopPreview that takes it. The preview thread starts the others, so the stop joins it first
// and nothing can start behind the stop.
#pragma once

#include <LibMediaDecoder.h>

#include <atomic>

#include "decode_workers.h"
#include "in_order_handoff.h"
#include "library_object.h"
#include "worker_thread.h"

class UVCPreview;
struct PreviewRun;

// A camera frame a decode worker turns into a picture, handed on under its ticket.
struct FrameTask : DecodeTask {
    PreviewRun *run_owner = nullptr;
    uvc_frame_t *frame = nullptr;
    long ticket = 0;
};

// The decoder of an H.264 run: fed by the preview thread, read and restarted by the output
// thread, released once both were joined.
struct RunDecoder {
    LibraryObject<LibMediaDecoder, MediaDecoder> object;
    // Set while the output thread restarts the decoder: the preview thread feeds nothing.
    std::atomic<bool> restarting{false};
    // Preview thread only: whether frames are held back until the next key frame.
    bool awaitsKeyFrame = false;
};

struct PreviewRun {
    // Frames in flight between the preview thread and the draw queue.
    static constexpr int kFrameTickets = 2 * DecodeWorkers::kMaxWorkers;

    PreviewRun(UVCPreview *owner, InOrderHandOff::Deliver deliver)
        : engine(owner), mPictures(kFrameTickets, std::move(deliver)) {}

    UVCPreview *const engine;
    RunDecoder mDecoder;
    WorkerThread mPreviewThread;
    WorkerThread mDrawThread;
    WorkerThread mStillThread;
    WorkerThread mStillWriteThread;
    WorkerThread mH264GetdataThread;
    WorkerThread mAudioRawThread;
    WorkerThread mJavaThread;
    // MJPEG streams on more than one core; joined after the preview and draw threads.
    DecodeWorkers mDecodeWorkers;
    // Pictures leave for the draw queue in camera order, whichever thread decoded them.
    InOrderHandOff mPictures;
    FrameTask mFrameTasks[kFrameTickets];
};
