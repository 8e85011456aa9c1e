// Several application threads driving one camera at once, and stops racing stops.
#include <atomic>
#include <thread>
#include <vector>

#include "finisher.h"
#include "host_android.h"
#include "process_counts.h"
#include "recording_support.h"

namespace {

std::atomic<int> g_rawFrames{0};
void count_raw_frame(long, char *, int) {
    g_rawFrames++;
}

TEST(Concurrency, ThreeThreadsDriveOneCameraAndLeaveItWhole) {
    Finisher::instance().hand_over(nullptr, [] {});
    Finisher::instance().drain();
    host_log_capture_start();
    RecordingSession s(recording_camera(false));
    ASSERT_EQ(s.connect(PIXEL_FORMAT_MJPEG, 640, 480), 0);
    s.camera.setRecMode(1);
    const int threadsBefore = count_threads();
    UVCPreview *engine = s.engine();
    engine->setVideoFPS(kRecordFps);
    engine->setVideoBitrate(kRecordBitrate);
    const std::string path = temp_file("hammered.mp4");
    const int rounds = 12;

    auto startStop = [&] {
        for (int i = 0; i < rounds; i++) {
            s.attachWindow();
            s.camera.startPreview();
            std::this_thread::sleep_for(std::chrono::milliseconds(10 * (i % 4)));
            s.camera.stopPreview();
        }
    };
    auto useTheRun = [&] {
        std::vector<char> picture(640 * 480 * 4);
        int info[4] = {0, 0, 0, 0};
        for (int i = 0; i < rounds; i++) {
            s.camera.SetRawdataCallback(i % 2 ? count_raw_frame : nullptr);
            s.camera.get_capture(picture.data(), info, (int)picture.size());
            if (s.camera.SetRecording(nullptr) == 0 &&
                s.camera.recordStart(false, path.c_str()) == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            s.camera.recordStop();
        }
    };
    std::vector<std::thread> threads;
    threads.emplace_back(startStop);
    threads.emplace_back(startStop);
    threads.emplace_back(useTheRun);
    for (std::thread &thread : threads)
        thread.join();

    EXPECT_EQ(s.camera.stopPreview(), 0);
    Finisher::instance().drain();
    EXPECT_EQ(host_log_count("a stream is already running"), 0);
    EXPECT_EQ(engine->getRecordState(), 0);
    EXPECT_EQ(settled_thread_count(threadsBefore), threadsBefore);
    EXPECT_EQ(recorder_instance_holders(), 0);
    // The camera is whole: it starts again and shows new pictures.
    s.camera.SetRawdataCallback(nullptr);
    ASSERT_EQ(s.attachWindow(), 0);
    ShownPicture shown = s.startAndShow(3);
    EXPECT_FALSE(shown.pixels.empty());
    EXPECT_EQ(s.camera.stopPreview(), 0);
    host_log_capture_stop();
}

// A record button and an activity pause at once, round after round: one of them finishes the
// recording, the file plays, and another camera's recording goes on untouched.
TEST(Concurrency, RecordStopRacingStopPreviewFinishesTheRecordingOnce) {
    RecordingSession other(recording_camera(false));
    ASSERT_TRUE(other.startPreview(1));
    ASSERT_EQ(other.prepare(), 0);
    const std::string otherPath = temp_file("other-camera.mp4");
    ASSERT_EQ(other.start(otherPath), 0);

    RecordingSession s(recording_camera(false));
    for (int round = 0; round < 5; round++) {
        ASSERT_TRUE(s.startPreview(1)) << round;
        ASSERT_EQ(s.prepare(), 0);
        const std::string path = temp_file("raced-" + std::to_string(round) + ".mp4");
        ASSERT_EQ(s.start(path), 0) << round;
        ASSERT_TRUE(s.waitMorePosts(5));
        std::thread button([&] { s.camera.recordStop(); });
        EXPECT_EQ(s.camera.stopPreview(), 0);
        button.join();
        EXPECT_EQ(s.engine()->getRecordState(), 0);
        EXPECT_GT(probe_recording(path).videoFrames, 0) << round;
    }
    ASSERT_TRUE(other.waitMorePosts(5));
    EXPECT_EQ(other.engine()->recordStop(), 0);
    EXPECT_GT(probe_recording(otherPath).videoFrames, 0);
    EXPECT_EQ(other.camera.stopPreview(), 0);
    EXPECT_EQ(recorder_instance_holders(), 0);
}

}  // namespace
