// CPU cost of the virtual camera's streaming thread per frame at 1080p30, for MJPEG, YUYV
// and H.264, next to what a plain JPEG encode of every frame would cost on this machine.
#include <libuvc/libuvc.h>
#include <stdio.h>
#include <time.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "uvc_testing.h"

namespace {

const char kDescription[] =
    "vid = 0x041e\npid = 0x4057\nmjpeg = 1920x1080\nyuyv = 1920x1080\nh264 = 1920x1080\n"
    "fps = 30\n";

void ignore_frame(uvc_frame_t *, void *) {}

// Streams for `seconds` and returns the camera thread's CPU milliseconds per frame.
double camera_ms_per_frame(int format, int stream_kind, double seconds) {
    FILE *file = tmpfile();
    fputs(kDescription, file);
    fflush(file);
    uvc_context_t *ctx = nullptr;
    uvc_device_t *dev = nullptr;
    uvc_device_handle_t *devh = nullptr;
    uvc_stream_ctrl_t ctrl;
    double result = -1;
    uvc_init2(&ctx, nullptr, nullptr);
    if (uvc_find_device2(ctx, &dev, 0x041e, 0x4057, nullptr, fileno(file)) == UVC_SUCCESS &&
        uvc_open(dev, &devh) == UVC_SUCCESS &&
        uvc_get_stream_ctrl_format_size1(devh, &ctrl, format, 1920, 1080, 0, stream_kind) ==
            UVC_SUCCESS &&
        uvc_start_iso_streaming(devh, &ctrl, ignore_frame, nullptr) == UVC_SUCCESS) {
        // Skip the first frames (encoder warm-up), then measure.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int64_t cpu0 = uvc_test_stream_thread_cpu_ns(devh);
        uint32_t frames0 = uvc_test_frames_delivered(devh);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        int64_t cpu1 = uvc_test_stream_thread_cpu_ns(devh);
        uint32_t frames1 = uvc_test_frames_delivered(devh);
        if (frames1 > frames0)
            result = (cpu1 - cpu0) / 1e6 / (frames1 - frames0);
        uvc_stop_streaming(devh);
    }
    if (devh)
        uvc_close(devh);
    if (dev)
        uvc_unref_device(dev);
    uvc_exit(ctx);
    fclose(file);
    return result;
}

// Milliseconds of one TurboJPEG encode of a 1080p picture (the naive camera's cost).
double plain_encode_ms() {
    std::vector<unsigned char> rgbx(1920 * 1080 * 4);
    for (size_t i = 0; i < rgbx.size(); ++i)
        rgbx[i] = (unsigned char)(i * 7 / 4096);
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    const int rounds = 20;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        tjCompress2(compressor, rgbx.data(), 1920, 0, 1080, TJPF_RGBX, &jpeg, &size, TJSAMP_420, 85,
                    0);
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count() /
                rounds;
    tjFree(jpeg);
    tjDestroy(compressor);
    return ms;
}

void report(const char *name, double ms) {
    printf("%-26s %7.3f ms/frame = %5.1f %% of one core at 30 fps\n", name, ms, ms * 30 / 10);
}

}  // namespace

int main() {
    double mjpeg = camera_ms_per_frame(UVC_FRAME_FORMAT_MJPEG, 0, 2.0);
    double yuyv = camera_ms_per_frame(UVC_FRAME_FORMAT_YUYV, 0, 2.0);
    double h264 = camera_ms_per_frame(UVC_FRAME_FORMAT_MJPEG, 2, 2.0);
    double naive = plain_encode_ms();
    report("camera thread, MJPEG 1080p", mjpeg);
    report("camera thread, YUYV 1080p", yuyv);
    report("camera thread, H.264 1080p", h264);
    report("plain JPEG encode, 1080p", naive);
    printf("MJPEG splice vs plain JPEG encode per frame: %.1fx cheaper\n", naive / mjpeg);
    printf("MJPEG target (< 10 %% of one core): %s\n", mjpeg * 3 < 10 ? "met" : "MISSED");
    return 0;
}
