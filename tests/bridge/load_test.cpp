// Loading and unloading a deliverable. Each case needs a JVM of its own (a process can start
// only one), so CTest runs every case in its own process.
#include <gtest/gtest.h>

#include "bridge_fixture.h"
#include "camera_id.h"
#include "description_file.h"
#include "host_android.h"
#include "onload_dispatch.h"
#include "uvc_testing.h"

namespace {

JNIEnv *start(const std::string &classpath, const std::vector<std::string> &options = {}) {
    std::string error;
    JNIEnv *env = jvm_start(classpath, &error, options);
    EXPECT_NE(env, nullptr) << error;
    return env;
}

TEST(BridgeLoad, RegistersTheNativesAndCachesTheCallbacks) {
    JNIEnv *env = start(standard_classpath());
    ASSERT_NE(env, nullptr);
    host_log_capture_start();
    ASSERT_EQ(load_deliverable(env), "");
    EXPECT_EQ(host_log_count("register_uvccamera Success\n"), 1);
    host_log_capture_stop();
    EXPECT_EQ(g_VM, jvm());
    EXPECT_NE(g_jNativesCls, nullptr);
    for (jmethodID method : {g_mid, g_mid1, g_mid2, g_midRAWCB, g_midErrorCB})
        EXPECT_NE(method, nullptr);
    EXPECT_EQ(g_CameraInfo.size(), 0);
}

// A class path that lacks one piece of the application's side, and the line the load logs.
struct LoadFailure {
    const char *name;
    const char *classpath;
    const char *line;
};

void PrintTo(const LoadFailure &failure, std::ostream *out) {
    *out << failure.name;
}

class BridgeLoadFailure : public ::testing::TestWithParam<LoadFailure> {};

TEST_P(BridgeLoadFailure, FailsWithItsLine) {
    JNIEnv *env = start(GetParam().classpath);
    ASSERT_NE(env, nullptr);
    host_log_capture_start();
    std::string thrown = load_deliverable(env);
    EXPECT_NE(thrown.find("UnsatisfiedLinkError"), std::string::npos) << thrown;
    EXPECT_EQ(host_log_count(GetParam().line), 1) << GetParam().line;
    EXPECT_EQ(host_log_count("register_uvccamera Success"), 0);
    host_log_capture_stop();
}

INSTANTIATE_TEST_SUITE_P(
    Variants, BridgeLoadFailure,
    ::testing::Values(LoadFailure{"NoStillTrigger", CLASSPATH_WITHOUT_StillTriggerCallback,
                                  "fail to GetStaticMethodID g_mid"},
                      LoadFailure{"NoVolume", CLASSPATH_WITHOUT_VolumeCallback,
                                  "fail to GetStaticMethodID g_mid1"},
                      LoadFailure{"NoPictureTake", CLASSPATH_WITHOUT_sendPictureTake,
                                  "fail to GetStaticMethodID g_mid2"},
                      LoadFailure{"NoPreviewData", CLASSPATH_WITHOUT_PreviewDataCallback,
                                  "fail to GetStaticMethodID g_midRAWCB"},
                      LoadFailure{"NoErrorCallback", CLASSPATH_WITHOUT_notifyErrCallback,
                                  "fail to GetStaticMethodID g_midErrorCB"},
                      LoadFailure{"NoCallbackClass", CLASSPATH_WITHOUT_NativeCamera,
                                  "fail to FindClass : com/orrinworks/lumivonative/NativeCamera"},
                      LoadFailure{
                          "NoNativeClass", BRIDGE_TEST_JAR,
                          "registerNativeMethods: class'com/orrinworks/lumivonative/Lumivo_Native' "
                          "not found"}),
    [](const ::testing::TestParamInfo<LoadFailure> &info) { return info.param.name; });

// Unloading stops and deletes every camera object still held, with its records and arrays.
TEST(BridgeLoad, UnloadStopsAndDeletesEveryCameraObject) {
    JNIEnv *env = start(standard_classpath());
    ASSERT_NE(env, nullptr);
    ASSERT_EQ(load_deliverable(env), "");
    jobject natives = new_object(env, "com/orrinworks/lumivonative/Lumivo_Native", "()V");
    std::vector<jlong> ids;
    for (const char *create : {"nativeCreate", "nativeCreate_internal", "nativeCreate"})
        ids.push_back(call_method(env, natives, create, "()J").value.j);
    ASSERT_EQ(g_CameraInfo.size(), 3);
    std::vector<jweak> arrays;
    for (int i = 0; i < 3; i++) {
        if (g_CameraInfo[i]->Rawarr)
            arrays.push_back(env->NewWeakGlobalRef(g_CameraInfo[i]->Rawarr));
    }
    ASSERT_EQ(arrays.size(), 2u);
    // The first one previews a camera.
    DescriptionFile device(webcam_description("mjpeg 640x480"));
    jstring path = env->NewStringUTF("/dev/bus/usb/001/002");
    ASSERT_EQ(call_method(env, natives, "nativeConnect", "(JIIILjava/lang/String;)I", ids[0],
                          (jint)0x1bcf, (jint)0x2c9a, (jint)device.fd(), path)
                  .value.i,
              0);
    call_method(env, natives, "nativeSetRecMode", "(JI)I", ids[0], (jint)1);
    ASSERT_EQ(call_method(env, natives, "nativeStartPreview", "(J)I", ids[0]).value.i, 0);
    EXPECT_EQ(uvc_test_live_handles(), 1);

    JNI_OnUnload(jvm(), nullptr);
    EXPECT_EQ(g_CameraInfo.size(), 0);
    EXPECT_EQ(g_CameraInfo.capacity(), 2);
    EXPECT_EQ(g_jNativesCls, nullptr);
    EXPECT_EQ(uvc_test_live_handles(), 0);
    EXPECT_EQ(uvc_test_live_contexts(), 0);
    // The arrays are garbage once their references are gone.
    EXPECT_TRUE(wait_until(
        [&] {
            call_static(env, "java/lang/System", "gc", "()V");
            for (jweak array : arrays) {
                if (!env->IsSameObject(array, nullptr))
                    return false;
            }
            return true;
        },
        kGuardMs));
    for (jweak array : arrays)
        env->DeleteWeakGlobalRef(array);
}

// A heap too small for the 36,000,000-byte raw array: the camera object and its record exist,
// the record has no array, and Java sees no exception.
TEST(BridgeLoad, RawArrayThatCannotBeMadeStaysNull) {
    JNIEnv *env = start(standard_classpath(), {"-Xmx24m"});
    ASSERT_NE(env, nullptr);
    ASSERT_EQ(load_deliverable(env), "");
    jobject natives = new_object(env, "com/orrinworks/lumivonative/Lumivo_Native", "()V");
    host_log_capture_start();
    JavaResult created = call_method(env, natives, "nativeCreate", "()J");
    EXPECT_EQ(created.exception, "");
    ASSERT_NE(created.value.j, 0);
    ASSERT_EQ(g_CameraInfo.size(), 1);
    EXPECT_EQ(g_CameraInfo[0]->Rawarr, nullptr);
    EXPECT_EQ(host_log_count("raw data array of 36000000 bytes not created"), 1);
    std::vector<char> frame(16, 1);
    call_java_RawdataCallback((long)created.value.j, frame.data(), 16);
    EXPECT_EQ(host_log_count(" Info->Rawarr == NULL"), 1);
    host_log_capture_stop();
    EXPECT_EQ(call_method(env, natives, "nativeDestroy", "(J)V", created.value.j).exception, "");
    EXPECT_EQ(g_CameraInfo.size(), 0);
}

}  // namespace
