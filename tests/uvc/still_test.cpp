// Still button statuses and the still probe / commit / trigger sequence.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "virtual_camera.h"

namespace {

struct StatusLog {
    std::mutex mutex;  // guards events
    std::condition_variable changed;
    std::vector<std::vector<int>> events;  // class, event, then the data bytes

    static void callback(enum uvc_status_class status_class, int event, int,
                         enum uvc_status_attribute, void *data, size_t length, void *user) {
        StatusLog *self = static_cast<StatusLog *>(user);
        std::vector<int> entry = {status_class, event};
        for (size_t i = 0; i < length; ++i)
            entry.push_back(static_cast<uint8_t *>(data)[i]);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->events.push_back(entry);
        self->changed.notify_all();
    }

    bool wait_for(size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(2),
                                [&] { return events.size() >= count; });
    }
};

TEST(UvcStill, ButtonPressesArriveAsPressThenRelease) {
    DescribedCamera camera(webcam_text("buttons = 2\n"));
    StatusLog log;
    uvc_set_status_callback(camera.devh, StatusLog::callback, &log);
    FrameCollector collector;
    ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
    ASSERT_TRUE(log.wait_for(2));  // from the description, at frame 2
    ASSERT_EQ(uvc_test_press_button(camera.devh), UVC_SUCCESS);
    ASSERT_TRUE(log.wait_for(4));
    uvc_stop_streaming(camera.devh);
    std::lock_guard<std::mutex> lock(log.mutex);
    ASSERT_EQ(log.events.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        std::vector<int> expected = {UVC_STATUS_CLASS_STREAMING, 0, 0, i % 2 == 0 ? 1 : 0};
        EXPECT_EQ(log.events[i], expected);
    }
}

TEST(UvcStill, ResolutionListsAndIndexes) {
    DescribedCamera camera(webcam_text());
    int list[100] = {};
    ASSERT_EQ(uvc_get_current_resolution(camera.devh, 9, list), UVC_SUCCESS);
    EXPECT_EQ(list[0], 4);
    EXPECT_EQ(list[1], 1920);
    EXPECT_EQ(list[8], 240);
    ASSERT_EQ(uvc_get_current_resolution(camera.devh, 3, list), UVC_SUCCESS);
    EXPECT_EQ(list[0], 3);
    EXPECT_EQ(list[5], 1280);
    EXPECT_EQ(uvc_get_current_resolution(camera.devh, 13, list), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_get_current_resolution_Index(camera.devh, 9, 1280, 720), 2);
    EXPECT_EQ(uvc_get_current_resolution_Index(camera.devh, 3, 1280, 720), 3);
    EXPECT_LT(uvc_get_current_resolution_Index(camera.devh, 9, 800, 600), 0);
    DescriptionFile plain("vid = 1\npid = 1\nmjpeg = 640x480\nstill_yuyv = 640x480\n");
    OpenCamera yuyv_only(plain.fd(), 1, 1);
    EXPECT_EQ(uvc_get_current_resolution(yuyv_only.devh, 9, list), UVC_ERROR_NOT_SUPPORTED);
}

void expect_still_sequence(uvc_device_handle_t *devh, int format, int kind, int index, int width,
                           int height) {
    FrameCollector collector;
    ASSERT_EQ(start_stream(devh, format, 320, 240, &collector), UVC_SUCCESS);
    EXPECT_EQ(uvc_set_still_probe(devh, index, 200, 3072000, 0), kind);
    uint8_t frame_index = 0, compression = 0;
    int max_frame = 0, max_payload = 0;
    ASSERT_EQ(uvc_get_still_probe(devh, &frame_index, &compression, &max_frame, &max_payload),
              UVC_SUCCESS);
    EXPECT_EQ(frame_index, index);
    EXPECT_EQ(compression, 1);
    EXPECT_EQ(max_frame, width * height * 2);
    EXPECT_GT(max_payload, 0);
    EXPECT_EQ(uvc_set_still_commit(devh, frame_index, 200, max_frame, max_payload),
              UVC_ERROR_INVALID_PARAM);  // a compression index the camera did not offer
    ASSERT_EQ(uvc_set_still_commit(devh, frame_index, compression, max_frame, max_payload),
              UVC_SUCCESS);
    ASSERT_EQ(uvc_set_still_image(devh), UVC_SUCCESS);
    CollectedFrame still;
    bool found = false;
    for (int tries = 0; tries < 100 && !found; ++tries) {
        collector.wait_for(collector.frames().size() + 1, 0.2);
        for (const CollectedFrame &frame : collector.frames()) {
            if (frame.is_still) {
                still = frame;
                found = true;
            }
        }
    }
    uvc_stop_streaming(devh);
    ASSERT_TRUE(found);
    EXPECT_EQ(still.width, (uint32_t)width);
    EXPECT_EQ(still.height, (uint32_t)height);
    std::vector<uint8_t> rgbx;
    ASSERT_TRUE(to_rgbx(still, &rgbx));
    EXPECT_GT(uvc_test_decode_counter(rgbx.data(), width, height, 0), 0);
    if (format == 3) {
        EXPECT_EQ(still.data.size(), (size_t)width * height * 2);
    }
}

TEST(UvcStill, MethodTwoProbeCommitTriggerDeliversOneStill) {
    DescribedCamera camera(webcam_text());
    FrameCollector collector;
    ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
    EXPECT_EQ(uvc_set_still_image(camera.devh), UVC_ERROR_INVALID_MODE);  // nothing committed
    uvc_stop_streaming(camera.devh);
    expect_still_sequence(camera.devh, 9, 2, 3, 640, 480);
    expect_still_sequence(camera.devh, 3, 1, 2, 320, 240);
    EXPECT_EQ(uvc_set_still_probe(camera.devh, 9, 1, 0, 0), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(uvc_set_still_image(camera.devh), UVC_ERROR_INVALID_MODE);  // no stream
}

TEST(UvcStill, CamerasWithoutStillTransferRefuseTheProbe) {
    DescribedCamera camera("vid = 1\npid = 1\nmjpeg = 640x480\nstill_method = 1\n", 1, 1);
    EXPECT_EQ(uvc_get_StillMethod(camera.devh), 1);
    EXPECT_EQ(uvc_set_still_probe(camera.devh, 1, 1, 0, 0), UVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(uvc_set_still_commit(camera.devh, 1, 1, 0, 0), UVC_ERROR_NOT_SUPPORTED);
}

// A callback that holds the status thread until released, noting the order of events.
struct BlockingStatus {
    std::mutex mutex;  // guards entered, released, order
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    std::vector<std::string> order;

    static void callback(enum uvc_status_class, int, int, enum uvc_status_attribute, void *, size_t,
                         void *user) {
        BlockingStatus *self = static_cast<BlockingStatus *>(user);
        std::unique_lock<std::mutex> lock(self->mutex);
        if (self->entered)
            return;  // the release status that follows the press
        self->entered = true;
        self->changed.notify_all();
        self->changed.wait(lock, [self] { return self->released; });
        self->order.push_back("callback returned");
    }
};

TEST(UvcStill, ClearingTheCallbackWaitsForOneInFlight) {
    DescribedCamera camera(webcam_text());
    BlockingStatus status;
    uvc_set_status_callback(camera.devh, BlockingStatus::callback, &status);
    ASSERT_EQ(uvc_test_press_button(camera.devh), UVC_SUCCESS);
    {
        std::unique_lock<std::mutex> lock(status.mutex);
        ASSERT_TRUE(status.changed.wait_for(lock, std::chrono::seconds(10),
                                            [&] { return status.entered; }));
    }
    std::thread clearer([&] {
        uvc_set_status_callback(camera.devh, nullptr, nullptr);
        std::lock_guard<std::mutex> lock(status.mutex);
        status.order.push_back("cleared");
    });
    // Give the clearing call a chance to return early (the fault), then let the callback end.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    {
        std::lock_guard<std::mutex> lock(status.mutex);
        status.released = true;
        status.changed.notify_all();
    }
    clearer.join();
    std::vector<std::string> expected = {"callback returned", "cleared"};
    EXPECT_EQ(status.order, expected);
}

// Clearing the registration from inside the callback must not wait for itself.
TEST(UvcStill, CallbackMayClearItsOwnRegistration) {
    DescribedCamera camera(webcam_text());
    struct Self {
        uvc_device_handle_t *devh;
        std::atomic<int> calls{0};
    } self{camera.devh};
    uvc_set_status_callback(
        camera.devh,
        [](enum uvc_status_class, int, int, enum uvc_status_attribute, void *, size_t, void *user) {
            Self *s = static_cast<Self *>(user);
            ++s->calls;
            uvc_set_status_callback(s->devh, nullptr, nullptr);
        },
        &self);
    ASSERT_EQ(uvc_test_press_button(camera.devh), UVC_SUCCESS);
    for (int i = 0; i < 1000 && self.calls == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(self.calls, 1);
    ASSERT_EQ(uvc_test_press_button(camera.devh), UVC_SUCCESS);
    uvc_close(camera.devh);  // joins the status thread: hangs if the callback waited for itself
    camera.devh = nullptr;
    EXPECT_EQ(self.calls, 1);
}

}  // namespace
