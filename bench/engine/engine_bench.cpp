// Per-frame CPU of the engine path beside the floor measured on the same camera frames in the
// same process, both paced like the camera and back to back, over interleaved rounds; the
// time from the camera's first frame to the first picture on a first start and on a restart;
// and steady-state latency from the camera's hand-over to the surface post. MJPEG and YUYV at
// 720p and 1080p from a 60 fps webcam, H.264 at 1080p30.
//
//   engine_bench [--pattern scene|counter] [--rounds N] [--only MJPEG|YUYV|H.264]
//                                                          the comparison table
//   engine_bench [--rounds N] [--seconds S] --4k           the 4K rows, engine beside the
//                                                          one-decode path, S (30) s each
//   engine_bench --write-mjpeg PATH COUNT [4k] [no-markers]
//                                                          1080p (4K) camera frames for peers.sh
//   engine_bench --replay PATH --frames N [4k]             the engine alone on those frames
//                                                          (4K: sent at 120 fps)
//   engine_bench [--seconds S] --capacity PATH             the highest rate a 4K file is carried
//                                                          at, engine and one-decode path
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "UVCCamera.h"
#include "bench_support.h"
#include "engine_access.h"
#include "floor.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

// The webcam streams MJPEG and YUYV at 60 fps; the camera with the H.264 camera's ids is always
// streamed as H.264 (format 13), at 1080p30 as a camera of that kind sends.
struct Camera {
    int vid, pid, fps;
};
const Camera kWebcam = {0x1bcf, 0x2c9a, 60};
const Camera kH264Camera = {0x041e, 0x4057, 30};
const int kH264 = 13;

struct Case {
    int format;
    int width;
    int height;
    const Camera *own = nullptr;  // a camera of its own (the 4K rows)
    int loop = 0;                 // frames of the replayed file the camera sends, if any
    const Camera &camera() const { return own ? *own : format == kH264 ? kH264Camera : kWebcam; }
    // The engine is asked for MJPEG; it negotiates the H.264 camera's stream by its ids.
    int wish() const { return format == kH264 ? 9 : format; }
    const char *name() const { return format == 9 ? "MJPEG" : format == kH264 ? "H.264" : "YUYV"; }
};

// A camera description in a temporary file, open for reading.
class Description {
  public:
    Description(const Camera &camera, const std::string &extra,
                const std::string &mjpeg = "1920x1080, 1280x720") {
        path_ = "/tmp/engine_bench_" + std::to_string(getpid()) + "_" + std::to_string(camera.pid) +
                ".conf";
        std::ofstream out(path_);
        out << "vid = " << camera.vid << "\npid = " << camera.pid << "\nname = Bench Camera\n"
            << "mjpeg = " << mjpeg << "\nyuyv = 1920x1080, 1280x720\n"
            << "h264 = 1920x1080, 1280x720\n"
            << "default = mjpeg 1280x720\nfps = " << camera.fps << "\nstill_method = 0\n"
            << "microphone = off\n"
            << extra;
        out.close();
        fd_ = open(path_.c_str(), O_RDONLY);
    }
    ~Description() {
        close(fd_);
        unlink(path_.c_str());
    }
    int fd() const { return fd_; }

  private:
    std::string path_;
    int fd_;
};

// The camera frame a picture showing `counter` came from, given a camera frame sent at or after
// it. A camera replaying a file of `loop` frames shows counter (n - 1) % loop + 1 in frame n.
int64_t camera_frame(int64_t counter, int loop, int64_t latest) {
    if (loop <= 0 || counter <= 0 || latest < counter)
        return counter;
    return counter + (latest - counter) / loop * loop;
}

// The pictures the raw-frame callback receives: counter, arrival time and the camera's frames
// delivered by then, in drawing order.
struct Delivery {
    int64_t counter;
    int64_t us;
    int64_t sent;
};
std::mutex g_counterMutex;  // guards g_deliveries
std::vector<Delivery> g_deliveries;
int g_width = 0, g_height = 0;
uvc_device_handle_t *g_camera = nullptr;  // set before the raw-frame callback is

void on_raw(long, char *data, int) {
    int64_t n = uvc_test_decode_counter(reinterpret_cast<uint8_t *>(data), g_width, g_height, 0);
    const int64_t sent = uvc_test_frames_delivered(g_camera);
    std::lock_guard<std::mutex> lock(g_counterMutex);
    g_deliveries.push_back({n, monotonic_us(), sent});
}

struct EngineRun {
    double cpuPerFrame = 0;
    int64_t delivered = 0, posted = 0;
    double firstMs = -1, restartMs = -1;  // camera's first frame to first picture
    double startCallMs = -1;              // startPreview call to first picture, first start
    double residentMib = -1;              // resident memory added by the running preview
    std::vector<double> latencies;        // steady state, ms
    // Steady state without a reader after the window, ms; empty when a frame was lost in between
    std::vector<double> windowLatencies;
};

// The camera frame of the last posted picture and the post count, read together.
bool window_mark(uvc_device_handle_t *devh, int loop, ANativeWindow *window, int64_t *frame,
                 int64_t *posts) {
    for (int i = 0; i < 20; i++) {
        const int64_t before = host_window_post_count(window);
        std::vector<uint8_t> pixels;
        int32_t width = 0, height = 0;
        if (!host_window_last_picture(window, &pixels, &width, &height))
            return false;
        if (host_window_post_count(window) == before) {
            *frame = camera_frame(uvc_test_decode_counter(pixels.data(), width, height, 0), loop,
                                  uvc_test_frames_delivered(devh));
            *posts = before;
            return true;
        }
    }
    return false;
}

// Latencies of the posts between two marks, when every camera frame between them was posted:
// post k then shows frame counter0 + k - (posts0 - 1).
std::vector<double> window_latencies(uvc_device_handle_t *devh, ANativeWindow *window,
                                     int64_t counter0, int64_t posts0, int64_t counter1,
                                     int64_t posts1) {
    std::vector<double> latencies;
    if (counter1 - counter0 != posts1 - posts0)
        return latencies;
    const std::vector<int64_t> posts = host_window_post_times(window);
    for (int64_t k = posts0; k < posts1 && k < (int64_t)posts.size(); k++) {
        const int64_t handover =
            uvc_test_handover_time_ns(devh, (uint32_t)(counter0 + k - (posts0 - 1)));
        if (handover >= 0)
            latencies.push_back((posts[k] * 1000 - handover) / 1e6);
    }
    return latencies;
}

// Milliseconds from the stream's first camera frame to the first post after `postsBefore`.
double first_picture_ms(uvc_device_handle_t *devh, ANativeWindow *window, size_t postsBefore) {
    for (int i = 0; i < 500 && (size_t)host_window_post_count(window) <= postsBefore; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::vector<int64_t> posts = host_window_post_times(window);
    int64_t handover = uvc_test_handover_time_ns(devh, 1);
    if (posts.size() <= postsBefore || handover < 0)
        return -1;
    return (posts[postsBefore] * 1000 - handover) / 1e6;
}

// Starts a fresh engine (first start), measures its CPU per picture for `seconds` without any
// reader after the surface, then restarts it at the same size with the raw-frame callback on
// to match each post to its camera frame.
EngineRun run_engine(const Case &c, int fd, double seconds,
                     DecodeChoice choice = DecodeChoice::measured) {
    EngineRun run;
    UVCCamera camera;
    if (camera.connect(c.camera().vid, c.camera().pid, fd, nullptr, false, "") != 0)
        return run;
    camera.setRecMode(1);
    UVCPreview *engine = camera.preview();
    UVCPreviewTestAccess::setDecodeChoice(engine, choice);
    uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(engine);
    engine->set_UVC_Resolution(c.wish(), c.width, c.height, 0);
    ANativeWindow *window = host_window_create(c.width, c.height);
    ANativeWindow_acquire(window);

    engine->setPreviewDisplay(window);
    const double residentBefore = resident_mib();
    const int64_t startUs = monotonic_us();
    camera.startPreview();
    run.firstMs = first_picture_ms(devh, window, 0);
    std::vector<int64_t> firstPosts = host_window_post_times(window);
    if (!firstPosts.empty()) {
        run.startCallMs = (firstPosts[0] - startUs) / 1e3;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // warm caches
    int64_t mark0 = -1, markPosts0 = 0, mark1 = -1, markPosts1 = 0;
    const bool marked0 = window_mark(devh, c.loop, window, &mark0, &markPosts0);
    const int64_t posts0 = host_window_post_count(window);
    const uint32_t frames0 = uvc_test_frames_delivered(devh);
    const double cpu0 = process_cpu_seconds();
    const int64_t camera0 = uvc_test_stream_thread_cpu_ns(devh);
    const int64_t callback0 = uvc_test_callback_cpu_ns(devh);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double cpu1 = process_cpu_seconds();
    const int64_t camera1 = uvc_test_stream_thread_cpu_ns(devh);
    const int64_t callback1 = uvc_test_callback_cpu_ns(devh);
    run.posted = host_window_post_count(window) - posts0;
    run.delivered = (int64_t)uvc_test_frames_delivered(devh) - frames0;
    run.residentMib = resident_mib() - residentBefore;
    if (marked0 && window_mark(devh, c.loop, window, &mark1, &markPosts1))
        run.windowLatencies = window_latencies(devh, window, mark0, markPosts0, mark1, markPosts1);
    camera.stopPreview();
    // The camera thread makes the frames; the frame callback's time on it is the engine's.
    const double engineCpu =
        (cpu1 - cpu0) - (camera1 - camera0) / 1e9 + (callback1 - callback0) / 1e9;
    run.cpuPerFrame = run.posted > 0 ? engineCpu / run.posted : 0;

    {
        std::lock_guard<std::mutex> lock(g_counterMutex);
        g_deliveries.clear();
    }
    g_width = c.width;
    g_height = c.height;
    g_camera = devh;
    engine->SetRawdataCallback(on_raw);
    ANativeWindow_acquire(window);  // the engine's reference, let go of by stopPreview
    engine->setPreviewDisplay(window);
    const size_t postsBefore = host_window_post_count(window);
    camera.startPreview();
    run.restartMs = first_picture_ms(devh, window, postsBefore);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    camera.stopPreview();
    std::vector<int64_t> posts = host_window_post_times(window);
    std::lock_guard<std::mutex> lock(g_counterMutex);
    // A picture is posted before the raw-frame callback gets it, so its post is at the latest
    // the last post before the delivery: latencies from that post never come out too small,
    // whatever the raw-frame queue dropped. The first half second is left out as the start.
    for (size_t i = c.camera().fps / 2; i < g_deliveries.size(); i++) {
        const Delivery &d = g_deliveries[i];
        const int64_t frame = camera_frame(d.counter, c.loop, d.sent);
        int64_t handover = uvc_test_handover_time_ns(devh, (uint32_t)frame);
        auto post = std::upper_bound(posts.begin() + postsBefore, posts.end(), d.us);
        if (frame <= 0 || handover < 0 || post == posts.begin() + postsBefore)
            continue;
        run.latencies.push_back((*(post - 1) * 1000 - handover) / 1e6);
    }
    camera.release();
    ANativeWindow_release(window);
    return run;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, (size_t)(p * values.size()))];
}

// "median [min-max]" of one figure over the rounds.
std::string spread(std::vector<double> values, double scale = 1) {
    if (values.empty())
        return "-";
    std::sort(values.begin(), values.end());
    char text[64];
    snprintf(text, sizeof(text), "%.2f [%.2f-%.2f]", values[values.size() / 2] * scale,
             values.front() * scale, values.back() * scale);
    return text;
}

struct CaseFigures {
    std::vector<double> engine, paced, backToBack, ratioPaced, ratioBackToBack, first, restart, p50,
        p99, startCall, resident, windowP50, windowP99;
    int64_t delivered = 0, posted = 0;

    // The figures every run gives.
    void add(const EngineRun &run) {
        engine.push_back(run.cpuPerFrame);
        resident.push_back(run.residentMib);
        add_percentiles(run.latencies, &p50, &p99);
        add_percentiles(run.windowLatencies, &windowP50, &windowP99);
        delivered += run.delivered;
        posted += run.posted;
    }
    static void add_percentiles(const std::vector<double> &latencies, std::vector<double> *p50,
                                std::vector<double> *p99) {
        if (latencies.empty())
            return;
        p50->push_back(percentile(latencies, 0.50));
        p99->push_back(percentile(latencies, 0.99));
    }
};

// The cases whose name starts with `only` (all for an empty one).
std::vector<Case> chosen_cases(const std::string &only) {
    const Case all[] = {
        {9, 1280, 720}, {9, 1920, 1080}, {3, 1280, 720}, {3, 1920, 1080}, {kH264, 1920, 1080}};
    std::vector<Case> cases;
    for (const Case &c : all) {
        if (std::string(c.name()).compare(0, only.size(), only) == 0)
            cases.push_back(c);
    }
    return cases;
}

void comparison(const std::string &pattern, int rounds, const std::vector<Case> &cases) {
    const int caseCount = (int)cases.size();
    Description webcam(kWebcam, "pattern = " + pattern + "\n");
    Description h264Camera(kH264Camera, "pattern = " + pattern + "\n");
    auto descriptor = [&](const Case &c) {
        return c.format == kH264 ? h264Camera.fd() : webcam.fd();
    };
    // H.264: one key-frame interval (a second of frames, starting at the key frame), so that the
    // floor decodes key and other frames in the camera's proportion.
    std::vector<RecordedFrames> recorded;
    for (const Case &c : cases) {
        const size_t count = c.format == kH264 ? c.camera().fps : 24;
        recorded.push_back(record_camera_frames(descriptor(c), c.camera().vid, c.camera().pid,
                                                c.format, c.width, c.height, count));
    }
    printf("pattern %s, %d fps (H.264 %d fps), %d interleaved rounds; load average at start %s\n",
           pattern.c_str(), kWebcam.fps, kH264Camera.fps, rounds, load_average().c_str());
    std::vector<CaseFigures> figures(caseCount);
    for (int round = 0; round < rounds; round++) {
        for (int i = 0; i < caseCount; i++) {
            const Case &c = cases[i];
            const int fps = c.camera().fps;
            EngineRun run = run_engine(c, descriptor(c), 3.0);
            double paced =
                floor_cpu_per_frame(c.format, c.width, c.height, recorded[i], 2 * fps, fps);
            double backToBack =
                floor_cpu_per_frame(c.format, c.width, c.height, recorded[i], fps, 0);
            CaseFigures &f = figures[i];
            f.add(run);
            f.paced.push_back(paced);
            f.backToBack.push_back(backToBack);
            f.ratioPaced.push_back(run.cpuPerFrame / paced);
            f.ratioBackToBack.push_back(run.cpuPerFrame / backToBack);
            f.first.push_back(run.firstMs);
            f.restart.push_back(run.restartMs);
            f.startCall.push_back(run.startCallMs);
        }
        printf("round %d done, load average %s\n", round + 1, load_average().c_str());
    }
    printf(
        "\nCPU ms per picture: engine (frame callback to surface post, callback share of the\n"
        "camera thread included) vs floor (one conversion and one copy into a window buffer on\n"
        "the same frames; H.264: the decoder library, then the conversion and the copy), paced\n"
        "at the camera's rate and back to back. median [min-max] over rounds.\n");
    for (int i = 0; i < caseCount; i++) {
        const Case &c = cases[i];
        const CaseFigures &f = figures[i];
        printf("\n%s %dp%d   delivered %lld, posted %lld\n", c.name(), c.height, c.camera().fps,
               (long long)f.delivered, (long long)f.posted);
        printf("  engine ms            %s\n", spread(f.engine, 1e3).c_str());
        printf("  floor paced ms       %s   engine/floor %s\n", spread(f.paced, 1e3).c_str(),
               spread(f.ratioPaced).c_str());
        printf("  floor back-to-back   %s   engine/floor %s\n", spread(f.backToBack, 1e3).c_str(),
               spread(f.ratioBackToBack).c_str());
        printf(
            "  first picture ms     first start %s   restart %s   (from the startPreview "
            "call: %s)\n",
            spread(f.first).c_str(), spread(f.restart).c_str(), spread(f.startCall).c_str());
        printf("  steady latency ms    p50 %s   p99 %s\n", spread(f.p50).c_str(),
               spread(f.p99).c_str());
        printf("  resident MiB added   %s   (the running preview: pools, window buffers)\n",
               spread(f.resident).c_str());
    }
    printf("\nload average at end %s\n", load_average().c_str());
}

// Writes `count` MJPEG frames of the camera-like scene at width x height, back to back, with
// restart markers or without them.
int write_mjpeg(const char *path, int count, int width, int height, bool markers) {
    Description description(kWebcam,
                            std::string("pattern = scene\n") +
                                (markers ? "restart_interval = cells\n" : "restart_interval = 0\n"),
                            "3840x2160, 1920x1080, 1280x720");
    RecordedFrames frames =
        record_camera_frames(description.fd(), kWebcam.vid, kWebcam.pid, 9, width, height, count);
    std::ofstream out(path, std::ios::binary);
    for (const auto &frame : frames)
        out.write(reinterpret_cast<const char *>(frame.data()), frame.size());
    return out && (int)frames.size() == count ? 0 : 1;
}

// The 4K rows: camera-like frames at 3840x2160, without restart markers at 30 and 60 fps and
// with them at 30 fps, each through the engine as it chooses and through the one-decode path
// (every frame decoded in one piece on one thread, as before the decode workers) in the same
// round. The frames are recorded once and replayed as they are, so that the camera thread only
// copies them, as a real camera takes no time of the host.
void fourk_comparison(int rounds, double seconds) {
    static const Camera at30 = {0x1bcf, 0x2d40, 30}, at60 = {0x1bcf, 0x2d41, 60};
    const int loop = 120;
    const std::string stem = "/tmp/engine_bench_" + std::to_string(getpid());
    const std::string plain = stem + "_plain.mjpeg", marked = stem + "_markers.mjpeg";
    if (write_mjpeg(plain.c_str(), loop, 3840, 2160, false) != 0 ||
        write_mjpeg(marked.c_str(), loop, 3840, 2160, true) != 0) {
        fprintf(stderr, "the 4K frames could not be recorded under /tmp\n");
        unlink(plain.c_str());
        unlink(marked.c_str());
        return;
    }
    struct Row {
        const char *name;
        Case c;
        const std::string &file;
    };
    const Row rows[] = {
        {"4K30 no restart markers", {9, 3840, 2160, &at30, loop}, plain},
        {"4K60 no restart markers", {9, 3840, 2160, &at60, loop}, plain},
        {"4K30 restart markers   ", {9, 3840, 2160, &at30, loop}, marked},
    };
    const DecodeChoice paths[] = {DecodeChoice::measured, DecodeChoice::oneThread};
    printf(
        "4K MJPEG, camera-like scene replayed, %d interleaved rounds of %.0f s; load average at "
        "start %s\n",
        rounds, seconds, load_average().c_str());
    CaseFigures figures[3][2];
    for (int round = 0; round < rounds; round++) {
        for (int r = 0; r < 3; r++) {
            Description camera(*rows[r].c.own, "replay = mjpeg 3840x2160 " + rows[r].file + "\n",
                               "3840x2160, 1280x720");
            for (int p = 0; p < 2; p++) {
                EngineRun run = run_engine(rows[r].c, camera.fd(), seconds, paths[p]);
                figures[r][p].add(run);
            }
        }
        printf("round %d done, load average %s\n", round + 1, load_average().c_str());
    }
    printf(
        "\nmedian [min-max] over rounds; CPU ms a posted picture; latency ms from the camera's\n"
        "hand-over to the surface post, with only the window reading (a run that lost a frame\n"
        "gives none) and with a raw-frame reader; resident memory the running preview added.\n");
    for (int r = 0; r < 3; r++) {
        for (int p = 0; p < 2; p++) {
            const CaseFigures &f = figures[r][p];
            printf(
                "%s  %-10s\n    delivered %lld posted %lld  CPU ms %s  resident MiB %s\n"
                "    window p50 %s p99 %s   raw reader p50 %s p99 %s\n",
                rows[r].name, p == 0 ? "engine" : "one decode", (long long)f.delivered,
                (long long)f.posted, spread(f.engine, 1e3).c_str(), spread(f.resident).c_str(),
                spread(f.windowP50).c_str(), spread(f.windowP99).c_str(), spread(f.p50).c_str(),
                spread(f.p99).c_str());
        }
    }
    printf("\nload average at end %s\n", load_average().c_str());
    unlink(plain.c_str());
    unlink(marked.c_str());
}

// Streams a replayed MJPEG file of width x height frames, sent at `fps`, through the engine on
// the given decode path, and runs `during` while it streams with the camera handle and window.
template <typename During>
bool with_replay(const char *path, int width, int height, int fps, DecodeChoice choice,
                 During during) {
    const Camera sender = {kWebcam.vid, kWebcam.pid, fps};
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    Description description(sender, "replay = mjpeg " + size + " " + path + "\n",
                            size + ", 1280x720");
    UVCCamera camera;
    if (camera.connect(kWebcam.vid, kWebcam.pid, description.fd(), nullptr, false, "") != 0)
        return false;
    camera.setRecMode(1);
    UVCPreview *engine = camera.preview();
    UVCPreviewTestAccess::setDecodeChoice(engine, choice);
    engine->set_UVC_Resolution(9, width, height, 0);
    ANativeWindow *window = host_window_create(width, height);
    ANativeWindow_acquire(window);
    engine->setPreviewDisplay(window);
    camera.startPreview();
    during(UVCPreviewTestAccess::handle(engine), window);
    camera.stopPreview();
    camera.release();
    ANativeWindow_release(window);
    return true;
}

// Runs the engine on a replayed file until `count` pictures were posted.
int replay(const char *path, int count, int width, int height, int fps) {
    const bool ran =
        with_replay(path, width, height, fps, DecodeChoice::measured,
                    [count](uvc_device_handle_t *, ANativeWindow *window) {
                        for (int i = 0; i < 60000 && host_window_post_count(window) < count; i++)
                            std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    });
    return ran ? 0 : 1;
}

// Capacity: the 4K file replayed for `seconds` at a rate, after a second's start; the rate is
// carried when every frame the camera delivered in that time was posted (a post may land a frame
// after its delivery: one frame of slack at the edges). A rate that loses frames is tried once
// more, as a machine that stalls the process for a moment loses a frame or two at any rate.
// Rates rise by 10 fps from 30 up to the first rate lost twice, then by 2 fps from the last
// rate carried.
void capacity(const char *path, double seconds) {
    const DecodeChoice paths[] = {DecodeChoice::measured, DecodeChoice::oneThread};
    printf("4K MJPEG replayed from %s, %.0f s a rate; load average at start %s\n", path, seconds,
           load_average().c_str());
    int carried[2] = {0, 0};
    for (int p = 0; p < 2; p++) {
        auto carried_once = [&](int fps) {
            int64_t delivered = 0, posted = 0;
            with_replay(path, 3840, 2160, fps, paths[p],
                        [&](uvc_device_handle_t *devh, ANativeWindow *window) {
                            std::this_thread::sleep_for(std::chrono::seconds(1));
                            const int64_t posts0 = host_window_post_count(window);
                            const uint32_t frames0 = uvc_test_frames_delivered(devh);
                            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
                            posted = host_window_post_count(window) - posts0;
                            delivered = (int64_t)uvc_test_frames_delivered(devh) - frames0;
                        });
            printf("  %-10s %3d fps: delivered %lld posted %lld\n",
                   p == 0 ? "engine" : "one decode", fps, (long long)delivered, (long long)posted);
            fflush(stdout);
            return delivered > 0 && posted + 1 >= delivered;
        };
        auto carries = [&](int fps) { return carried_once(fps) || carried_once(fps); };
        for (int fps = 30; fps <= 120 && carries(fps); fps += 10)
            carried[p] = fps;
        const int coarse = carried[p];
        for (int fps = coarse + 2; coarse > 0 && fps < coarse + 10 && fps <= 120 && carries(fps);
             fps += 2)
            carried[p] = fps;
    }
    printf(
        "highest rate carried: engine %d fps, one decode %d fps (%.2fx); load average at end "
        "%s\n",
        carried[0], carried[1], carried[1] ? (double)carried[0] / carried[1] : 0.0,
        load_average().c_str());
}

}  // namespace

int main(int argc, char **argv) {
    host_log_set_echo(false);
    std::string pattern = "scene";
    int rounds = 3;
    double seconds = 30;  // of each 4K run
    std::string only;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--write-mjpeg" && i + 2 < argc) {
            bool fourk = false, markers = true;
            for (int j = i + 3; j < argc; j++) {
                fourk |= std::string(argv[j]) == "4k";
                markers &= std::string(argv[j]) != "no-markers";
            }
            return write_mjpeg(argv[i + 1], atoi(argv[i + 2]), fourk ? 3840 : 1920,
                               fourk ? 2160 : 1080, markers);
        }
        if (arg == "--4k") {
            fourk_comparison(rounds, seconds);
            return 0;
        }
        if (arg == "--capacity" && i + 1 < argc) {
            capacity(argv[i + 1], seconds);
            return 0;
        }
        if (arg == "--replay" && i + 3 < argc && std::string(argv[i + 2]) == "--frames") {
            // 4K: sent at the highest rate a camera may describe, to see the engine flat out.
            if (i + 4 < argc && std::string(argv[i + 4]) == "4k")
                return replay(argv[i + 1], atoi(argv[i + 3]), 3840, 2160, 120);
            return replay(argv[i + 1], atoi(argv[i + 3]), 1920, 1080, kWebcam.fps);
        }
        if (arg == "--pattern" && i + 1 < argc) {
            pattern = argv[++i];
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, atoi(argv[++i]));
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::max(1.0, atof(argv[++i]));
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            fprintf(stderr,
                    "usage: %s [--pattern scene|counter] [--rounds N] [--only MJPEG|YUYV|H.264]\n"
                    "       %s [--rounds N] [--seconds S] --4k\n"
                    "       %s --write-mjpeg PATH COUNT [4k] [no-markers]\n"
                    "       %s --replay PATH --frames N [4k]\n"
                    "       %s [--seconds S] --capacity PATH\n",
                    argv[0], argv[0], argv[0], argv[0], argv[0]);
            return 2;
        }
    }
    const std::vector<Case> cases = chosen_cases(only);
    if (cases.empty()) {
        fprintf(stderr, "no case named %s\n", only.c_str());
        return 2;
    }
    comparison(pattern, rounds, cases);
    return 0;
}
