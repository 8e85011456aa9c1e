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

namespace {

// The surface's window with one reference held for the caller's use, or null.
ANativeWindow *window_of(JNIEnv *env, jobject surface) {
    return surface ? ANativeWindow_fromSurface(env, surface) : nullptr;
}

}  // namespace

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
    jbyte *pixels = env->GetByteArrayElements(rgbx, nullptr);
    if (!pixels)
        return -1;
    int64_t counter = uvc_test_decode_counter((const uint8_t *)pixels, width, height, 0);
    env->ReleaseByteArrayElements(rgbx, pixels, JNI_ABORT);
    return counter;
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
    if (ANativeWindow *window = window_of(env, surface)) {
        times = host_window_post_times(window);
        ANativeWindow_release(window);
    }
    jlongArray result = env->NewLongArray((jsize)times.size());
    if (result && !times.empty())
        env->SetLongArrayRegion(result, 0, (jsize)times.size(), (const jlong *)times.data());
    return result;
}

JNIEXPORT jboolean JNICALL Java_com_orrinworks_lumivodemo_DemoHost_saveSurfacePng(JNIEnv *env,
                                                                                  jclass,
                                                                                  jobject surface,
                                                                                  jstring path) {
    ANativeWindow *window = window_of(env, surface);
    if (!window || !path) {
        if (window)
            ANativeWindow_release(window);
        return JNI_FALSE;
    }
    const char *chars = env->GetStringUTFChars(path, nullptr);
    bool saved = chars && host_window_save_png(window, chars);
    if (chars)
        env->ReleaseStringUTFChars(path, chars);
    ANativeWindow_release(window);
    return saved ? JNI_TRUE : JNI_FALSE;
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
