// Native side of the Java host stand-ins android.view.Surface and android.graphics.Bitmap:
// each Java object carries the handle of a host window or bitmap in a long field.
#include <android/bitmap.h>
#include <android/native_window.h>
#include <jni.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "host_android.h"

namespace {

ANativeWindow *window_of(jlong handle) {
    return reinterpret_cast<ANativeWindow *>(static_cast<intptr_t>(handle));
}

jobject bitmap_of(jlong handle) {
    return reinterpret_cast<jobject>(static_cast<intptr_t>(handle));
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_android_view_Surface_nativeCreate(JNIEnv *, jclass, jint width,
                                                               jint height) {
    return static_cast<jlong>(reinterpret_cast<intptr_t>(host_window_create(width, height)));
}

JNIEXPORT jlong JNICALL Java_android_view_Surface_nativePostCount(JNIEnv *, jclass, jlong window) {
    return host_window_post_count(window_of(window));
}

JNIEXPORT jbyteArray JNICALL Java_android_view_Surface_nativeLastPicture(JNIEnv *env, jclass,
                                                                         jlong window,
                                                                         jintArray size) {
    std::vector<uint8_t> pixels;
    int32_t dimensions[2] = {0, 0};
    if (!host_window_last_picture(window_of(window), &pixels, &dimensions[0], &dimensions[1]))
        return nullptr;
    if (size && env->GetArrayLength(size) >= 2)
        env->SetIntArrayRegion(size, 0, 2, dimensions);
    jbyteArray array = env->NewByteArray((jsize)pixels.size());
    if (array)
        env->SetByteArrayRegion(array, 0, (jsize)pixels.size(), (const jbyte *)pixels.data());
    return array;
}

JNIEXPORT jboolean JNICALL Java_android_view_Surface_nativeSavePng(JNIEnv *env, jclass,
                                                                   jlong window, jstring path) {
    if (!path)
        return JNI_FALSE;
    const char *chars = env->GetStringUTFChars(path, nullptr);
    if (!chars)
        return JNI_FALSE;
    bool saved = host_window_save_png(window_of(window), chars);
    env->ReleaseStringUTFChars(path, chars);
    return saved ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_android_view_Surface_nativeRelease(JNIEnv *, jclass, jlong window) {
    ANativeWindow_release(window_of(window));
}

JNIEXPORT jlong JNICALL Java_android_graphics_Bitmap_nativeCreate(JNIEnv *, jclass, jint width,
                                                                  jint height, jint format,
                                                                  jint rowPadding) {
    if (width <= 0 || height <= 0 || rowPadding < 0)
        return 0;
    return static_cast<jlong>(reinterpret_cast<intptr_t>(
        host_bitmap_create_padded((uint32_t)width, (uint32_t)height, format, rowPadding)));
}

// The pixel rows without the stride's padding.
JNIEXPORT jbyteArray JNICALL Java_android_graphics_Bitmap_nativePixels(JNIEnv *env, jclass,
                                                                       jlong handle,
                                                                       jint rowBytes) {
    AndroidBitmapInfo info;
    const uint8_t *pixels = host_bitmap_pixels(bitmap_of(handle));
    if (!pixels || AndroidBitmap_getInfo(nullptr, bitmap_of(handle), &info) < 0 || rowBytes <= 0 ||
        (uint32_t)rowBytes > info.stride)
        return nullptr;
    jbyteArray array = env->NewByteArray(rowBytes * (jsize)info.height);
    if (!array)
        return nullptr;
    for (uint32_t y = 0; y < info.height; y++) {
        env->SetByteArrayRegion(array, (jsize)(y * rowBytes), rowBytes,
                                (const jbyte *)pixels + (size_t)y * info.stride);
    }
    return array;
}

JNIEXPORT void JNICALL Java_android_graphics_Bitmap_nativeDestroy(JNIEnv *, jclass, jlong handle) {
    host_bitmap_destroy(bitmap_of(handle));
}

}  // extern "C"
