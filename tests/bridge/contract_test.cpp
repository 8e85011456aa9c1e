// What an application may rely on from Java: any stop, release or destroy from inside any
// callback, and ids that are unknown, destroyed, or destroyed twice at once.
#include <atomic>
#include <thread>

#include "bridge_fixture.h"
#include "finisher.h"
#include "host_android.h"
#include "natives.h"
#include "onload_dispatch.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 320, kHeight = 240;

struct Reaction {
    const char *name;
    const char *event;
    const char *extra;  // description lines that make the event come
    const char *method;
};

class NativeFromCallback : public BridgeTest, public ::testing::WithParamInterface<Reaction> {};

TEST_P(NativeFromCallback, ReturnsAndTakesEffect) {
    const Reaction r = GetParam();
    jlong id = connectWebcam(webcam_description("mjpeg 320x240", r.extra));
    jobject surface = newSurface(kWidth, kHeight);
    call("nativeSetRecMode", "(JI)I", id, (jint)1);
    call("nativeSetPreviewDisplay", "(JLandroid/view/Surface;)I", id, surface);
    if (std::string(r.event) == "PreviewDataCallback")
        call("nativeUsingRawdataCallback", "(JZ)V", id, (jboolean)JNI_TRUE);
    ASSERT_EQ(call_static(env, "bridgetest/Reactor", "arm",
                          "(Lcom/orrinworks/lumivonative/Lumivo_Native;Ljava/lang/String;"
                          "Ljava/lang/String;)V",
                          natives, env->NewStringUTF(r.event), env->NewStringUTF(r.method))
                  .exception,
              "");
    EXPECT_EQ(callInt("nativeStartPreview", "(J)I", id), 0);
    ASSERT_TRUE(wait_until(
        [&] { return call_static(env, "bridgetest/Reactor", "returned", "()Z").value.z; },
        kGuardMs));
    ASSERT_TRUE(returns_within([] { Finisher::instance().drain(); }));

    const std::string method = r.method;
    if (method == "nativeStopPreview") {
        EXPECT_EQ(callInt("nativeCameraIsRunning", "(J)I", id), 0);
    } else if (method == "nativeRelease") {
        EXPECT_EQ(callInt("nativeCameraIsRunning", "(J)I", id), -75);
        EXPECT_EQ(uvc_test_live_handles(), 0);
    } else {
        EXPECT_FALSE(registry_contains((long)id));
        EXPECT_EQ(callInt("nativeCameraIsRunning", "(J)I", id), 0);
        EXPECT_EQ(uvc_test_live_handles(), 0);
    }
}

const char *const kStill = "still_method = 1\nbuttons = 5\n";
const char *const kFailure = "start_error = -7\n";
const Reaction kReactions[] = {
    {"ErrorStops", "notifyErrCallback", kFailure, "nativeStopPreview"},
    {"ErrorReleases", "notifyErrCallback", kFailure, "nativeRelease"},
    {"ErrorDestroys", "notifyErrCallback", kFailure, "nativeDestroy"},
    {"FirstPictureStops", "sendPictureTake", "", "nativeStopPreview"},
    {"FirstPictureReleases", "sendPictureTake", "", "nativeRelease"},
    {"FirstPictureDestroys", "sendPictureTake", "", "nativeDestroy"},
    {"RawFrameStops", "PreviewDataCallback", "", "nativeStopPreview"},
    {"RawFrameReleases", "PreviewDataCallback", "", "nativeRelease"},
    {"RawFrameDestroys", "PreviewDataCallback", "", "nativeDestroy"},
    {"VolumeStops", "VolumeCallback", "", "nativeStopPreview"},
    {"VolumeReleases", "VolumeCallback", "", "nativeRelease"},
    {"VolumeDestroys", "VolumeCallback", "", "nativeDestroy"},
    {"StillStops", "StillTriggerCallback", kStill, "nativeStopPreview"},
    {"StillReleases", "StillTriggerCallback", kStill, "nativeRelease"},
    {"StillDestroys", "StillTriggerCallback", kStill, "nativeDestroy"},
};

INSTANTIATE_TEST_SUITE_P(Table, NativeFromCallback, ::testing::ValuesIn(kReactions),
                         [](const ::testing::TestParamInfo<Reaction> &info) {
                             return std::string(info.param.name);
                         });

// Calls on an id answer exactly what id 0 answers.
void expect_answers_like_id_zero(JNIEnv *env, jlong id) {
    EXPECT_EQ(nativeStartPreview(env, nullptr, id), nativeStartPreview(env, nullptr, 0));
    EXPECT_EQ(nativeCameraIsRunning(env, nullptr, id), nativeCameraIsRunning(env, nullptr, 0));
    EXPECT_EQ(nativeStopRecording(env, nullptr, id), nativeStopRecording(env, nullptr, 0));
    EXPECT_EQ(nativegetviewFPS(env, nullptr, id), nativegetviewFPS(env, nullptr, 0));
    EXPECT_EQ(nativeRelease(env, nullptr, id), nativeRelease(env, nullptr, 0));
}

TEST_F(BridgeTest, UnknownDestroyedAndTwiceDestroyedIdsAnswerLikeIdZero) {
    const int before = g_CameraInfo.size();
    static int somewhere = 0;
    expect_answers_like_id_zero(env, (jlong)(intptr_t)&somewhere);

    jlong id = connectWebcam(webcam_description("mjpeg 320x240"));
    destroy(id);
    expect_answers_like_id_zero(env, id);

    // Two threads destroy one id at once: one of them deletes it, the other finds no record.
    host_log_capture_start();
    jlong twice = create();
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; t++) {
        threads.emplace_back([twice] {
            JNIEnv *threadEnv = nullptr;
            jvm()->AttachCurrentThread((void **)&threadEnv, nullptr);
            nativeDestroy(threadEnv, nullptr, twice);
            jvm()->DetachCurrentThread();
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(host_log_count("nativeDestroy: no camera object"), 1);
    host_log_capture_stop();
    EXPECT_EQ(g_CameraInfo.size(), before);
}

// A release waits for a call in flight on the same camera, which reads a whole engine.
TEST_F(BridgeTest, ReleaseWaitsForACallInFlight) {
    jlong id = connectWebcam(webcam_description("mjpeg 320x240"));
    jobject surface = newSurface(kWidth, kHeight);
    call("nativeSetRecMode", "(JI)I", id, (jint)1);
    call("nativeSetPreviewDisplay", "(JLandroid/view/Surface;)I", id, surface);
    ASSERT_EQ(callInt("nativeStartPreview", "(J)I", id), 0);
    std::atomic<bool> asked{false};
    double fps = -1;
    std::thread reader([&] {
        JNIEnv *threadEnv = nullptr;
        jvm()->AttachCurrentThread((void **)&threadEnv, nullptr);
        asked = true;
        fps = nativegetviewFPS(threadEnv, nullptr, id);
        jvm()->DetachCurrentThread();
    });
    ASSERT_TRUE(wait_until([&] { return asked.load(); }, kGuardMs));
    EXPECT_EQ(callInt("nativeRelease", "(J)I", id), 0);
    reader.join();
    // Either order is sound: a rate read from the whole engine, or no engine (-75) at all.
    EXPECT_TRUE(fps == -75.0 || (fps >= 0.0 && fps < 1000.0)) << fps;
    EXPECT_EQ(callInt("nativeCameraIsRunning", "(J)I", id), -75);
}

}  // namespace
