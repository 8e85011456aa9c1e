#include "camera_frames.h"

#include <mutex>

#include "libuvc/libuvc.h"
#include "wait_until.h"

namespace {

struct FrameKeeper {
    std::mutex mutex;  // guards frames
    RecordedFrames frames;
    size_t wanted = 0;

    static void callback(uvc_frame_t *frame, void *user) {
        FrameKeeper *self = static_cast<FrameKeeper *>(user);
        const uint8_t *data = static_cast<const uint8_t *>(frame->data);
        std::lock_guard<std::mutex> lock(self->mutex);
        if (self->frames.size() < self->wanted)
            self->frames.emplace_back(data, data + frame->actual_bytes);
    }
    bool full() {
        std::lock_guard<std::mutex> lock(mutex);
        return frames.size() >= wanted;
    }
};

}  // namespace

RecordedFrames record_camera_frames(int fd, int vid, int pid, int format, int width, int height,
                                    size_t count) {
    FrameKeeper keeper;
    keeper.wanted = count;
    uvc_context_t *ctx = nullptr;
    uvc_device_t *dev = nullptr;
    uvc_device_handle_t *devh = nullptr;
    uvc_stream_ctrl_t ctrl;
    uvc_init2(&ctx, nullptr, "");
    if (uvc_find_device2(ctx, &dev, vid, pid, nullptr, fd) == UVC_SUCCESS &&
        uvc_open(dev, &devh) == UVC_SUCCESS) {
        if (uvc_get_stream_ctrl_format_size(devh, &ctrl, format, width, height, 0) == UVC_SUCCESS &&
            uvc_start_iso_streaming(devh, &ctrl, FrameKeeper::callback, &keeper) == UVC_SUCCESS) {
            // A guard against a camera that sends nothing.
            wait_until([&keeper] { return keeper.full(); }, 10000);
            uvc_stop_streaming(devh);
        }
        uvc_close(devh);
    }
    if (dev)
        uvc_unref_device(dev);
    uvc_exit(ctx);
    std::lock_guard<std::mutex> lock(keeper.mutex);
    return keeper.frames;
}
