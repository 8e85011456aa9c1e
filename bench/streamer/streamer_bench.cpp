// What does the streamer cost per picture, and does it lose any, at 720p30?
//
// Run 1 feeds 30 s of 1280x720 NV21 counter pictures from one thread, in real time, through the
// streamer to the local nginx RTMP peer, and reads the received stream back: pictures lost are
// the fed counters that never arrived. Run 2, the floor, does only what any streamer must: the
// NV21 to encoder-layout conversion and the encoder, on the same pictures at the same pace.
// Both report the process CPU per picture; the load average is printed with them.
#include <libyuv.h>
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LibMediaRecorder.h"
#include "StreamWrapper.h"
#include "bench_support.h"
#include "loopback_peer.h"
#include "streamer_support.h"
#include "uvc_testing.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFps = 30, kSeconds = 30;
constexpr int kFrames = kFps * kSeconds;

// Feeds kFrames counter pictures at kFps to `write`; returns the pictures it refused.
template <class Write>
int feed(Write write) {
    std::vector<uint8_t> picture((size_t)kWidth * kHeight * 3 / 2, 128);
    auto start = std::chrono::steady_clock::now();
    int refused = 0;
    for (int i = 0; i < kFrames; i++) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / kFps));
        drawCounter(picture.data(), kWidth, kHeight, i);
        refused += write(picture.data(), (int)picture.size()) != 0;
    }
    return refused;
}

// Counters of every picture of a received stream.
std::set<int64_t> receivedCounters(const std::string &path) {
    std::set<int64_t> counters;
    for (int64_t counter : file_counters(path, kWidth, kHeight)) {
        if (counter >= 0)
            counters.insert(counter);
    }
    return counters;
}

struct Run {
    double cpuPerPicture = 0;
    int refused = 0;
    int sendDropped = 0;  // video units the live-stream library dropped
};

Run streamerRun(const std::string &url) {
    StreamWrapper streamer;
    streamer.Init(false);
    streamer.SetResolution(kWidth, kHeight, 0);
    streamer.SetVideoFPS(kFps);
    streamer.SetVideoBitrate(2000000);
    streamer.SetAudioSamplerate(44100);
    streamer.SetAudioBit(16);
    streamer.SetAudioChannels(2);
    streamer.SetRecMode(1);
    streamer.setTlinkWaitTime(5000);
    if (streamer.Start(url.c_str()) != 0) {
        fprintf(stderr, "the streamer did not start\n");
        exit(1);
    }
    double cpu = process_cpu_seconds();
    Run run;
    run.refused = feed([&](const uint8_t *picture, int bytes) {
        return streamer.videoDataCallback(picture, bytes);
    });
    run.sendDropped = streamer.getVideoDropFrame();
    streamer.Stop();
    run.cpuPerPicture = (process_cpu_seconds() - cpu) / kFrames;
    return run;
}

Run floorRun() {
    LibMediaRecorder *lib = LibMediaRecorder::getInstance();
    MediaRecorder *recorder = lib->getMediaRecorder();
    recorder->SetRecMode(MEDIA_REC_MODE_VIDEO);
    recorder->SetRecType(MEDIA_REC_TYPE_LIVE);
    recorder->Init();
    recorder->SetFrameRate(kFps);
    recorder->SetBitrate(2000000);
    recorder->SetIFrameInterval(1);
    recorder->SetOutputCallback([](void *, int, const MediaPacket *) {}, nullptr);
    if (recorder->Start(kWidth, kHeight, nullptr) != 0) {
        fprintf(stderr, "the recorder did not start\n");
        exit(1);
    }
    std::vector<uint8_t> converted((size_t)kWidth * kHeight * 3 / 2);
    double cpu = process_cpu_seconds();
    Run run;
    run.refused = feed([&](const uint8_t *picture, int) {
        uint8_t *out = converted.data();
        libyuv::NV21ToNV12(picture, kWidth, picture + kWidth * kHeight, kWidth, out, kWidth,
                           out + kWidth * kHeight, kWidth, kWidth, kHeight);
        int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
        return recorder->write_Buffer(out, now, 0, 0);
    });
    recorder->Stop();
    run.cpuPerPicture = (process_cpu_seconds() - cpu) / kFrames;
    recorder->Release();
    lib->releaseInstance();
    return run;
}

}  // namespace

int main() {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    if (!peer.running()) {
        fprintf(stderr, "no RTMP peer (nginx with the RTMP module)\n");
        return 1;
    }
    printf("load average before: %s\n", load_average().c_str());
    Run streamed = streamerRun(peer.url());
    peer.stop();
    std::set<int64_t> received = receivedCounters(peer.recording());
    Run floor = floorRun();
    printf("load average after:  %s\n", load_average().c_str());
    printf("%dx%d at %d fps, %d pictures fed from one thread\n", kWidth, kHeight, kFps, kFrames);
    printf(
        "streamer (intake + encode + send): %.2f ms CPU per picture, %d refused by the "
        "encoder, %d dropped by the sender\n",
        streamed.cpuPerPicture * 1000, streamed.refused, streamed.sendDropped);
    printf("floor (conversion + encode):       %.2f ms CPU per picture, %d refused\n",
           floor.cpuPerPicture * 1000, floor.refused);
    printf("ratio streamer / floor: %.2f\n", streamed.cpuPerPicture / floor.cpuPerPicture);
    printf("pictures lost (counters never received): %d of %d\n", kFrames - (int)received.size(),
           kFrames);
    return 0;
}
