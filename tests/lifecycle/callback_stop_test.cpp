// Every callback of the engine x every stop or release it may ask for: the call returns at
// once, takes effect once the callback has returned, and leaves no engine thread behind.
#include <atomic>
#include <functional>

#include "finisher.h"
#include "host_android.h"
#include "process_counts.h"
#include "recording_support.h"
#include "uvc_testing.h"

namespace {

enum class Trigger { startFailure, firstPicture, rawFrame, volume, still };
enum class Operation { stopPreview, recordStop, release };

struct Case {
    const char *name;
    Trigger trigger;
    Operation operation;
};

// The one reaction of the running case: the operation, run by the first callback that comes.
std::atomic<bool> g_fired{false};
std::atomic<bool> g_returned{false};
std::function<int()> g_operation;

void react() {
    if (g_fired.exchange(true))
        return;
    g_operation();
    g_returned = true;
}

void on_error(long, long, int, char *) {
    react();
}
void on_first_picture(long) {
    react();
}
void on_raw_frame(long, char *, int) {
    react();
}
void on_volume(long, char *, int, int, int) {
    react();
}
void on_still(long, char *, int, int) {
    react();
}

CameraSetup setup_for(Trigger trigger) {
    CameraSetup setup = recording_camera(trigger == Trigger::volume);
    if (trigger == Trigger::still) {
        // The camera's own press: a press from the test would race with the release.
        setup.stillMethod = 1;
        setup.extra += "buttons = 45, 150, 300\n";
    }
    return setup;
}

class CallbackStop : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        g_fired = false;
        g_returned = false;
        // The finisher's own thread exists before the count is taken.
        Finisher::instance().hand_over(nullptr, [] {});
        Finisher::instance().drain();
    }
};

TEST_P(CallbackStop, ReturnsTakesEffectAndLeavesNothingRunning) {
    const Case c = GetParam();
    const int threadsIdle = count_threads();
    RecordingSession s(setup_for(c.trigger));
    ASSERT_EQ(s.connect(PIXEL_FORMAT_MJPEG, 1280, 720), 0);
    // A release closes the camera and its threads too.
    const int threadsBefore = c.operation == Operation::release ? threadsIdle : count_threads();
    UVCPreview *engine = s.engine();
    g_operation = [&s, op = c.operation] {
        switch (op) {
            case Operation::stopPreview:
                return s.camera.stopPreview();
            case Operation::recordStop:
                return s.camera.recordStop();
            case Operation::release:
                return s.camera.release();
        }
        return -1;
    };

    if (c.trigger == Trigger::startFailure) {
        engine->SetErrorNotifyCallback(on_error);
        uvc_test_set_fault(UVCPreviewTestAccess::handle(engine), UvcFault::kStartError, -7);
        s.camera.setRecMode(1);
        ASSERT_EQ(s.camera.startPreview(), 0);
    } else if (c.trigger == Trigger::firstPicture) {
        engine->setFirstPreviewCallback(on_first_picture);
        ASSERT_EQ(s.attachWindow(), 0);
        s.camera.setRecMode(1);
        ASSERT_EQ(s.camera.startPreview(), 0);
    } else {
        ASSERT_TRUE(s.startPreview(c.trigger == Trigger::volume ? RECORD_MODE_VIDEO_AUDIO : 1));
        if (c.operation == Operation::recordStop) {
            ASSERT_EQ(s.prepare(), 0);
            ASSERT_EQ(s.start(temp_file(std::string(c.name) + ".mp4")), 0);
        }
        if (c.trigger == Trigger::rawFrame)
            engine->SetRawdataCallback(on_raw_frame);
        else if (c.trigger == Trigger::volume)
            engine->setAudioVolumeCallback(on_volume);
        else
            engine->setfunction(on_still);
    }

    ASSERT_TRUE(wait_until([] { return g_returned.load(); }, 5000));
    ASSERT_TRUE(returns_within([] { Finisher::instance().drain(); }));
    if (c.operation == Operation::recordStop) {
        EXPECT_EQ(engine->getRecordState(), 0);
        EXPECT_EQ(engine->CameraIsRunning(), 1);
        EXPECT_TRUE(s.waitMorePosts(2));
        EXPECT_EQ(s.camera.stopPreview(), 0);
    } else if (c.operation == Operation::stopPreview) {
        EXPECT_EQ(engine->CameraIsRunning(), 0);
        // The same engine starts again.
        uvc_test_clear_faults(UVCPreviewTestAccess::handle(engine));
        ASSERT_EQ(s.attachWindow(), 0);
        ASSERT_EQ(s.camera.startPreview(), 0);
        EXPECT_TRUE(s.waitMorePosts(2));
        EXPECT_EQ(s.camera.stopPreview(), 0);
    } else {
        EXPECT_EQ(s.camera.preview(), nullptr);
        EXPECT_EQ(s.camera.IsRunning(), UVC_CAMERA_NO_TARGET);
    }
    EXPECT_EQ(settled_thread_count(threadsBefore), threadsBefore);
}

const Case kCases[] = {
    {"StartFailureStops", Trigger::startFailure, Operation::stopPreview},
    {"StartFailureReleases", Trigger::startFailure, Operation::release},
    {"FirstPictureStops", Trigger::firstPicture, Operation::stopPreview},
    {"FirstPictureReleases", Trigger::firstPicture, Operation::release},
    {"RawFrameStops", Trigger::rawFrame, Operation::stopPreview},
    {"RawFrameStopsRecording", Trigger::rawFrame, Operation::recordStop},
    {"RawFrameReleases", Trigger::rawFrame, Operation::release},
    {"VolumeStops", Trigger::volume, Operation::stopPreview},
    {"VolumeStopsRecording", Trigger::volume, Operation::recordStop},
    {"VolumeReleases", Trigger::volume, Operation::release},
    {"StillStops", Trigger::still, Operation::stopPreview},
    {"StillStopsRecording", Trigger::still, Operation::recordStop},
    {"StillReleases", Trigger::still, Operation::release},
};

INSTANTIATE_TEST_SUITE_P(Table, CallbackStop, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace
