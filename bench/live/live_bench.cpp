// A counter camera with a sine microphone streamed live by the engine to the local nginx RTMP
// peer, 1280x720 at 30 fps for 30 s by default:
// - frames lost on the way: what the recorder took and encoded, what the live-stream library
//   dropped, what the peer recorded (ffprobe's frame count and the counters in its file);
// - glass-to-peer latency: a player on the peer (ffmpeg reading the same stream back from
//   nginx) stamps each picture as it arrives; the picture's counter names the camera frame,
//   whose hand-over time the camera keeps. The player's own receive and decode are inside the
//   figure, so it is an upper bound of what reached nginx;
// - process CPU per frame while streaming, beside the preview alone on the same camera.
//
//   live_bench [SECONDS] [720|1080]      needs nginx with its RTMP module (scripts/setup.sh)
#include <stdio.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <tlink.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "host_android.h"
#include "loopback_peer.h"
#include "recorder/recorder_test_controls.h"
#include "recording_support.h"
#include "temp_path.h"
#include "uvc_testing.h"

namespace {

// Pictures are read back at this size: the counter survives it, and the player stays cheap.
const int kReadWidth = 640, kReadHeight = 360;

struct Arrival {
    int64_t counter;
    int64_t us;
};

// A player of the peer's stream: ffmpeg decodes it to small R, G, B, X pictures on a pipe, and
// a thread of ours stamps each picture when it is read. nginx keeps a player waiting after the
// publisher has gone, and ffmpeg answers a first SIGTERM only between packets, so `finish`
// kills it; the pictures it wrote are still read to the end of the pipe. Its messages go to
// `log`. It decodes on one thread: frame threads would hold pictures back by a frame each.
class Player {
  public:
    Player(const std::string &url, const std::string &log) {
        const std::string command =
            "exec ffmpeg -nostdin -v warning -fflags nobuffer -flags low_delay -probesize 1000000"
            " -analyzeduration 2000000 -threads 1 -i '" +
            url + "' -map 0:v -vf scale=" + std::to_string(kReadWidth) + ":" +
            std::to_string(kReadHeight) +
            " -fps_mode passthrough -f rawvideo -pix_fmt rgb0 -flush_packets 1 - 2>'" + log + "'";
        int ends[2];
        if (pipe(ends) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(ends[1], STDOUT_FILENO);
            close(ends[0]);
            close(ends[1]);
            execl("/bin/sh", "sh", "-c", command.c_str(), (char *)nullptr);
            _exit(127);
        }
        close(ends[1]);
        if (pid_ < 0) {
            close(ends[0]);
            return;
        }
        input_ = fdopen(ends[0], "r");
        reader_ = std::thread([this] { read(); });
    }
    // Ends the player after `graceMs` for pictures still on their way, and returns what it read.
    std::vector<Arrival> finish(int graceMs) {
        if (pid_ > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(graceMs));
            kill(pid_, SIGKILL);
            if (reader_.joinable())
                reader_.join();
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (input_)
            fclose(input_);
        input_ = nullptr;
        std::lock_guard<std::mutex> lock(mutex_);
        return arrivals_;
    }
    ~Player() { finish(0); }

  private:
    void read() {
        std::vector<uint8_t> picture((size_t)kReadWidth * kReadHeight * 4);
        while (fread(picture.data(), 1, picture.size(), input_) == picture.size()) {
            const int64_t now = monotonic_us();
            const int64_t counter =
                uvc_test_decode_counter(picture.data(), kReadWidth, kReadHeight, 0);
            std::lock_guard<std::mutex> lock(mutex_);
            arrivals_.push_back({counter, now});
        }
    }

    pid_t pid_ = -1;
    FILE *input_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;  // guards arrivals_
    std::vector<Arrival> arrivals_;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, (size_t)(p * values.size()))];
}

struct FileFrames {
    int probed = 0;    // ffprobe's count of video frames
    int readable = 0;  // frames with a readable counter
    int64_t first = -1, last = -1;
};

FileFrames read_file(const std::string &path) {
    FileFrames file;
    file.probed = probe_recording(path).videoFrames;
    for (int64_t counter : file_counters(path, kReadWidth, kReadHeight)) {
        if (counter < 0)
            continue;
        if (file.first < 0)
            file.first = counter;
        file.last = counter;
        file.readable++;
    }
    return file;
}

}  // namespace

int main(int argc, char **argv) {
    const int seconds = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 30;
    const int height = argc > 2 && atoi(argv[2]) == 1080 ? 1080 : 720;
    const int width = height * 16 / 9;
    host_log_set_echo(false);
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    if (!peer.running()) {
        fprintf(stderr, "no RTMP peer (nginx with the RTMP module)\n");
        return 1;
    }
    RecordingSession s(recording_camera(true));
    if (s.connect(PIXEL_FORMAT_MJPEG, width, height) != 0) {
        fprintf(stderr, "the camera did not connect\n");
        return 1;
    }
    UVCPreview *engine = s.engine();
    engine->SetRecType(REC_TYPE_LIVE);
    engine->setTLinkMode(TLINK_MODE_RTMP);
    if (!s.startPreview(RECORD_MODE_VIDEO_AUDIO) || s.prepare() != 0) {
        fprintf(stderr, "the preview did not start\n");
        return 1;
    }
    uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(engine);
    printf("live bench: MJPEG %dx%d at %d fps + sine microphone to nginx RTMP, %d s; load %s\n",
           width, height, kRecordFps, seconds, load_average().c_str());

    // The preview alone first, for the same time share of the camera's frames.
    const int previewSeconds = std::min(seconds, 10);
    s.waitMorePosts(kRecordFps);
    int64_t posts0 = host_window_post_count(s.window);
    double cpu0 = process_cpu_seconds();
    std::this_thread::sleep_for(std::chrono::seconds(previewSeconds));
    const double previewCpu =
        (process_cpu_seconds() - cpu0) / (host_window_post_count(s.window) - posts0);

    const std::string url = peer.url("bench");
    if (s.start(url) != 0) {
        fprintf(stderr, "the live stream did not start\n");
        return 1;
    }
    // Camera frames and CPU from the start on, as the recorder counts.
    const uint32_t delivered0 = uvc_test_frames_delivered(devh);
    cpu0 = process_cpu_seconds();
    // The player joins once video flows, so that its probe finds the video stream at once.
    s.waitMorePosts(kRecordFps);
    const std::string playerLog = temp_path("player.log");
    Player player(url, playerLog);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double liveCpu = process_cpu_seconds() - cpu0;
    const uint32_t delivered = uvc_test_frames_delivered(devh) - delivered0;
    // The recorder's counters just before it is released; a frame in flight may follow.
    const MediaRecorderTestStats stats =
        media_recorder_test_stats(UVCPreviewTestAccess::recording(engine)->encoder());
    const int libraryDropped = engine->getVideoDropFrame();
    const int stopResult = engine->recordStop();
    const std::vector<Arrival> arrivals = player.finish(2000);

    // Latency of each picture the player read; its first two seconds are left out, as pictures
    // held back while it probed the stream come out together.
    std::vector<double> latencies;
    for (size_t i = 2 * kRecordFps; i < arrivals.size(); i++) {
        const int64_t handover = uvc_test_handover_time_ns(devh, (uint32_t)arrivals[i].counter);
        if (arrivals[i].counter > 0 && handover >= 0)
            latencies.push_back((arrivals[i].us * 1000 - handover) / 1e6);
    }
    s.camera.stopPreview();
    peer.stop();
    const FileFrames file = read_file(peer.recording("bench"));
    const double liveCpuPerFrame = stats.video_encoded > 0 ? liveCpu / stats.video_encoded : 0;

    printf("load average after: %s\n", load_average().c_str());
    printf("camera frames during the stream %u; recorder took %lld, dropped %lld, encoded %lld;\n",
           delivered, (long long)stats.video_taken, (long long)stats.video_dropped,
           (long long)stats.video_encoded);
    printf("live library dropped %d; recordStop %d\n", libraryDropped, stopResult);
    printf(
        "peer's file: %d frames (ffprobe), %d with a counter, counters %lld..%lld, %lld missing "
        "between them (camera frames the engine did not record)\n",
        file.probed, file.readable, (long long)file.first, (long long)file.last,
        (long long)(file.first >= 0 ? file.last - file.first + 1 - file.readable : 0));
    printf("lost between the encoder and the peer's file: %lld of %lld\n",
           (long long)(stats.video_encoded - file.probed), (long long)stats.video_encoded);
    printf(
        "glass to player ms (camera hand-over to a player on the peer reading the picture, "
        "%zu pictures): p50 %.1f, p99 %.1f, max %.1f\n",
        latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
        percentile(latencies, 1.0));
    if (arrivals.empty()) {
        printf("the player read no picture; its messages:\n");
        fflush(stdout);
        system(("cat '" + playerLog + "'").c_str());
    }
    printf("process CPU ms per frame: streaming %.2f, preview alone %.2f, streaming adds %.2f\n",
           liveCpuPerFrame * 1e3, previewCpu * 1e3, (liveCpuPerFrame - previewCpu) * 1e3);
    return 0;
}
