// Access to the engine's internals for tests and benchmarks: queue and pool sizes, the camera
// handle, and single steps of the intake and queue operations.
#pragma once

#include <stdint.h>

#include <algorithm>

#include "UVCPreview.h"
#include "recording.h"

// The engine's internals that tests check: queue and pool sizes, direct intake.
class UVCPreviewTestAccess {
  public:
    static int previewQueued(UVCPreview *p) { return (int)p->mPreviewFrames.size(); }
    static int drawQueued(UVCPreview *p) { return (int)p->mDrawFrames.size(); }
    static int rawPoolSize(UVCPreview *p) { return p->mSharedFrame_raw.size(); }
    static int convPoolSize(UVCPreview *p) { return p->mSharedFrame_conv.size(); }
    static int rawPoolInUse(UVCPreview *p) { return p->mSharedFrame_raw.in_use(); }
    static int convPoolInUse(UVCPreview *p) { return p->mSharedFrame_conv.in_use(); }
    static int captureRequest(UVCPreview *p) { return p->mCaptureRequest; }
    static int frameWidth(UVCPreview *p) { return p->mFrameWidth; }
    static int wishWidth(UVCPreview *p) { return p->mWidth; }
    static int pixelFormat(UVCPreview *p) { return p->mPixelFormat; }
    static int viewCount(UVCPreview *p) { return p->mViewCount; }
    // How the next preview run decodes MJPEG (the product measures).
    static void setDecodeChoice(UVCPreview *p, DecodeChoice choice) { p->mDecodeChoice = choice; }
    // Read on the thread that starts and stops the preview.
    static bool decoderRestarting(UVCPreview *p) { return p->mRun && p->mRun->mDecoder.restarting; }
    static uvc_device_handle_t *handle(UVCPreview *p) { return p->mDeviceHandle; }
    static void *tlinkContext(UVCPreview *p) { return p->mLive.handle(); }
    static Recording *recording(UVCPreview *p) { return p->mRecording.owned(); }
    static int deblock(UVCPreview *p) { return p->mDeBlock; }
    static unsigned iframeInterval(UVCPreview *p) { return p->mIframe_Interval; }
    static int stillImageBufSize(UVCPreview *p) { return p->mStills.buffer_bytes(); }
    static bool stillBusy(UVCPreview *p) { return p->mStills.busy(); }
    static int allocateStillImageBuf(UVCPreview *p) { return p->allocate_StillImageBuf(); }
    // A status interrupt as the camera library would report it.
    static void statusInterrupt(UVCPreview *p, int statusClass, void *data, size_t length) {
        UVCPreview::uvc_Interrupt_callback((enum uvc_status_class)statusClass, 0, 0,
                                           UVC_STATUS_ATTRIBUTE_VALUE_CHANGE, data, length, p);
    }

    // Puts an idle engine into the running state without its threads, so that the intake
    // and queue operations can be driven one step at a time.
    static void runWithoutThreads(UVCPreview *p, int width, int height, bool fillPools) {
        p->mWidth = p->mFrameWidth = width;
        p->mHeight = p->mFrameHeight = height;
        p->mFrameBytes = (int)std::min<int64_t>(picture_bytes(width, height, 2), INT32_MAX);
        p->mIsRunning = true;
        p->open_queues(true);
        if (fillPools)
            p->init_sharedframe();
    }
    static void markFirstFrameTaken(UVCPreview *p) { p->mCallbackRunning = true; }
    static void deliver(UVCPreview *p, uvc_frame_t *frame) {
        UVCPreview::uvc_preview_frame_callback(frame, p);
    }
    static uvc_frame_t *takeRaw(UVCPreview *p) { return p->getSharedFrameRaw(); }
    // The frame waiting on the preview queue, without waiting; null when there is none.
    static uvc_frame_t *takeQueuedPreview(UVCPreview *p) {
        return previewQueued(p) > 0 ? p->waitPreviewFrame() : nullptr;
    }
    static uvc_frame_t *takeConv(UVCPreview *p) { return p->getSharedFrameConv(); }
    static void giveRaw(UVCPreview *p, uvc_frame_t *f) { p->freeSharedFrameRaw(f); }
    static void addDraw(UVCPreview *p, uvc_frame_t *f) { p->addDrawFrame(f); }
    static uvc_frame_t *waitDraw(UVCPreview *p) { return p->waitDrawFrame(); }
    static void serveCapture(UVCPreview *p, uvc_frame_t *f) { p->serve_capture_request(f); }
    // Converts a raw-pool frame as the streaming loop does; the converted picture or null.
    static uvc_frame_t *convert(UVCPreview *p, uvc_frame_t *raw) {
        FrameConverter converter =
            (int)raw->frame_format == PIXEL_FORMAT_MJPEG ? nullptr : uvc_any2rgbx;
        return p->draw_preview_one(raw, nullptr, converter, 4);
    }
    static void giveConv(UVCPreview *p, uvc_frame_t *f) { p->freeSharedFrameConv(f); }
};
