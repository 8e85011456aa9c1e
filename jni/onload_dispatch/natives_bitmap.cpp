// nativeSetPixels: R, G, B, A bytes from Java into a bitmap of 4 bytes per pixel.
#include <android/bitmap.h>
#include <stdint.h>
#include <string.h>

#include "jni_arrays.h"
#include "logging.h"
#include "natives.h"

// Row by row with the bitmap's stride, and only when the array holds every pixel; the byte
// order R, G, B, A is kept.
void nativeSetPixels(JNIEnv *env, jobject, jlong, jobject bitmap, jbyteArray pixels) {
    AndroidBitmapInfo info;
    int result = bitmap ? AndroidBitmap_getInfo(env, bitmap, &info)
                        : (int)ANDROID_BITMAP_RESULT_BAD_PARAMETER;
    if (result < 0) {
        LOGE("AndroidBitmap_getInfo failed! error = %d", result);
        return;
    }
    const int64_t rowBytes = (int64_t)info.width * 4;
    if (info.format != ANDROID_BITMAP_FORMAT_RGBA_8888 || info.stride < rowBytes) {
        LOGE("nativeSetPixels: bitmap format %d stride %u is not RGBA 8888\n", info.format,
             info.stride);
        return;
    }
    PinnedBytes source(env, pixels);
    if ((int64_t)source.length() < rowBytes * info.height) {
        LOGE("nativeSetPixels: %d bytes for a %ux%u bitmap\n", source.length(), info.width,
             info.height);
        return;
    }
    void *target = nullptr;
    result = AndroidBitmap_lockPixels(env, bitmap, &target);
    if (result < 0) {
        LOGE("AndroidBitmap_lockPixels() failed! error = %d", result);
        return;
    }
    for (uint32_t y = 0; y < info.height; y++) {
        memcpy((uint8_t *)target + (size_t)y * info.stride,
               (const uint8_t *)source.data() + (size_t)y * rowBytes, (size_t)rowBytes);
    }
    AndroidBitmap_unlockPixels(env, bitmap);
}
