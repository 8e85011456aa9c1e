// Raw-frame queue and the thread that hands each drawn picture to the application.
#include "UVCPreview.h"
#include "logging.h"

void UVCPreview::SetRawdataCallback(RawdataCallback fn) {
    mRawdataCallback = fn;
}

void UVCPreview::addRawdataFrame(uvc_frame_t *frame) {
    add_bounded(mRawdataFrames, frame);
}

uvc_frame_t *UVCPreview::waitRawdataFrame() {
    uvc_frame_t *frame = mRawdataFrames.take();
    if (!frame)
        LOGD("frame was not prepared");
    return frame;
}

void UVCPreview::clearRawdataFrame() {
    mRawdataFrames.take_all();
}

void *UVCPreview::JavaCallbackThread(void *vptr_args) {
    static_cast<UVCPreview *>(vptr_args)->RawdataCallbackThread();
    return nullptr;
}

void UVCPreview::RawdataCallbackThread() {
    LOGD("IN\n");
    while (mIsRunning) {
        uvc_frame_t *frame = waitRawdataFrame();
        if (!frame)
            continue;
        RawdataCallback callback = mRawdataCallback;
        if (callback)
            callback(mCameraID, static_cast<char *>(frame->data), (int)frame->data_bytes);
        freeSharedFrameConv(frame);
    }
    LOGD("OUT\n");
}
