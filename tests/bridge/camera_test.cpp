// Camera objects driven from Java through the natives: registry, preview onto a Surface,
// capture, controls, extension messages, bitmaps and window references.
#include <android/bitmap.h>
#include <android/native_window.h>

#include "UVCPreview.h"
#include "bridge_fixture.h"
#include "command_output.h"
#include "camera_id.h"
#include "engine_access.h"
#include "host_android.h"
#include "onload_dispatch.h"
#include "uvc_testing.h"
#include "temp_path.h"

namespace {

const int kWidth = 640, kHeight = 480;

ANativeWindow *window_of(JNIEnv *env, jobject surface) {
    return (ANativeWindow *)(intptr_t)long_field(env, surface, "mNativeObject");
}

int64_t last_counter(ANativeWindow *window) {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    if (!host_window_last_picture(window, &pixels, &width, &height))
        return -1;
    return uvc_test_decode_counter(pixels.data(), width, height, 0);
}

int registry_index(long id) {
    for (int i = 0; i < g_CameraInfo.size(); i++) {
        if (g_CameraInfo[i]->CameraID == id)
            return i;
    }
    return -1;
}

TEST_F(BridgeTest, CameraObjectsAndTheirRecords) {
    const int before = g_CameraInfo.size();
    jobject second = new_object(env, "com/orrinworks/lumivonative/Lumivo_Native", "()V");
    jlong first = create();
    jlong other = call_method(env, second, "nativeCreate", "()J").value.j;
    jlong internal = create(true);
    ASSERT_NE(first, 0);
    ASSERT_NE(other, 0);
    EXPECT_NE(first, other);
    EXPECT_EQ(long_field(env, second, "mNativePtr"), other);
    // The full pointer width travels: the id is the camera object's address.
    EXPECT_EQ(first, (jlong)(intptr_t)camera_of(first));
    ASSERT_EQ(g_CameraInfo.size(), before + 3);
    EXPECT_EQ(registry_index(first), before);
    EXPECT_EQ(registry_index(other), before + 1);
    jbyteArray raw = g_CameraInfo[before]->Rawarr;
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(env->GetArrayLength(raw), RAW_ARRAY_BYTES);
    EXPECT_EQ(g_CameraInfo[before + 2]->Rawarr, nullptr);

    destroy(first);
    EXPECT_EQ(long_field(env, natives, "mNativePtr"), 0);
    EXPECT_EQ(registry_index(first), -1);
    EXPECT_EQ(registry_index(other), before);
    // A stale id frees nothing and leaves the registry alone; id 0 only clears the field.
    host_log_capture_start();
    call_method(env, second, "nativeDestroy", "(J)V", first);
    EXPECT_EQ(long_field(env, second, "mNativePtr"), 0);
    EXPECT_EQ(g_CameraInfo.size(), before + 2);
    EXPECT_EQ(host_log_count("nativeDestroy: no camera object"), 1);
    host_log_capture_stop();
    call("nativeDestroy", "(J)V", (jlong)0);
    EXPECT_EQ(g_CameraInfo.size(), before + 2);

    // The second camera object still reaches Java after the first went.
    call_java_PictureReadyCb((long)other);
    std::vector<JavaEvent> events = java_events(env, "sendPictureTake");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, other);
    call_method(env, second, "nativeDestroy", "(J)V", other);
    destroy(internal);
    EXPECT_EQ(g_CameraInfo.size(), before);
}

TEST_F(BridgeTest, PreviewCaptureControlsMessagesAndRecordingFromJava) {
    jlong id = connectWebcam(webcam_description("mjpeg 640x480"));
    jobject surface = newSurface(kWidth, kHeight);
    EXPECT_EQ(callInt("nativeSetRecMode", "(JI)I", id), 0);
    EXPECT_EQ(call("nativeSetRecMode", "(JI)I", id, (jint)1).value.i, 0);
    call("nativeSetResolution", "(JIIII)V", id, (jint)PIXEL_FORMAT_MJPEG, (jint)kWidth,
         (jint)kHeight, (jint)0);
    call("nativesetAudioSamplerate", "(JI)V", id, (jint)48000);
    EXPECT_EQ(call("nativeSetPreviewDisplay", "(JLandroid/view/Surface;)I", id, surface).value.i,
              0);
    ASSERT_EQ(callInt("nativeStartPreview", "(J)I", id), 0);
    ANativeWindow *window = window_of(env, surface);
    ASSERT_TRUE(wait_until([&] { return surfacePosts(surface) >= 5; }, kGuardMs));
    int64_t firstCounter = last_counter(window);
    ASSERT_TRUE(wait_until([&] { return surfacePosts(surface) >= 15; }, kGuardMs));
    EXPECT_GT(last_counter(window), firstCounter);
    EXPECT_GE(firstCounter, 0);
    EXPECT_EQ(callInt("nativeCameraIsRunning", "(J)I", id), 1);

    // Capture into a Java array, with its info.
    jbyteArray picture = env->NewByteArray(kWidth * kHeight * 4);
    jintArray info = new_ints(env, {0, 0, 0});
    EXPECT_EQ(call("nativegetUVCGetCaptureBuf", "(J[B[II)I", id, picture, info,
                   (jint)(kWidth * kHeight * 4))
                  .value.i,
              kWidth * kHeight * 4);
    EXPECT_EQ(java_ints(env, info), (std::vector<int>{PIXEL_FORMAT_MJPEG, kWidth, kHeight}));
    std::vector<uint8_t> captured = java_bytes(env, picture);
    EXPECT_GE(uvc_test_decode_counter(captured.data(), kWidth, kHeight, 0), firstCounter);

    // Controls: processing unit 0 is brightness, camera terminal 3 the absolute exposure.
    jintArray value = new_ints(env, {0});
    EXPECT_EQ(
        call("nativesetUVCCameraProcessingUnitControl", "(JII)I", id, (jint)0, (jint)-20).value.i,
        0);
    call("nativegetUVCCameraProcessingUnitControl", "(JI[I)V", id, (jint)0, value);
    EXPECT_EQ(java_ints(env, value)[0], -20);
    EXPECT_EQ(
        call("nativesetUVCCameraInputTerminalControl", "(JII)I", id, (jint)3, (jint)300).value.i,
        0);
    call("nativegetUVCCameraInputTerminalControl", "(JI[I)V", id, (jint)3, value);
    EXPECT_EQ(java_ints(env, value)[0], 300);

    // Extension unit: three bytes to selector 1, then a read of up to 8 bytes answers three.
    jintArray message = new_ints(env, {0x21, 0x01, 0x0100, 0x0300, 7, 0x1ff, 9});
    EXPECT_EQ(call("nativesendExtensionMsg", "(J[II)I", id, message, (jint)3).value.i, 0);
    UvcExtensionRequest sent;
    ASSERT_TRUE(uvc_test_last_extension_request(
        UVCPreviewTestAccess::handle(camera_of(id)->preview()), &sent));
    EXPECT_EQ(sent.data, (std::vector<uint8_t>{7, 0xff, 9}));
    jintArray reply = new_ints(env, {0xA1, 0x81, 0x0100, 0x0300, 5, 5, 5, 5, 5, 5, 5, 5});
    EXPECT_EQ(call("nativerecvExtensionMsg", "(J[II)I", id, reply, (jint)8).value.i, 3);
    EXPECT_EQ(java_ints(env, reply), (std::vector<int>{7, 255, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // A recording with sound and watermarks is an MP4 that ffprobe reads.
    EXPECT_EQ(call("nativeSetVideoFPS", "(JI)I", id, (jint)30).value.i, 0);
    EXPECT_EQ(call("nativeSetVideoBitrate", "(JI)I", id, (jint)2000000).value.i, 0);
    EXPECT_EQ(call("nativeSetRecording", "(J[B)I", id, env->NewByteArray(16)).value.i, 0);
    const int side = 32;
    EXPECT_EQ(call("nativeSetWatermarkInit", "(JIIIII)I", id, (jint)side, (jint)side, (jint)8,
                   (jint)8, (jint)1)
                  .value.i,
              0);
    EXPECT_EQ(call("nativeSetWatermarkBuf", "(J[BI)I", id,
                   new_bytes(env, std::vector<uint8_t>(side * side * 4, 0xff)), (jint)(1 << 30))
                  .value.i,
              0);
    std::string path = temp_path("bridge_recording.mp4");
    jstring file = env->NewStringUTF(path.c_str());
    int started = -1;
    for (int attempt = 0; attempt < 5 && started != 0; attempt++)
        started =
            call("nativeStartRecording", "(JZLjava/lang/String;)I", id, (jboolean)JNI_TRUE, file)
                .value.i;
    ASSERT_EQ(started, 0);
    long long posts = surfacePosts(surface);
    ASSERT_TRUE(wait_until([&] { return surfacePosts(surface) >= posts + 30; }, kGuardMs));
    EXPECT_EQ(callInt("nativeStopRecording", "(J)I", id), 0);
    JavaResult error = call("nativegetLastError", "(J)Ljava/lang/String;", id);
    EXPECT_EQ(error.exception, "");
    EXPECT_NE(error.value.l, nullptr);
    EXPECT_EQ(callInt("nativeStopPreview", "(J)I", id), 0);
    EXPECT_EQ(callInt("nativeCameraIsRunning", "(J)I", id), 0);
    std::string streams = command_output(
        "ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + path + "'");
    EXPECT_NE(streams.find("h264"), std::string::npos) << streams;
    EXPECT_EQ(
        java_string(env, (jstring)call("nativegetTLinkUrl", "(J)Ljava/lang/String;", id).value.l),
        "");
    destroy(id);
    call_method(env, surface, "release", "()V");
    remove(path.c_str());
}

// The Java layer must pass a path with a descriptor; a null one is read as no path.
TEST_F(BridgeTest, ConnectWithoutAPathDoesNotCrash) {
    jlong id = create();
    DescriptionFile device(webcam_description("mjpeg 640x480"));
    JavaResult connected = call("nativeConnect", "(JIIILjava/lang/String;)I", id, (jint)0x1bcf,
                                (jint)0x2c9a, (jint)device.fd(), (jstring) nullptr);
    EXPECT_EQ(connected.exception, "");
    EXPECT_EQ(connected.value.i, 0);
    EXPECT_EQ(callInt("nativeRelease", "(J)I", id), 0);
}

// A bitmap of 4 bytes per pixel gets the bytes as they are, row by row over its stride; any
// other bitmap or a short array leaves it untouched.
TEST_F(BridgeTest, SetPixelsKeepsEveryByteAndRefusesWhatDoesNotFit) {
    // A bitmap of the named configuration, with `padding` bytes after each row (-1: none).
    auto create = [&](const char *config, int padding) {
        jclass configClass = env->FindClass("android/graphics/Bitmap$Config");
        jobject value = env->GetStaticObjectField(
            configClass,
            env->GetStaticFieldID(configClass, config, "Landroid/graphics/Bitmap$Config;"));
        const char *sig = "(IILandroid/graphics/Bitmap$Config;I)Landroid/graphics/Bitmap;";
        if (padding < 0)
            return call_static(env, "android/graphics/Bitmap", "createBitmap",
                               "(IILandroid/graphics/Bitmap$Config;)Landroid/graphics/Bitmap;",
                               (jint)3, (jint)2, value)
                .value.l;
        return call_static(env, "android/graphics/Bitmap", "createPaddedBitmap", sig, (jint)3,
                           (jint)2, value, (jint)padding)
            .value.l;
    };
    jobject bitmap = create("ARGB_8888", 8);
    ASSERT_NE(bitmap, nullptr);
    std::vector<uint8_t> rgba;
    for (int pixel = 0; pixel < 6; pixel++) {
        uint8_t alpha = pixel % 2 ? 0xC0 : 0x40;
        rgba.insert(rgba.end(), {(uint8_t)(pixel * 10), (uint8_t)(pixel * 10 + 1),
                                 (uint8_t)(pixel * 10 + 2), alpha});
    }
    jbyteArray pixels = new_bytes(env, rgba);
    EXPECT_EQ(
        call("nativeSetPixels", "(JLjava/lang/Object;[B)V", (jlong)0, bitmap, pixels).exception,
        "");
    auto content = [&](jobject which) {
        return java_bytes(env,
                          (jbyteArray)call_method(env, which, "getPixelBytes", "()[B").value.l);
    };
    EXPECT_EQ(content(bitmap), rgba);

    host_log_capture_start();
    jobject fresh = create("ARGB_8888", -1);
    jobject narrow = create("RGB_565", -1);
    std::vector<uint8_t> shortBytes(rgba.begin(), rgba.end() - 1);
    const char *sig = "(JLjava/lang/Object;[B)V";
    EXPECT_EQ(call("nativeSetPixels", sig, (jlong)1, fresh, new_bytes(env, shortBytes)).exception,
              "");
    EXPECT_EQ(call("nativeSetPixels", sig, (jlong)1, fresh, (jbyteArray) nullptr).exception, "");
    EXPECT_EQ(call("nativeSetPixels", sig, (jlong)1, narrow, pixels).exception, "");
    EXPECT_EQ(call("nativeSetPixels", sig, (jlong)1, (jobject) nullptr, pixels).exception, "");
    EXPECT_EQ(call("nativeSetPixels", sig, (jlong)1, natives, pixels).exception, "");
    EXPECT_EQ(content(fresh), std::vector<uint8_t>(24, 0));
    EXPECT_EQ(content(narrow), std::vector<uint8_t>(12, 0));
    EXPECT_EQ(host_log_count("nativeSetPixels:"), 3);
    EXPECT_EQ(host_log_count("AndroidBitmap_getInfo failed!"), 2);
    host_log_capture_stop();
    for (jobject which : {bitmap, fresh, narrow})
        call_method(env, which, "recycle", "()V");
}

// A window handed to a camera object without an engine is released; one handed over twice is
// held once, so it goes with the camera object.
TEST_F(BridgeTest, WindowReferencesAreNeitherLeakedNorDoubled) {
    const int before = host_window_live_count();
    jlong idle = create();
    jobject surface = newSurface(64, 64);
    const char *sig = "(JLandroid/view/Surface;)I";
    EXPECT_EQ(call("nativeSetPreviewDisplay", sig, idle, surface).value.i, -75);
    EXPECT_EQ(call("nativeSetCaptureDisplay", sig, idle, surface).value.i, -75);
    call_method(env, surface, "release", "()V");
    EXPECT_EQ(host_window_live_count(), before);

    jlong id = connectWebcam(webcam_description("mjpeg 640x480"));
    jobject preview = newSurface(64, 64);
    jobject capture = newSurface(64, 64);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(call("nativeSetPreviewDisplay", sig, id, preview).value.i, 0);
        EXPECT_EQ(call("nativeSetCaptureDisplay", sig, id, capture).value.i, 0);
    }
    EXPECT_EQ(call("nativeSetPreviewDisplay", sig, id, (jobject) nullptr).value.i, -2);
    call_method(env, preview, "release", "()V");
    call_method(env, capture, "release", "()V");
    EXPECT_EQ(host_window_live_count(), before + 2);
    destroy(id);
    EXPECT_EQ(host_window_live_count(), before);
}

}  // namespace
