// Per-frame CPU of the engine path (frame callback to surface post) beside the floor measured
// on the same camera frames in the same run, and latency from the camera's hand-over to the
// surface post, read from the counter pattern.
#include <fcntl.h>
#include <libyuv.h>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LibMediaDecoder.h"
#include "UVCCamera.h"
#include "engine_access.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// Format 13: the H.264 camera (the ids the engine always streams as H.264), decoded by the
// decoder library; its floor is the decoder alone plus one conversion.
const int kH264 = 13;

struct Case {
    int format;
    int width;
    int height;
    int loadFps;  // frame rate of the CPU run
    int vid() const { return format == kH264 ? 0x041e : 0x1bcf; }
    int pid() const { return format == kH264 ? 0x4057 : 0x2c9a; }
};

std::string write_description(const Case &c, int fps) {
    std::string path = "/tmp/engine_bench_" + std::to_string(getpid()) + ".conf";
    std::ofstream out(path);
    out << "vid = " << c.vid() << "\npid = " << c.pid() << "\nname = Bench Camera\n"
        << "mjpeg = 1920x1080, 1280x720\nyuyv = 1920x1080, 1280x720\n"
        << "h264 = 1920x1080, 1280x720\n"
        << "default = mjpeg 1280x720\nfps = " << fps << "\npattern = counter\n"
        << "still_method = 0\nmicrophone = off\n";
    return path;
}

double cpu_seconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Camera frames recorded straight from the camera library, for the floor.
std::mutex g_recordMutex;
std::vector<std::vector<uint8_t>> g_recorded;

void record_frame(uvc_frame_t *frame, void *) {
    std::lock_guard<std::mutex> lock(g_recordMutex);
    if (g_recorded.size() < 20) {
        const uint8_t *data = static_cast<const uint8_t *>(frame->data);
        g_recorded.emplace_back(data, data + frame->actual_bytes);
    }
}

std::vector<std::vector<uint8_t>> record_frames(const Case &c, int fd) {
    g_recorded.clear();
    uvc_context_t *ctx = nullptr;
    uvc_device_t *dev = nullptr;
    uvc_device_handle_t *devh = nullptr;
    uvc_stream_ctrl_t ctrl;
    uvc_init2(&ctx, nullptr, "");
    uvc_find_device2(ctx, &dev, c.vid(), c.pid(), nullptr, fd);
    uvc_open(dev, &devh);
    if (c.format == kH264) {
        uvc_get_stream_ctrl_format_size1(devh, &ctrl, UVC_FRAME_FORMAT_MJPEG, c.width, c.height, 0,
                                         2);
    } else {
        uvc_get_stream_ctrl_format_size(devh, &ctrl, c.format, c.width, c.height, 0);
    }
    uvc_start_iso_streaming(devh, &ctrl, record_frame, nullptr);
    for (int i = 0; i < 400; i++) {
        {
            std::lock_guard<std::mutex> lock(g_recordMutex);
            if (g_recorded.size() >= 20)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    uvc_stop_streaming(devh);
    uvc_close(devh);
    uvc_unref_device(dev);
    uvc_exit(ctx);
    return g_recorded;
}

// Decoder alone: each recorded access unit in, its 4:2:0 picture out and converted to R, G, B,
// A with libyuv. The recording starts at a key frame, so every round decodes from it.
class DecoderFloor {
  public:
    DecoderFloor(int width, int height)
        : lib_(LibMediaDecoder::getInstance()),
          decoder_(lib_->getMediaDecoder()),
          work_((size_t)width * height * 4),
          width_(width),
          height_(height) {
        decoder_->Init();
        decoder_->Start(width, height);
    }
    ~DecoderFloor() {
        decoder_->Stop();
        decoder_->Release();
        lib_->releaseInstance();
    }
    void decode(const std::vector<uint8_t> &unit, uint8_t *picture) {
        decoder_->PutData(const_cast<uint8_t *>(unit.data()), (int)unit.size());
        int info = 0;
        const int format = decoder_->GetDecodeData(work_.data(), &info, (int)work_.size());
        const uint8_t *chroma = work_.data() + (size_t)width_ * height_;
        if (format == 21) {
            libyuv::NV12ToABGR(work_.data(), width_, chroma, width_, picture, width_ * 4, width_,
                               height_);
        }
    }

  private:
    LibMediaDecoder *lib_;
    MediaDecoder *decoder_;
    std::vector<uint8_t> work_;
    int width_, height_;
};

// Bare conversion of each frame into RGBX plus one copy of the picture: CPU seconds per frame.
double floor_per_frame(const Case &c, const std::vector<std::vector<uint8_t>> &frames) {
    const size_t bytes = (size_t)c.width * c.height * 4;
    std::vector<uint8_t> picture(bytes), shown(bytes);
    tjhandle tj = tjInitDecompress();
    const int rounds = 3;
    double start = cpu_seconds();
    for (int r = 0; r < rounds; r++) {
        std::unique_ptr<DecoderFloor> decoder;
        if (c.format == kH264)
            decoder.reset(new DecoderFloor(c.width, c.height));
        for (const auto &f : frames) {
            if (decoder) {
                decoder->decode(f, picture.data());
            } else if (c.format == UVC_FRAME_FORMAT_MJPEG) {
                tjDecompress2(tj, f.data(), f.size(), picture.data(), c.width, 0, c.height,
                              TJPF_RGBX, TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE);
            } else {
                // libyuv converts YUYV only to B, G, R, A; a swap pass makes it R, G, B, X.
                // The swap follows the conversion band by band (16 KiB of output rows), while
                // the rows are still in cache: the cheapest libyuv route, as the camera library
                // takes it.
                const int step = c.width * 4;
                const int band = std::max(1, 16 * 1024 / step);
                for (int y = 0; y < c.height; y += band) {
                    const int rows = std::min(band, c.height - y);
                    uint8_t *dst = picture.data() + (size_t)y * step;
                    libyuv::YUY2ToARGB(f.data() + (size_t)y * c.width * 2, c.width * 2, dst, step,
                                       c.width, rows);
                    libyuv::ARGBToABGR(dst, step, dst, step, c.width, rows);
                }
            }
            memcpy(shown.data(), picture.data(), bytes);
        }
    }
    double spent = cpu_seconds() - start;
    tjDestroy(tj);
    return spent / (rounds * frames.size());
}

// Raw-frame deliveries in drawing order: the counter of each posted picture.
std::mutex g_counterMutex;
std::vector<int64_t> g_counters;
int g_width = 0, g_height = 0;

void on_raw(long, char *data, int) {
    int64_t n = uvc_test_decode_counter(reinterpret_cast<uint8_t *>(data), g_width, g_height, 0);
    std::lock_guard<std::mutex> lock(g_counterMutex);
    g_counters.push_back(n);
}

struct EngineRun {
    double cpuPerFrame = 0;
    int64_t delivered = 0;
    int64_t posted = 0;
    double p50Ms = -1, p99Ms = -1;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, (size_t)(p * values.size()))];
}

// Runs the engine on the camera for `seconds`. The CPU per posted picture leaves out the
// camera thread's own time (it produces the frames); with `latency` each posted picture's
// counter comes back through the raw-frame callback and is matched to its post time.
EngineRun run_engine(const Case &c, int fd, int seconds, bool latency) {
    EngineRun run;
    UVCCamera camera;
    if (camera.connect(c.vid(), c.pid(), fd, nullptr, false, "") != 0)
        return run;
    camera.setRecMode(1);
    UVCPreview *engine = camera.preview();
    uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(engine);
    engine->set_UVC_Resolution(c.format, c.width, c.height, 0);
    ANativeWindow *window = host_window_create(c.width, c.height);
    ANativeWindow_acquire(window);
    engine->setPreviewDisplay(window);
    {
        std::lock_guard<std::mutex> lock(g_counterMutex);
        g_counters.clear();
    }
    g_width = c.width;
    g_height = c.height;
    if (latency)
        engine->SetRawdataCallback(on_raw);

    camera.startPreview();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // warm pools and caches
    const int64_t posts0 = host_window_post_count(window);
    const uint32_t frames0 = uvc_test_frames_delivered(devh);
    const double cpu0 = cpu_seconds();
    const int64_t camera0 = uvc_test_stream_thread_cpu_ns(devh);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu1 = cpu_seconds();
    const int64_t camera1 = uvc_test_stream_thread_cpu_ns(devh);
    run.posted = host_window_post_count(window) - posts0;
    run.delivered = (int64_t)uvc_test_frames_delivered(devh) - frames0;
    camera.stopPreview();
    const double engineCpu = (cpu1 - cpu0) - (camera1 - camera0) / 1e9;
    run.cpuPerFrame = run.posted > 0 ? engineCpu / run.posted : 0;

    if (latency) {
        std::vector<int64_t> posts = host_window_post_times(window);
        std::lock_guard<std::mutex> lock(g_counterMutex);
        std::vector<double> latencies;
        // Deliveries follow the posts one to one while the callback keeps up.
        const size_t n = std::min(posts.size(), g_counters.size());
        for (size_t i = 0; i < n; i++) {
            int64_t handover = uvc_test_handover_time_ns(devh, (uint32_t)g_counters[i]);
            if (g_counters[i] <= 0 || handover < 0)
                continue;
            latencies.push_back((posts[i] * 1000 - handover) / 1e6);
        }
        run.p50Ms = percentile(latencies, 0.50);
        run.p99Ms = percentile(latencies, 0.99);
    }
    camera.release();
    ANativeWindow_release(window);
    return run;
}

}  // namespace

int main() {
    host_log_set_echo(false);
    const Case cases[] = {{9, 1280, 720, 60},
                          {9, 1920, 1080, 60},
                          {3, 1280, 720, 60},
                          {3, 1920, 1080, 60},
                          {kH264, 1920, 1080, 30}};
    printf(
        "Engine path (frame callback to surface post) vs floor (bare decode or conversion to\n"
        "RGBX plus one picture copy) on the same frames; CPU ms per frame at 60 fps (H.264: at\n"
        "30 fps, the floor being the decoder alone plus one conversion and copy).\n"
        "Latency: camera hand-over to surface post at 30 fps.\n\n");
    printf("%-12s %11s %11s %7s %10s %8s %8s %8s\n", "case", "engine ms", "floor ms", "ratio",
           "delivered", "posted", "p50 ms", "p99 ms");
    for (const Case &c : cases) {
        std::string fast = write_description(c, c.loadFps);
        int fd = open(fast.c_str(), O_RDONLY);
        const double floorCpu = floor_per_frame(c, record_frames(c, fd));
        EngineRun load = run_engine(c, fd, 3, false);
        close(fd);
        unlink(fast.c_str());

        std::string normal = write_description(c, 30);
        fd = open(normal.c_str(), O_RDONLY);
        EngineRun timing = run_engine(c, fd, 3, true);
        close(fd);
        unlink(normal.c_str());

        char name[32];
        snprintf(name, sizeof(name), "%s %dp",
                 c.format == 9       ? "MJPEG"
                 : c.format == kH264 ? "H.264"
                                     : "YUYV",
                 c.height);
        printf("%-12s %11.2f %11.2f %7.2f %10lld %8lld %8.1f %8.1f\n", name, load.cpuPerFrame * 1e3,
               floorCpu * 1e3, floorCpu > 0 ? load.cpuPerFrame / floorCpu : 0.0,
               (long long)load.delivered, (long long)load.posted, timing.p50Ms, timing.p99Ms);
    }
    return 0;
}
