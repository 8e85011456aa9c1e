// Two feeding threads while a third starts, stops, pauses and resumes the streamer: no write
// reaches a released encoder, nothing is left behind.
#include <gtest/gtest.h>

#include <thread>

#include "recorder_test_controls.h"
#include "streamer_support.h"

TEST(StreamerThreads, FeedingThroughStartStopPauseAndResume) {
    StreamWrapper s;
    configure(s, fileFormat("threads.mp4", 160, 120));
    std::vector<uint8_t> picture = nv21Solid(160, 120, kGreen);
    std::vector<uint8_t> pcm = sinePcm(44100, 2, 2048, 0);
    std::atomic<bool> feeding{true};
    std::atomic<int> pictures{0}, blocks{0};
    std::thread video([&] {
        while (feeding) {
            pictures += s.videoDataCallback(picture.data(), (int)picture.size()) == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::thread sound([&] {
        while (feeding) {
            blocks += s.audioDataCallback(pcm.data(), (int)pcm.size()) == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int cycle = 0; cycle < 12; cycle++) {
        int before = pictures;
        ASSERT_EQ(s.Start(nullptr), 0);
        // Each run takes pictures before it is paused, resumed and stopped.
        for (int i = 0; i < 2000 && pictures < before + 3; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(s.pauseStreaming(), 0);
        EXPECT_EQ(s.resumeStreaming(), 0);
        if (cycle % 3 == 0) {
            EXPECT_EQ(s.pauseStreaming(), 0);  // a paused stream stops too
        }
        EXPECT_EQ(s.Stop(), 0);
    }
    feeding = false;
    video.join();
    sound.join();
    EXPECT_GE(pictures, 36);
    EXPECT_GT(blocks, 0);
    EXPECT_EQ(media_recorder_test_holders(), 0);
    EXPECT_EQ(media_recorder_test_objects(), 0);
}

// The statistics are read while live starts come and go (here to a port where nothing
// listens): reading the connection's handle never races with the start that writes it.
TEST(StreamerThreads, StatisticsPolledWhileLiveStartsComeAndGo) {
    StreamWrapper s;
    StreamFormat format;
    format.width = 160;
    format.height = 120;
    format.waitMs = 100;
    configure(s, format);
    std::atomic<bool> polling{true};
    std::atomic<int> polls{0};
    std::thread poller([&] {
        while (polling) {
            EXPECT_GE(s.getTransmission_sec(), 0.0);
            EXPECT_GE(s.getVideoTransmission(), 0.0);
            EXPECT_GE(s.getAudioDropFrame() + s.getVideoDropFrame(), 0);
            polls++;
        }
    });
    for (int round = 0; round < 5; round++)
        EXPECT_EQ(s.Start("rtmp://127.0.0.1:1/live/none"), STREAM_LIVE_START_FAILED);
    polling = false;
    poller.join();
    EXPECT_GT(polls, 0);
}
