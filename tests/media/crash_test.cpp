// A recording whose process is killed stays playable up to about its last second: a child
// process records through the recorder and the muxer and is killed with SIGKILL once more than
// 5 s of sound and pictures have reached the muxer.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FFMpegLib.h"
#include "LibMediaRecorder.h"
#include "media_test_support.h"
#include "recorder_settings.h"

namespace {

const int KILL_AFTER_SECONDS = 5;
const int AUDIO_FRAME_SAMPLES = 1024;  // samples of one AAC unit

// Records until the muxer got more than KILL_AFTER_SECONDS of both tracks, then reports on
// `ready` and waits to be killed. Never returns.
[[noreturn]] void record_until_killed(const std::string &path, const FeedPlan &plan, int ready) {
    FFMpegLib *muxerLib = FFMpegLib::getInstance();
    MuxerBridge bridge;
    bridge.muxer = muxerLib->getMuxer();
    LibMediaRecorder *lib = LibMediaRecorder::getInstance();
    MediaRecorder *recorder = lib->getMediaRecorder();
    if (open_muxer(bridge.muxer, plan, path) != 0 || recorder->SetRecMode(3) != 0 ||
        recorder->SetRecType(MEDIA_REC_TYPE_FILE) != 0 || recorder->Init() != 0)
        _exit(2);
    apply_recording_settings(recorder, plan);
    recorder->SetOutputCallback(&MuxerBridge::output, &bridge);
    if (recorder->Start(plan.width, plan.height, path.c_str()) != 0)
        _exit(3);

    const size_t videoUnits = (size_t)KILL_AFTER_SECONDS * plan.fps + plan.fps / 2;
    const size_t audioUnits =
        (size_t)(KILL_AFTER_SECONDS + 0.5) * plan.sample_rate / AUDIO_FRAME_SAMPLES;
    std::vector<uint8_t> picture =
        encoderPicture(rgbxPicture(plan.width, plan.height, kGreen), plan.width, plan.height,
                       recorder->GetColorFormat());
    feed(
        plan,
        [&](int, int64_t timeUs) { return recorder->write_Buffer(picture.data(), timeUs, 0, 0); },
        [&](const uint8_t *pcm, int bytes, int64_t timeUs) {
            int written = recorder->write_AudioBuffer((uint8_t *)pcm, bytes, timeUs);
            std::lock_guard<std::mutex> lock(bridge.mutex);
            if ((size_t)std::count(bridge.events.begin(), bridge.events.end(), "video") >=
                    videoUnits &&
                (size_t)std::count(bridge.events.begin(), bridge.events.end(), "audio") >=
                    audioUnits) {
                char done = 1;
                if (write(ready, &done, 1) != 1)
                    _exit(4);
                for (;;)
                    pause();
            }
            return written;
        });
    _exit(5);  // the muxer never got enough
}

TEST(CrashSafeRecording, KilledRecorderLeavesAPlayableFile) {
    FeedPlan plan;
    plan.frames = 60 * plan.fps;
    const std::string path = temp_path("killed.mp4");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        record_until_killed(path, plan, pipeFds[1]);
    }
    close(pipeFds[1]);
    struct pollfd ready = {pipeFds[0], POLLIN, 0};
    const bool recorded = poll(&ready, 1, 300 * 1000) == 1;  // a guard against a hang only
    char byte = 0;
    const bool reported = recorded && read(pipeFds[0], &byte, 1) == 1;
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(pipeFds[0]);
    ASSERT_TRUE(reported) << "child status " << status;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    ProbedStream video, audio;
    ASSERT_TRUE(probeStream(path, "v", &video)) << path;
    ASSERT_TRUE(probeStream(path, "a", &audio)) << path;
    EXPECT_EQ(video.codec, "h264");
    EXPECT_EQ(audio.codec, "aac");
    const int minimumSeconds = KILL_AFTER_SECONDS - 1;
    EXPECT_GE(video.packets, minimumSeconds * plan.fps);
    EXPECT_GE((int64_t)audio.packets * AUDIO_FRAME_SAMPLES,
              (int64_t)minimumSeconds * plan.sample_rate);
    // And the pictures decode.
    EXPECT_GE((int)decodeRgbFrames(path, plan.width, plan.height).size(),
              minimumSeconds * plan.fps);
}

}  // namespace
