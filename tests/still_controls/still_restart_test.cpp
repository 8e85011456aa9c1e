// Stills across stop and start of the same engine: the button works in every run, also after a
// still the camera never sent, and presses while stopped are forgotten.
#include <string>
#include <thread>

#include "host_android.h"
#include "still_sink.h"
#include "uvc_testing.h"

namespace {

// One press gives one still: the trigger and the still threads are up before the first frame.
bool press_for_still(StillSession &s, size_t stillsBefore) {
    return s.press() == 0 && wait_stills(stillsBefore + 1);
}

TEST(StillRestart, EachMethodKeepsWorkingAfterStopAndStartAndForgetsPressesWhileStopped) {
    for (int method : {1, 2}) {
        SCOPED_TRACE("method " + std::to_string(method));
        StillSession s(still_camera(method), 9, 320, 240);
        for (size_t run = 0; run < 3; run++) {
            ASSERT_TRUE(s.start()) << "run " << run;
            ASSERT_TRUE(press_for_still(s, run)) << "run " << run;
            EXPECT_EQ(still_at(run).kind, 2);
            ASSERT_EQ(s.session.camera.stopPreview(), 0);
        }
        EXPECT_EQ(still_count(), 3u);

        uint8_t pressed[2] = {0, 1};
        UVCPreviewTestAccess::statusInterrupt(s.engine(), 2, pressed, 2);
        EXPECT_EQ(s.press(), 0);  // reaches no engine: the stopped one has no status callback
        EXPECT_FALSE(UVCPreviewTestAccess::stillBusy(s.engine()));
        ASSERT_TRUE(s.start());
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        EXPECT_EQ(still_count(), 3u);
        ASSERT_TRUE(press_for_still(s, 3));
    }
}

TEST(StillRestart, StillKindFollowsTheStreamOfTheNewRun) {
    StillSession s(still_camera(2), 9, 320, 240);
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(press_for_still(s, 0));
    EXPECT_EQ(still_at(0).kind, 2);
    ASSERT_EQ(s.session.camera.stopPreview(), 0);

    s.engine()->set_UVC_Resolution(3, 320, 240, 0);
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(press_for_still(s, 1));
    EXPECT_EQ(still_at(1).kind, 1);
    EXPECT_EQ(still_at(1).data.size(), 320u * 240 * 4);
}

TEST(StillRestart, StillTheCameraNeverSentDoesNotBlockTheButtonOfTheNextRun) {
    host_log_capture_start();
    StillSession s(still_camera(2), 9, 320, 240, true);
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.pressWhileStalled());
    ASSERT_EQ(s.session.camera.stopPreview(), 0);
    EXPECT_EQ(still_count(), 0u);

    uvc_test_clear_faults(s.handle());
    ASSERT_TRUE(s.start());
    EXPECT_FALSE(UVCPreviewTestAccess::stillBusy(s.engine()));
    ASSERT_TRUE(press_for_still(s, 0));
    EXPECT_EQ(still_count(), 1u);
    host_log_capture_stop();
}

}  // namespace
