// Does the recorder keep up with 1080p30 video plus 48 kHz stereo sound on this machine?
//
// Run 1 feeds pictures and sound in real time, as the engine does, and reports the process
// CPU per frame and the drops. Run 2 feeds as fast as the queue takes pictures and reports the
// encoder's top rate, side by side with the 30 frames per second needed.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "LibMediaRecorder.h"
#include "recorder_test_controls.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kFps = 30, kRate = 48000, kChannels = 2;

double cpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Moving pictures (a drifting gradient with a moving box), semi-planar 4:2:0.
std::vector<std::vector<uint8_t>> makePictures(int count) {
    std::vector<std::vector<uint8_t>> pictures(count);
    for (int n = 0; n < count; n++) {
        std::vector<uint8_t> &p = pictures[n];
        p.resize((size_t)kWidth * kHeight * 3 / 2);
        for (int y = 0; y < kHeight; y++) {
            for (int x = 0; x < kWidth; x++) {
                bool box = std::abs(x - 200 - n * 24) < 120 && std::abs(y - 500) < 120;
                p[(size_t)y * kWidth + x] = box ? 235 : (uint8_t)((x + y + n * 8) & 0xff);
            }
        }
        uint8_t *chroma = p.data() + (size_t)kWidth * kHeight;
        for (int i = 0; i < kWidth * kHeight / 2; i += 2) {
            chroma[i] = (uint8_t)(96 + (i / kWidth + n) % 64);
            chroma[i + 1] = (uint8_t)(160 - (i % kWidth) / 32);
        }
    }
    return pictures;
}

struct RunResult {
    int frames = 0;
    double wall = 0;
    double cpu = 0;
    MediaRecorderTestStats stats{};
};

RunResult run(const std::vector<std::vector<uint8_t>> &pictures, int frames, bool real_time) {
    LibMediaRecorder *lib = LibMediaRecorder::getInstance();
    MediaRecorder *recorder = lib->getMediaRecorder();
    recorder->SetRecMode(3);
    recorder->SetRecType(MEDIA_REC_TYPE_FILE);
    recorder->Init();
    recorder->SetFrameRate(kFps);
    recorder->SetBitrate(4000000);
    recorder->SetIFrameInterval(1);
    recorder->SetSampleRate(kRate);
    recorder->SetBit(16);
    recorder->SetChannel(kChannels);
    recorder->SetAudioByteRate(kRate * 2 * kChannels);
    static std::atomic<int64_t> bytes_out{0};
    recorder->SetOutputCallback(
        [](void *, int, const MediaPacket *unit) { bytes_out += unit->size; }, nullptr);
    if (recorder->Start(kWidth, kHeight, nullptr) != 0) {
        fprintf(stderr, "recorder did not start\n");
        exit(1);
    }
    const int samples_per_frame = kRate / kFps;
    std::vector<uint8_t> pcm((size_t)samples_per_frame * kChannels * 2);
    for (int i = 0; i < samples_per_frame; i++) {
        int16_t v = (int16_t)(8000 * std::sin(2 * M_PI * 440 * i / kRate));
        ((int16_t *)pcm.data())[2 * i] = ((int16_t *)pcm.data())[2 * i + 1] = v;
    }
    RunResult result;
    result.frames = frames;
    double cpu_start = cpuSeconds();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) {
        auto due = start + std::chrono::microseconds((int64_t)i * 1000000 / kFps);
        if (real_time)
            std::this_thread::sleep_until(due);
        int64_t t = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
        while (recorder->write_Buffer((uint8_t *)pictures[i % pictures.size()].data(), t, 0, 0) ==
                   -2 &&
               !real_time) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        while (recorder->write_AudioBuffer(pcm.data(), (int)pcm.size(), t) == -2 && !real_time) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    recorder->Stop();
    result.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpu = cpuSeconds() - cpu_start;
    result.stats = media_recorder_test_stats(recorder);
    recorder->Release();
    lib->releaseInstance();
    return result;
}

}  // namespace

int main(int argc, char **argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 5;
    if (seconds <= 0)
        seconds = 5;
    auto pictures = makePictures(16);
    unsigned cores = std::thread::hardware_concurrency();
    printf("recorder: %dx%d at %d fps + %d Hz %d channels, %d s, %u cores\n", kWidth, kHeight, kFps,
           kRate, kChannels, seconds, cores);
    printf("settings: libx264 preset ultrafast, tune zerolatency, threads auto, 4 Mbit/s\n");
    double load[1] = {0};
    if (getloadavg(load, 1) == 1) {
        printf("machine load average %.1f on %u cores (others' work competes for the CPU)\n",
               load[0], cores);
    }
    printf("\n");

    RunResult live = run(pictures, seconds * kFps, true);
    const double frame_budget_ms = 1000.0 / kFps;
    const double encoded = live.stats.video_encoded > 0 ? (double)live.stats.video_encoded : 1;
    printf("real time: %d frames offered, video dropped %lld, audio dropped %lld, encoded %lld\n",
           live.frames, (long long)live.stats.video_dropped, (long long)live.stats.audio_dropped,
           (long long)live.stats.video_encoded);
    printf("  process CPU per encoded frame %.2f ms (%.0f%% of one core over the run)\n",
           live.cpu * 1000 / encoded, 100 * live.cpu / live.wall);
    printf("  encode time per frame %.2f ms of a %.2f ms frame interval (ratio %.2f)\n",
           live.stats.encode_us / 1000.0 / encoded, frame_budget_ms,
           live.stats.encode_us / 1000.0 / encoded / frame_budget_ms);

    RunResult burst = run(pictures, seconds * kFps, false);
    double top_fps = burst.frames / burst.wall;
    printf(
        "\nas fast as possible: %d frames in %.2f s = %.1f fps; needed %d fps; headroom "
        "ratio %.2f\n",
        burst.frames, burst.wall, top_fps, kFps, top_fps / kFps);
    printf("verdict: %s\n", live.stats.video_dropped == 0 && live.stats.audio_dropped == 0
                                ? "keeps up (no drops)"
                                : "DROPS");
    return 0;
}
