// The volume path: microphone blocks through the audio queue to the volume callback on the
// engine's own thread, the queue's bound, and the start and stop of capture with the preview.
#include <math.h>
#include <string.h>

#include <algorithm>
#include <condition_variable>
#include <thread>

#include "audio_support.h"
#include "host_android.h"
#include "process_counts.h"

namespace {

struct VolumeCall {
    long camera;
    std::vector<uint8_t> data;
    int valueA, valueB;
    pthread_t thread;
};

// Everything the volume callback received; it can be held inside its first call.
struct VolumeLog {
    std::mutex mutex;  // guards every member
    std::condition_variable released;
    std::vector<VolumeCall> calls;
    bool holdFirst = false;

    void reset(bool hold) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.clear();
        holdFirst = hold;
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        holdFirst = false;
        released.notify_all();
    }
    size_t count() {
        std::lock_guard<std::mutex> lock(mutex);
        return calls.size();
    }
    std::vector<VolumeCall> taken() {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }
};
VolumeLog g_volume;

void on_volume(long camera, char *data, int size, int valueA, int valueB) {
    std::unique_lock<std::mutex> lock(g_volume.mutex);
    g_volume.calls.push_back(
        {camera, std::vector<uint8_t>(data, data + size), valueA, valueB, pthread_self()});
    g_volume.released.wait(lock, [] { return !g_volume.holdFirst; });
}

// A block carrying `number` in its first four bytes.
_AudioRawData *numbered_block(int number) {
    return newAudioRawData((const uint8_t *)&number, sizeof(number), number, -number);
}

int number_of(const VolumeCall &call) {
    int number = -1;
    if (call.data.size() == sizeof(number))
        memcpy(&number, call.data.data(), sizeof(number));
    return number;
}

TEST(VolumeCallback, LevelsOfEachBlockOnTheEngineThread) {
    g_volume.reset(false);
    CameraSession s(mic_camera());
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    engine->SetCameraID(4242);
    engine->setAudioVolumeCallback(on_volume);
    ASSERT_EQ(s.attachWindow(), 0);
    const int threadsBefore = count_threads();
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(wait_until([] { return g_volume.count() >= 20; }, 5000));
    const pthread_t audioThread = UVCPreviewAudioAccess::audioThread(engine);
    ASSERT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(UVCPreviewAudioAccess::audioDev(engine), nullptr);
    EXPECT_EQ(settled_thread_count(threadsBefore), threadsBefore);

    // Value A is the block's root mean square level, value B its peak (16-bit mono here).
    std::vector<VolumeCall> calls = g_volume.taken();
    for (const VolumeCall &call : calls) {
        ASSERT_EQ(call.camera, 4242);
        ASSERT_TRUE(pthread_equal(call.thread, audioThread));
        ASSERT_GT(call.data.size(), 0u);
        const int16_t *samples = (const int16_t *)call.data.data();
        size_t count = call.data.size() / 2;
        double peak = 0, energy = 0;
        for (size_t i = 0; i < count; i++) {
            peak = std::max(peak, fabs((double)samples[i]));
            energy += (double)samples[i] * samples[i];
        }
        EXPECT_NEAR(call.valueB, peak, 2);
        EXPECT_NEAR(call.valueA, sqrt(energy / count), 2);
    }
    // The sine of the virtual microphone is at half of full scale.
    EXPECT_GT(calls.back().valueB, 15000);
    EXPECT_LT(calls.back().valueA, calls.back().valueB);

    // Nothing arrives after the stop; a block queued now is freed at once.
    size_t afterStop = g_volume.count();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(g_volume.count(), afterStop);
    UVCPreviewAudioAccess::queueBlock(engine, numbered_block(1));
    EXPECT_EQ(UVCPreviewAudioAccess::queued(engine), 0);

    // The engine alone, without the device reference, starts again without sound.
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(engine->startPreview(), 0);
    EXPECT_TRUE(s.waitPosts(3));
    EXPECT_EQ(engine->stopPreview(), 0);
    EXPECT_EQ(g_volume.count(), afterStop);

    // The camera object hands its microphone over at every start, so sound comes back.
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(wait_until([&] { return g_volume.count() >= afterStop + 10; }, 5000));
    EXPECT_EQ(s.camera.stopPreview(), 0);
}

TEST(VolumeCallback, NoCaptureWithInternalAudioOrVideoOnly) {
    g_volume.reset(false);
    CameraSession s(mic_camera());
    ASSERT_EQ(s.connect(), 0);
    s.engine()->setAudioVolumeCallback(on_volume);
    s.engine()->SetInternalAudio(true);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(s.waitPosts(3));
    EXPECT_EQ(g_volume.count(), 0u);
    EXPECT_EQ(s.camera.stopPreview(), 0);
}

TEST(VolumeQueue, StalledCallbackKeepsTheNewestBlocksInOrder) {
    g_volume.reset(true);
    CameraSession s;  // no microphone: only the blocks queued here flow
    ASSERT_EQ(s.connect(), 0);
    UVCPreview *engine = s.engine();
    engine->setAudioVolumeCallback(on_volume);
    ASSERT_EQ(s.attachWindow(), 0);
    ASSERT_EQ(s.camera.startPreview(), 0);
    ASSERT_TRUE(s.waitPosts(1));

    UVCPreviewAudioAccess::queueBlock(engine, numbered_block(0));
    ASSERT_TRUE(wait_until([] { return g_volume.count() == 1; }, 5000));
    const int extra = 50;
    for (int n = 1; n <= AUDIO_QUEUE_MAX_BLOCKS + extra; n++)
        UVCPreviewAudioAccess::queueBlock(engine, numbered_block(n));
    UVCPreviewAudioAccess::queueBlock(engine, nullptr);  // only wakes the thread
    EXPECT_EQ(UVCPreviewAudioAccess::queued(engine), AUDIO_QUEUE_MAX_BLOCKS);

    g_volume.release();
    ASSERT_TRUE(wait_until([] { return g_volume.count() == 1 + AUDIO_QUEUE_MAX_BLOCKS; }, 5000));
    std::vector<VolumeCall> calls = g_volume.taken();
    EXPECT_EQ(number_of(calls[0]), 0);
    for (int i = 1; i <= AUDIO_QUEUE_MAX_BLOCKS; i++) {
        ASSERT_EQ(number_of(calls[i]), extra + i);
        ASSERT_EQ(calls[i].valueA, extra + i);
        ASSERT_EQ(calls[i].valueB, -(extra + i));
    }

    // With no callback set, blocks are still taken off the queue and freed.
    engine->setAudioVolumeCallback(nullptr);
    for (int n = 0; n < 5; n++)
        UVCPreviewAudioAccess::queueBlock(engine, numbered_block(n));
    EXPECT_TRUE(wait_until([&] { return UVCPreviewAudioAccess::queued(engine) == 0; }, 5000));
    EXPECT_EQ(g_volume.count(), 1u + AUDIO_QUEUE_MAX_BLOCKS);

    // Blocks still queued at the stop are freed with the queue.
    g_volume.reset(true);
    engine->setAudioVolumeCallback(on_volume);
    UVCPreviewAudioAccess::queueBlock(engine, numbered_block(0));
    ASSERT_TRUE(wait_until([] { return g_volume.count() == 1; }, 5000));
    for (int n = 1; n <= 10; n++)
        UVCPreviewAudioAccess::queueBlock(engine, numbered_block(n));
    std::thread releaser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        g_volume.release();
    });
    EXPECT_EQ(s.camera.stopPreview(), 0);
    releaser.join();
    EXPECT_EQ(UVCPreviewAudioAccess::queued(engine), 0);
}

}  // namespace
