// Start and stop of the engine, the preview thread and the streaming loop.
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "UVCPreview.h"
#include "callback_scope.h"
#include "logging.h"
#include "decode_pace.h"
#include "picture_order.h"

namespace {

// Wakes a worker through its condition (when it has one) and joins it. Returns -1 when the
// thread was not started in this run, else the join result.
int wake_and_join(WorkerThread &thread, Mutex *mutex = nullptr, ConditionVariable *sync = nullptr) {
    if (!thread.started())
        return -1;
    if (mutex && sync) {
        MutexLock lock(*mutex);
        sync->notify_one();
    }
    return thread.join();
}

}  // namespace

// Join lines carry stopPreview's name, the one operation that ends runs.
#define LOG_JOIN(result, failFormat, doneText)                    \
    do {                                                          \
        if ((result) > 0) {                                       \
            LOGD_AS(mDebug, "stopPreview", failFormat, (result)); \
        } else if ((result) == 0) {                               \
            LOGD_AS(mDebug, "stopPreview", doneText);             \
        }                                                         \
    } while (0)

int UVCPreview::startPreview() {
    if (in_callback())
        return finish_later([this] { startPreview(); });
    LifecycleTurn::Hold turn(mLifecycle);
    if (mIsRunning) {
        LOGD("running state");
        return 0;
    }
    // The microphone starts first; the preview starts whatever its result.
    if (mAudioDev && !mVideoOnly && !mInternalAudio)
        StartAudio();
    // A run whose stream failed to start ended on its own; collect its thread first.
    if (mRun) {
        mRun->mPreviewThread.join();
        mRun.reset();
    }

    reset_still_state();

    mRun.reset(new PreviewRun(
        this, [this](uvc_frame_t *picture, bool decoded) { hand_on_picture(picture, decoded); }));
    mPreviewMutex.lock();
    if (mResolutionPending) {
        mResolutionPending = false;
        mPixelFormat = mPendingResolution[0];
        mWidth = mPendingResolution[1];
        mHeight = mPendingResolution[2];
        mFrameIndex = mPendingResolution[3];
    }
    mIsRunning = true;
    open_queues(true);
    int result = mRun->mPreviewThread.start(preview_thread_func, mRun.get());
    mPreviewThreadAlive = result == 0;
    mStartStatus = 1;
    mPreviewMutex.unlock();

    if (result != 0) {
        LOGD(
            "UVCCamera::window does not exist/already running/could not create thread etc. "
            "result : %d",
            result);
        mIsRunning = false;
        open_queues(false);
        mRun.reset();
        // No run started: the microphone started for it stops again.
        stopAudioCapture(__FUNCTION__);
        mPreviewMutex.lock();
        mPreviewSync.notify_one();
        mPreviewMutex.unlock();
        return result;
    }
    return 0;
}

int UVCPreview::stopPreview() {
    if (in_callback())
        return finish_later([this] { stopPreview(); });
    LifecycleTurn::Hold turn(mLifecycle);
    bool wasRunning = mIsRunning;
    LOGD("%s IN\n", __FUNCTION__);
    LOGD("Current running state : %d", wasRunning ? 1 : 0);

    if (wasRunning) {
        mIsRunning = false;
        open_queues(false);
        mStills.stop();
        // The engine may be deleted after the stop; the camera's status thread must not call it.
        uvc_set_status_callback(mDeviceHandle, nullptr, nullptr);

        finish_recording();
        stopAudioCapture(__FUNCTION__);

        mCaptureMutex.lock();
        mCaptureSync.notify_one();
        mCaptureMutex.unlock();
        // A caller waiting for a capture learns at once that the engine stopped (-5).
        mCapBufMutex.lock();
        mCapBufSync.notify_all();
        mCapBufMutex.unlock();
    } else if (mRun) {
        // The stream failed to start and the preview thread ended on its own.
        // The microphone started with that run still captures.
        stopAudioCapture(__FUNCTION__);
    }
    // Taken out first: whoever comes next finds no run to end.
    std::unique_ptr<PreviewRun> run = std::move(mRun);
    if (run) {
        end_run(*run, wasRunning);
        run.reset();
    }

    clearPreviewFrame();
    clearCaptureFrame();
    clearDrawFrame();
    clearAudioFrame();
    clearRawdataFrame();

    LOGD("clearSharedFrame\n");
    recycleSharedFrames();

    mStills.free_buffer();

    LOGD("try Surface Release\n");
    mPreviewMutex.lock();
    if (mPreviewWindow)
        ANativeWindow_release(mPreviewWindow);
    mPreviewWindow = nullptr;
    mPreviewMutex.unlock();
    LOGD("try Surface Release End\n");
    // A recording left over from a run that ended without this stop.
    finish_recording();

    LOGD("%s OUT\n", __FUNCTION__);
    return 0;
}

// Joins the run's threads in the engine's fixed order, the preview thread first.
void UVCPreview::end_run(PreviewRun &run, bool wasRunning) {
    int r = wake_and_join(run.mPreviewThread, &mPreviewMutex, &mPreviewSync);
    LOG_JOIN(r, "UVCPreview::terminate preview thread: pthread_join failed : %d",
             "preview_thread end\n");
    if (!wasRunning)
        return;
    r = wake_and_join(run.mDrawThread);
    LOG_JOIN(r, "UVCPreview::terminate draw thread: pthread_join failed : %d", "draw_thread end\n");
    // The preview and draw threads handed decoding to the workers; both have ended.
    mDecodeWorkers = nullptr;
    run.mDecodeWorkers.stop();
    r = wake_and_join(run.mStillThread);
    LOG_JOIN(r, "UVCPreview::terminate mStillThread: pthread_join failed : %d",
             "mStillThread end\n");
    r = wake_and_join(run.mStillWriteThread);
    LOG_JOIN(r, "UVCPreview::terminate mStillWriteThread: pthread_join failed : %d",
             "mStillWriteThread end\n");
    r = wake_and_join(run.mH264GetdataThread);
    LOG_JOIN(r, "UVCPreview::terminate pthread_join: pthread_join failed : %d",
             "mH264GetdataThread end\n");
    release_decoder(run.mDecoder);
    r = wake_and_join(run.mAudioRawThread);
    LOG_JOIN(r, "UVCPreview::terminate mAudioRawThread: pthread_join failed : %d",
             "mAudioRawThread end\n");
    r = wake_and_join(run.mJavaThread);
    LOG_JOIN(r, "UVCPreview::terminate java thread: pthread_join failed : %d", "java_thread end\n");

    clearDisplay();
}

void *UVCPreview::preview_thread_func(void *vptr_args) {
    PreviewRun *run = static_cast<PreviewRun *>(vptr_args);
    UVCPreview *preview = run->engine;
    uvc_stream_ctrl_t ctrl;
    memset(&ctrl, 0, sizeof(ctrl));
    if (preview->prepare_preview(&ctrl) == 0) {
        preview->do_preview(&ctrl, *run);
    }
    preview->mPreviewMutex.lock();
    preview->mPreviewThreadAlive = false;
    preview->mPreviewMutex.unlock();
    return nullptr;
}

void UVCPreview::do_preview(uvc_stream_ctrl_t *ctrl, PreviewRun &run) {
    init_sharedframe();
    uvc_error_t result =
        uvc_start_iso_streaming(mDeviceHandle, ctrl, uvc_preview_frame_callback, this);
    if (result != UVC_SUCCESS) {
        mIsRunning = false;
        open_queues(false);
        if (result == -7) {
            LOGE("usb status is unstable. please unplug & plug your USB Device");
        }
        ErrorNotifyCallback notify = mErrorNotifyCallback;
        if (notify)
            notify(mCameraID, 1, -13, (char *)"failed to start USB Camera.");
        LOGD("failed Start Streaming : %d\n", result);
        return;
    }

    // Without a still buffer a camera with dedicated still frames runs without its button.
    const bool stillThreads = prepare_still();

    clearPreviewFrame();
    clearDrawFrame();
    if (run.mDrawThread.start(draw_thread_func, this) != 0)
        LOGD("draw thread could not be created");
    if (stillThreads)
        start_still_threads(run);

    if (run.mAudioRawThread.start(AudioRawThread, this) != 0)
        LOGD("audio thread could not be created");
    if (run.mJavaThread.start(JavaCallbackThread, this) != 0)
        LOGD("java thread could not be created");
    LOGD("Streaming start!");

    if (mPixelFormat == PIXEL_FORMAT_H264 && !start_decoder(run))
        halt_after_decoder_failure();
    const DecodeChoice choice = mDecodeChoice;
    if (mPixelFormat == PIXEL_FORMAT_MJPEG && choice != DecodeChoice::oneThread) {
        run.mDecodeWorkers.start(DecodeWorkers::count_for_machine());
        if (run.mDecodeWorkers.count() > 1)
            mDecodeWorkers = &run.mDecodeWorkers;
    }

    DecodePace pace;
    int addcnt = 0;
    while (mIsRunning) {
        mStartStatus = 0;
        uvc_frame_t *frame = waitPreviewFrame();
        if (!frame)
            continue;
        mCallbackRunning = true;

        if (mStills.frame_requested()) {
            const int bytes = mStills.put_requested_frame(frame->data, (int)frame->data_bytes);
            if (bytes >= 0)
                LOGD("mStillImageSize : %d\n", bytes);
        }

        if (mPixelFormat == PIXEL_FORMAT_H264) {
            feed_decoder(frame, run.mDecoder);
            continue;
        }
        FrameConverter converter = mPixelFormat == PIXEL_FORMAT_MJPEG ? nullptr : any_to_picture;
        // Two frames a worker keep every worker busy; more would only add latency and pictures.
        const long ticket = run.mPictures.draw(2 * std::max(1, run.mDecodeWorkers.count()));
        if (ticket < 0) {  // the decode workers are that far behind
            freeSharedFrameRaw(frame);
            continue;
        }
        if (mDebug && (addcnt++ % 300) == 0)
            LOGD("addcnt : %d\n", addcnt);
        pace.note_frame(frame);
        if (!converter && mDecodeWorkers &&
            (pace.side_by_side(run.mDecodeWorkers.decode_micros()) ||
             choice == DecodeChoice::sideBySide)) {
            FrameTask &task = run.mFrameTasks[ticket % PreviewRun::kFrameTickets];
            task.run = decode_frame_task;
            task.run_owner = &run;
            task.frame = frame;
            task.ticket = ticket;
            if (!run.mDecodeWorkers.hand_over(&task))
                decode_frame_task(&task, _jpegDecompressor);
        } else if (pass_unconverted(frame, converter)) {
            run.mPictures.finish(ticket, frame, false);
        } else {
            run.mPictures.finish(ticket, draw_preview_one(frame, &mPreviewWindow, converter, 4),
                                 true);
        }
    }

    LOGD("preview_thread_func:wait for all callbacks complete");
    uvc_stop_streaming(mDeviceHandle);
    LOGD("Streaming finished");
}

void UVCPreview::hand_on_picture(uvc_frame_t *picture, bool decoded) {
    if (decoded && mCaptureRequest == 1)
        serve_capture_request(picture);
    if (picture)
        addDrawFrame(picture);
}

void UVCPreview::decode_frame_task(DecodeTask *task, tjhandle decoder) {
    FrameTask *frameTask = static_cast<FrameTask *>(task);
    PreviewRun *run = frameTask->run_owner;
    uvc_frame_t *frame = frameTask->frame;
    const long ticket = frameTask->ticket;
    UVCPreview *engine = run->engine;
    uvc_frame_t *picture = engine->decode_to_pool_frame(frame, decoder, 4);
    engine->freeSharedFrameRaw(frame);
    run->mPictures.finish(ticket, picture, true);
}

void UVCPreview::open_queues(bool open) {
    for (BoundedQueue<uvc_frame_t *> *queue : {&mPreviewFrames, &mDrawFrames, &mRawdataFrames}) {
        if (open)
            queue->open();
        else
            queue->close();
    }
    if (open)
        mAudioFrames.open();
    else
        mAudioFrames.close();
}
