// Native side of the demo's DemoHost class: the descriptor of the virtual camera (what the
// USB manager hands an application on a phone) and read-only probes of the virtual camera and
// the host windows, so that the demo can measure what the engine did.
#include <android/native_window.h>
#include <android/native_window_jni.h>
#include <errno.h>
#include <fcntl.h>
#include <jni.h>
#include <stdio.h>
#include <unistd.h>

#include <vector>

#include "host_android.h"
#include "uvc_testing.h"

extern "C" {

JNIEXPORT jint JNICALL Java_com_orrinworks_lumivodemo_DemoHost_openDevice(JNIEnv *env, jclass,
                                                                          jstring path) {
    if (!path)
        return -EINVAL;
    const char *chars = env->GetStringUTFChars(path, nullptr);
    if (!chars)
        return -ENOMEM;
    int fd = open(chars, O_RDONLY | O_CLOEXEC);
    int error = errno;
    env->ReleaseStringUTFChars(path, chars);
    return fd >= 0 ? fd : -error;
}

JNIEXPORT void JNICALL Java_com_orrinworks_lumivodemo_DemoHost_closeDevice(JNIEnv *, jclass,
                                                                           jint fd) {
    if (fd > 0)
        close(fd);
}

JNIEXPORT jlong JNICALL Java_com_orrinworks_lumivodemo_DemoHost_decodeCounter(JNIEnv *env, jclass,
                                                                              jbyteArray rgbx,
                                                                              jint width,
                                                                              jint height) {
    if (!rgbx || width <= 0 || height <= 0 ||
        env->GetArrayLength(rgbx) < (jlong)width * height * 4) {
        return -1;
    }
    // Raw frames arrive in the camera object's 36 MB array: read it in place, never copied.
    void *pixels = env->GetPrimitiveArrayCritical(rgbx, nullptr);
    if (!pixels)
        return -1;
    int64_t counter = uvc_test_decode_counter((const uint8_t *)pixels, width, height, 0);
    env->ReleasePrimitiveArrayCritical(rgbx, pixels, JNI_ABORT);
    return counter;
}

JNIEXPORT jboolean JNICALL Java_com_orrinworks_lumivodemo_DemoHost_clapMarker(JNIEnv *env, jclass,
                                                                              jbyteArray rgbx,
                                                                              jint width,
                                                                              jint height) {
    if (!rgbx || width <= 0 || height <= 0 ||
        env->GetArrayLength(rgbx) < (jlong)width * height * 4) {
        return JNI_FALSE;
    }
    void *pixels = env->GetPrimitiveArrayCritical(rgbx, nullptr);
    if (!pixels)
        return JNI_FALSE;
    bool shown = uvc_test_clap_marker((const uint8_t *)pixels, width, height, 0);
    env->ReleasePrimitiveArrayCritical(rgbx, pixels, JNI_ABORT);
    return shown ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_orrinworks_lumivodemo_DemoHost_handoverTimeNs(JNIEnv *, jclass,
                                                                               jint fd,
                                                                               jint sequence) {
    return sequence > 0 ? uvc_test_handover_time_ns_by_fd(fd, (uint32_t)sequence) : -1;
}

JNIEXPORT jint JNICALL Java_com_orrinworks_lumivodemo_DemoHost_framesDelivered(JNIEnv *, jclass,
                                                                               jint fd) {
    return (jint)uvc_test_frames_delivered_by_fd(fd);
}

JNIEXPORT jlongArray JNICALL
Java_com_orrinworks_lumivodemo_DemoHost_surfacePostTimes(JNIEnv *env, jclass, jobject surface) {
    std::vector<int64_t> times;
    // The window is looked up (and held for the read) the way the engine gets it.
    if (ANativeWindow *window = surface ? ANativeWindow_fromSurface(env, surface) : nullptr) {
        times = host_window_post_times(window);
        ANativeWindow_release(window);
    }
    jlongArray result = env->NewLongArray((jsize)times.size());
    if (result && !times.empty())
        env->SetLongArrayRegion(result, 0, (jsize)times.size(), (const jlong *)times.data());
    return result;
}

JNIEXPORT jstring JNICALL Java_com_orrinworks_lumivodemo_DemoHost_leftOpen(JNIEnv *env, jclass) {
    char text[160];
    snprintf(text, sizeof(text),
             "camera contexts %d, devices %d, handles %d, threads %d; windows %d",
             uvc_test_live_contexts(), uvc_test_live_devices(), uvc_test_live_handles(),
             uvc_test_live_threads(), host_window_live_count());
    return env->NewStringUTF(text);
}

}  // extern "C"
