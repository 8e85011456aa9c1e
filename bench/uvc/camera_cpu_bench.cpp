// CPU cost of the virtual camera's streaming thread per frame at 1080p30, for MJPEG, YUYV,
// H.264 and the camera-like scene, next to what a plain JPEG encode of every frame would cost on
// this machine.
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

const std::string kDescription =
    "vid = 0x041e\npid = 0x4057\nmjpeg = 1920x1080\nyuyv = 1920x1080\nh264 = 1920x1080\n"
    "fps = 30\n";

void ignore_frame(uvc_frame_t *, void *) {}

// Keeps one MJPEG frame of the camera for the decode comparison.
void keep_frame(uvc_frame_t *frame, void *user) {
    std::string *kept = static_cast<std::string *>(user);
    if (kept->empty())
        kept->assign(static_cast<char *>(frame->data), frame->actual_bytes);
}

double decode_ms(tjhandle decoder, const unsigned char *jpeg, size_t bytes,
                 std::vector<unsigned char> *rgbx) {
    const int rounds = 20;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        tjDecompress2(decoder, jpeg, bytes, rgbx->data(), 1920, 0, 1080, TJPF_RGBX, 0);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count() /
           rounds;
}

// Streams for `seconds` and returns the camera thread's CPU milliseconds per frame; keeps
// the first frame in `first` when it is given.
double camera_ms_per_frame(int format, int stream_kind, double seconds,
                           std::string *first = nullptr, const char *pattern = "counter") {
    FILE *file = tmpfile();
    fputs((kDescription + "pattern = " + pattern + "\n").c_str(), file);
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
        uvc_start_iso_streaming(devh, &ctrl, first ? keep_frame : ignore_frame, first) ==
            UVC_SUCCESS) {
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

// Milliseconds of one TurboJPEG encode of a 1080p picture (the naive camera's cost), and of
// decoding that picture and the camera's frame (restart markers cost the decoder a little).
double plain_encode_ms(const std::string &camera_frame) {
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
    tjhandle decoder = tjInitDecompress();
    double plain = decode_ms(decoder, jpeg, size, &rgbx);
    double spliced =
        decode_ms(decoder, reinterpret_cast<const unsigned char *>(camera_frame.data()),
                  camera_frame.size(), &rgbx);
    printf("decode of a camera frame %.2f ms, of a plain JPEG %.2f ms: ratio %.2f\n", spliced,
           plain, spliced / plain);
    tjDestroy(decoder);
    tjFree(jpeg);
    tjDestroy(compressor);
    return ms;
}

void report(const char *name, double ms) {
    printf("%-26s %7.3f ms/frame = %5.1f %% of one core at 30 fps\n", name, ms, ms * 30 / 10);
}

}  // namespace

int main() {
    std::string camera_frame;
    double mjpeg = camera_ms_per_frame(UVC_FRAME_FORMAT_MJPEG, 0, 2.0, &camera_frame);
    double yuyv = camera_ms_per_frame(UVC_FRAME_FORMAT_YUYV, 0, 2.0);
    double h264 = camera_ms_per_frame(UVC_FRAME_FORMAT_MJPEG, 2, 2.0);
    double naive = plain_encode_ms(camera_frame);
    std::string scene_frame;
    double scene = camera_ms_per_frame(UVC_FRAME_FORMAT_MJPEG, 0, 2.0, &scene_frame, "scene");
    std::vector<unsigned char> rgbx(1920 * 1080 * 4);
    tjhandle decoder = tjInitDecompress();
    printf("scene frame: %zu KB, decode %.2f ms\n", scene_frame.size() / 1024,
           decode_ms(decoder, reinterpret_cast<const unsigned char *>(scene_frame.data()),
                     scene_frame.size(), &rgbx));
    tjDestroy(decoder);
    report("camera thread, MJPEG 1080p", mjpeg);
    report("camera thread, YUYV 1080p", yuyv);
    report("camera thread, H.264 1080p", h264);
    report("camera thread, scene MJPEG", scene);
    report("plain JPEG encode, 1080p", naive);
    printf("MJPEG splice vs plain JPEG encode per frame: %.1fx cheaper\n", naive / mjpeg);
    printf("MJPEG target (< 10 %% of one core): %s\n", mjpeg * 3 < 10 ? "met" : "MISSED");
    return 0;
}
