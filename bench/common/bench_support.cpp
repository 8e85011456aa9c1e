#include "bench_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "libuvc/libuvc.h"
#include "uvc_testing.h"

namespace {

double cpu_seconds(int who) {
    rusage usage;
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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

double process_cpu_seconds() {
    return cpu_seconds(RUSAGE_SELF);
}

double children_cpu_seconds() {
    return cpu_seconds(RUSAGE_CHILDREN);
}

std::string load_average() {
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    char text[64];
    snprintf(text, sizeof(text), "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

double resident_mib() {
    FILE *statm = fopen("/proc/self/statm", "r");
    long pages = 0, resident = -1;
    if (statm) {
        if (fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = -1;
        fclose(statm);
    }
    return resident < 0 ? -1 : resident * (double)sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

int64_t monotonic_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
            // Ten seconds at the most, as a guard against a camera that sends nothing.
            for (int i = 0; i < 1000 && !keeper.full(); i++)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            uvc_stop_streaming(devh);
        }
        uvc_close(devh);
    }
    if (dev)
        uvc_unref_device(dev);
    uvc_exit(ctx);
    return keeper.frames;
}

std::vector<int64_t> file_counters(const std::string &path, int width, int height) {
    std::vector<int64_t> counters;
    const std::string command = "ffmpeg -v error -i '" + path +
                                "' -fps_mode passthrough -vf scale=" + std::to_string(width) + ":" +
                                std::to_string(height) + " -f rawvideo -pix_fmt rgb0 - 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return counters;
    std::vector<uint8_t> picture((size_t)width * height * 4);
    while (fread(picture.data(), 1, picture.size(), pipe) == picture.size())
        counters.push_back(uvc_test_decode_counter(picture.data(), width, height, 0));
    pclose(pipe);
    return counters;
}
