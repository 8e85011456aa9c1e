// The five callbacks reach Java from the engine's own threads with their exact arguments; the
// attach and detach rule, throwing listeners and bad callback input.
#include <turbojpeg.h>

#include <atomic>
#include <thread>

#include "bridge_fixture.h"
#include "camera_id.h"
#include "engine_access.h"
#include "host_android.h"
#include "loopback_peer.h"
#include "onload_dispatch.h"
#include "tlink.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 320, kHeight = 240;

int64_t jpeg_counter(const std::vector<uint8_t> &jpeg) {
    tjhandle decoder = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0;
    std::vector<uint8_t> rgbx;
    int64_t counter = -1;
    if (tjDecompressHeader2(decoder, const_cast<uint8_t *>(jpeg.data()), jpeg.size(), &width,
                            &height, &subsampling) == 0) {
        rgbx.resize((size_t)width * height * 4);
        if (tjDecompress2(decoder, jpeg.data(), jpeg.size(), rgbx.data(), width, 0, height,
                          TJPF_RGBX, 0) == 0)
            counter = uvc_test_decode_counter(rgbx.data(), width, height, 0);
    }
    tjDestroy(decoder);
    return counter;
}

// Every event was delivered on an engine thread that is no longer attached.
void expect_detached(const std::vector<JavaEvent> &events) {
    for (const JavaEvent &event : events) {
        EXPECT_FALSE(event.mainThread);
        EXPECT_FALSE(event.threadAlive);
    }
}

class CallbackTest : public BridgeTest {
  protected:
    // A previewing webcam (MJPEG 320x240, still method 1, button pressed at frame `press`).
    jlong startWebcam(int press) {
        std::string extra = "still_method = 1\nbuttons = " + std::to_string(press) + "\n";
        jlong id = connectWebcam(webcam_description("mjpeg 320x240", extra));
        surface = newSurface(kWidth, kHeight);
        call("nativeSetRecMode", "(JI)I", id, (jint)1);
        call("nativeSetResolution", "(JIIII)V", id, (jint)9, (jint)kWidth, (jint)kHeight, (jint)0);
        call("nativeSetPreviewDisplay", "(JLandroid/view/Surface;)I", id, surface);
        call("nativeUsingRawdataCallback", "(JZ)V", id, (jboolean)JNI_TRUE);
        EXPECT_EQ(callInt("nativeStartPreview", "(J)I", id), 0);
        return id;
    }
    jobject surface = nullptr;
};

TEST_F(CallbackTest, EngineThreadsDeliverStillsSoundFirstPictureAndRawFrames) {
    const int press = 12;
    jlong id = startWebcam(press);
    ASSERT_TRUE(wait_until(
        [&] {
            return java_event_count(env, "StillTriggerCallback") >= 1 &&
                   java_event_count(env, "PreviewDataCallback") >= 20 &&
                   java_event_count(env, "VolumeCallback") >= 20;
        },
        kGuardMs));
    EXPECT_EQ(callInt("nativeStopPreview", "(J)I", id), 0);
    const int volumes = java_event_count(env, "VolumeCallback");
    const int frames = java_event_count(env, "PreviewDataCallback");

    std::vector<JavaEvent> stills = java_events(env, "StillTriggerCallback");
    ASSERT_EQ(stills.size(), 1u);
    const JavaEvent &still = stills[0];
    EXPECT_EQ(still.id, id);
    EXPECT_EQ(still.a, 2);  // MJPEG still
    EXPECT_EQ(still.size, (int)still.data.size());
    ASSERT_GT(still.data.size(), 4u);
    EXPECT_EQ(still.data[0], 0xFF);
    EXPECT_EQ(still.data[1], 0xD8);
    EXPECT_EQ(still.data[still.size - 2], 0xFF);
    EXPECT_EQ(still.data[still.size - 1], 0xD9);
    // A scripted press comes with frame `press`; the still is the first frame the camera hands
    // over once the status thread has seen it, how many later depends on the load (the still
    // tests bound it by the camera's own count).
    EXPECT_GE(jpeg_counter(still.data), press);

    std::vector<JavaEvent> ready = java_events(env, "sendPictureTake");
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_EQ(ready[0].id, id);
    EXPECT_EQ(ready[0].b, 2);
    EXPECT_TRUE(ready[0].flag);

    std::vector<JavaEvent> raw = java_events(env, "PreviewDataCallback");
    int64_t previous = -1;
    for (size_t i = 0; i < raw.size(); i++) {
        EXPECT_EQ(raw[i].id, id);
        EXPECT_EQ(raw[i].size, kWidth * kHeight * 4);
        EXPECT_EQ(raw[i].a, RAW_ARRAY_BYTES);  // the camera object's own array ...
        if (i > 0) {
            EXPECT_TRUE(raw[i].sameArrayAsBefore);  // ... reused for every frame
        }
        int64_t counter = uvc_test_decode_counter(raw[i].data.data(), kWidth, kHeight, 0);
        EXPECT_GT(counter, previous);
        previous = counter;
    }

    std::vector<JavaEvent> sound = java_events(env, "VolumeCallback");
    for (const JavaEvent &block : sound) {
        EXPECT_EQ(block.id, id);
        EXPECT_GT(block.size, 0);
        EXPECT_EQ(block.size, (int)block.data.size());
        EXPECT_GT(block.b, 0);  // a sine has a level
    }
    // Nothing arrives after the stop, and no engine thread stays attached.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(java_event_count(env, "VolumeCallback"), volumes);
    EXPECT_EQ(java_event_count(env, "PreviewDataCallback"), frames);
    for (const char *kind :
         {"StillTriggerCallback", "VolumeCallback", "sendPictureTake", "PreviewDataCallback"})
        expect_detached(java_events(env, kind));
    call_method(env, surface, "release", "()V");
}

TEST_F(CallbackTest, ThrowingListenersStopNoLaterCallback) {
    call_static(env, "bridgetest/EventLog", "throwOn", "(Ljava/lang/String;)V",
                env->NewStringUTF("PreviewDataCallback"));
    host_log_capture_start();
    jlong id = startWebcam(1000);
    ASSERT_TRUE(
        wait_until([&] { return java_event_count(env, "PreviewDataCallback") >= 10; }, kGuardMs));
    EXPECT_EQ(callInt("nativeStopPreview", "(J)I", id), 0);
    EXPECT_GE(host_log_count("Java exception in PreviewDataCallback"), 10);
    expect_detached(java_events(env, "PreviewDataCallback"));

    // On a thread Java knows, the exception does not stay pending either.
    call_static(env, "bridgetest/EventLog", "throwOn", "(Ljava/lang/String;)V",
                env->NewStringUTF("sendPictureTake"));
    call_java_PictureReadyCb((long)id);
    call_java_PictureReadyCb((long)id);
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(java_event_count(env, "sendPictureTake"), 3);  // the engine's first, then two
    host_log_capture_stop();
    call_method(env, surface, "release", "()V");
}

TEST_F(CallbackTest, StartFailureReachesJavaAsClassOne) {
    jlong id = connectWebcam(webcam_description("mjpeg 320x240", "start_error = -7\n"));
    call("nativeSetRecMode", "(JI)I", id, (jint)1);
    callInt("nativeStartPreview", "(J)I", id);
    ASSERT_TRUE(
        wait_until([&] { return java_event_count(env, "notifyErrCallback") >= 1; }, kGuardMs));
    callInt("nativeStopPreview", "(J)I", id);
    std::vector<JavaEvent> errors = java_events(env, "notifyErrCallback");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].id, id);
    EXPECT_EQ(errors[0].a, 1);
    EXPECT_EQ(errors[0].b, -13);
    std::string text(errors[0].data.begin(), errors[0].data.end());
    EXPECT_EQ(text, "failed to start USB Camera.");
    expect_detached(errors);
}

// A live stream from Java: the statistics natives read the live library's figures, and a peer
// that goes away mid-stream reaches Java as class 2 with the library's code and text.
TEST_F(CallbackTest, KilledLivePeerReachesJavaAsClassTwo) {
    LoopbackPeer peer(LoopbackPeer::Rtmp);
    ASSERT_TRUE(peer.running());
    jlong id = startWebcam(1 << 30);
    ASSERT_TRUE(wait_until([&] { return surfacePosts(surface) >= 3; }, kGuardMs));
    call("nativeSetVideoFPS", "(JI)I", id, (jint)30);
    call("nativeSetVideoBitrate", "(JI)I", id, (jint)1000000);
    call("nativeSetRecording", "(J[B)I", id, env->NewByteArray(16));
    call("nativesetTlinkMode", "(JI)V", id, (jint)TLINK_MODE_RTMP);
    call("nativesetTlinkDeblock", "(JI)V", id, (jint)0);
    call("nativesetIframeInterval", "(JI)V", id, (jint)1);
    call("nativeSetRecType", "(JI)V", id, (jint)32);
    const std::string url = peer.url("bridge");
    ASSERT_EQ(call("nativeStartRecording", "(JZLjava/lang/String;)I", id, (jboolean)JNI_TRUE,
                   env->NewStringUTF(url.c_str()))
                  .value.i,
              0);
    EXPECT_EQ(
        java_string(env, (jstring)call("nativegetTLinkUrl", "(J)Ljava/lang/String;", id).value.l),
        url);
    const long long posts = surfacePosts(surface);
    ASSERT_TRUE(wait_until([&] { return surfacePosts(surface) >= posts + 45; }, kGuardMs));
    auto rate = [&](const char *name) { return call(name, "(J)D", id).value.d; };
    EXPECT_GT(rate("nativegetTransmissionperSec"), 0.0);
    EXPECT_GT(rate("nativegetVideoTransmissionperSec"), 5.0);
    // Pictures only: no sound is sent or dropped (video drops depend on the machine's load).
    EXPECT_EQ(rate("nativegetAudioTransmissionperSec"), 0.0);
    EXPECT_EQ(call("nativegetAudioDropFrame", "(J)I", id).value.i, 0);
    EXPECT_EQ(java_event_count(env, "notifyErrCallback"), 0);

    peer.stop(0);
    ASSERT_TRUE(
        wait_until([&] { return java_event_count(env, "notifyErrCallback") >= 1; }, kGuardMs));
    const int stopped = callInt("nativeStopRecording", "(J)I", id);
    EXPECT_EQ(callInt("nativeStopPreview", "(J)I", id), 0);
    std::vector<JavaEvent> errors = java_events(env, "notifyErrCallback");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].id, id);
    EXPECT_EQ(errors[0].a, 2);
    EXPECT_TRUE(errors[0].b == TL_ERROR_SOCKET_READ || errors[0].b == TL_ERROR_SOCKET_WRITE)
        << errors[0].b;
    const std::string text(errors[0].data.begin(), errors[0].data.end());
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(stopped, errors[0].b) << "the stop reports the connection's failure";
    expect_detached(errors);
    call_method(env, surface, "release", "()V");
}

// Callbacks from threads of every kind: input a callback cannot deliver is skipped with a line
// and leaves no exception behind; threads that Java knows keep their attachment and threads it
// does not know are detached again; camera objects created and destroyed on one thread while
// another walks the registry.
TEST_F(BridgeTest, CallbacksFromAnyThread) {
    jlong id = create();
    jlong internal = create(true);
    long unknown = (long)id + 64;
    std::vector<char> frame(64, 1);
    host_log_capture_start();
    call_java_RawdataCallback((long)internal, frame.data(), 64);
    call_java_RawdataCallback(unknown, frame.data(), 64);
    call_java_ErrorCallback(unknown, 1, -1, const_cast<char *>("gone"));
    call_java_RawdataCallback((long)id, nullptr, 64);
    call_java_triggerCb((long)id, nullptr, 64, 2);
    // A frame larger than the camera object's array; the data pointer is never read.
    call_java_RawdataCallback((long)id, frame.data(), RAW_ARRAY_BYTES + 1);
    EXPECT_EQ(host_log_count(" Info->Rawarr == NULL"), 1);
    EXPECT_EQ(host_log_count("Not found CameraID"), 2);
    EXPECT_EQ(host_log_count("larger than the array, skipped"), 1);
    EXPECT_EQ(host_log_count("skipped"), 3);
    host_log_capture_stop();
    EXPECT_FALSE(env->ExceptionCheck());
    for (const char *kind : {"PreviewDataCallback", "notifyErrCallback", "StillTriggerCallback"})
        EXPECT_EQ(java_event_count(env, kind), 0) << kind;
    // Still, volume and picture-ready do not consult the registry.
    call_java_PictureReadyCb(unknown);
    EXPECT_EQ(java_events(env, "sendPictureTake").at(0).id, unknown);

    ASSERT_EQ(call_static(env, "bridgetest/EventLog", "clear", "()V").exception, "");
    char data[4] = {1, 2, 3, 4};
    call_java_triggerCb((long)id, data, 4, 1);
    EXPECT_EQ(jvm_env(), env);

    std::atomic<bool> attachedAfter{false}, attachedAfterFailure{false};
    std::thread known([&] {
        JNIEnv *own = nullptr;
        ASSERT_EQ(jvm()->AttachCurrentThread((void **)&own, nullptr), JNI_OK);
        call_java_VolumeCb((long)id, data, 4, 7, 8);
        attachedAfter = jvm_env() == own;
        // An array Java cannot make: logged, nothing called, the thread stays attached.
        call_java_ErrorCallback((long)id, 2, -5, nullptr);
        call_java_triggerCb((long)id, data, 0x7fffffff, 2);
        attachedAfterFailure = jvm_env() == own && !own->ExceptionCheck();
        jvm()->DetachCurrentThread();
    });
    known.join();
    EXPECT_TRUE(attachedAfter);
    EXPECT_TRUE(attachedAfterFailure);

    std::thread stranger([&] { call_java_PictureReadyCb((long)id); });
    stranger.join();

    std::vector<JavaEvent> stills = java_events(env, "StillTriggerCallback");
    ASSERT_EQ(stills.size(), 1u);
    EXPECT_TRUE(stills[0].mainThread);
    EXPECT_EQ(stills[0].data, std::vector<uint8_t>({1, 2, 3, 4}));
    std::vector<JavaEvent> volumes = java_events(env, "VolumeCallback");
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(volumes[0].b, 7);
    EXPECT_EQ(volumes[0].c, 8);
    std::vector<JavaEvent> errors = java_events(env, "notifyErrCallback");
    ASSERT_EQ(errors.size(), 1u);  // a null message is an empty array
    EXPECT_EQ(errors[0].size, 0);
    EXPECT_EQ(errors[0].a, 2);
    std::vector<JavaEvent> ready = java_events(env, "sendPictureTake");
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_FALSE(ready[0].threadAlive);

    ASSERT_EQ(call_static(env, "bridgetest/EventLog", "clear", "()V").exception, "");
    const int rounds = 300;
    std::thread churn([&] {
        JNIEnv *own = nullptr;
        ASSERT_EQ(jvm()->AttachCurrentThread((void **)&own, nullptr), JNI_OK);
        jobject object = new_object(own, "com/orrinworks/lumivonative/Lumivo_Native", "()V");
        std::vector<jlong> ids;
        for (int i = 0; i < rounds; i++) {
            ids.push_back(call_method(own, object, "nativeCreate_internal", "()J").value.j);
            if (ids.size() > 6) {
                call_method(own, object, "nativeDestroy", "(J)V", ids.front());
                ids.erase(ids.begin());
            }
        }
        for (jlong other : ids)
            call_method(own, object, "nativeDestroy", "(J)V", other);
        own->DeleteLocalRef(object);
        jvm()->DetachCurrentThread();
    });
    char message[] = "still here";
    for (int i = 0; i < rounds; i++)
        call_java_ErrorCallback((long)id, 2, i, message);
    churn.join();
    EXPECT_EQ(java_event_count(env, "notifyErrCallback"), rounds);
}

}  // namespace
