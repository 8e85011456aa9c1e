// libjnigraphics stand-in: bitmaps held in host memory.
#include <android/bitmap.h>

#include <mutex>
#include <vector>

#include "host_android.h"
#include "host_registry.h"
#include "java_handle.h"

namespace {
struct HostBitmap {
    std::mutex mutex;  // guards locked
    AndroidBitmapInfo info;
    std::vector<uint8_t> pixels;
    bool locked = false;
};

HostBitmap *find_bitmap(JNIEnv *env, jobject object) {
    return (HostBitmap *)host_object_from_java(env, object, HostKind::Bitmap, "mNativePtr");
}
}  // namespace

jobject host_bitmap_create(uint32_t width, uint32_t height, int32_t format) {
    return host_bitmap_create_padded(width, height, format, 0);
}

jobject host_bitmap_create_padded(uint32_t width, uint32_t height, int32_t format,
                                  uint32_t rowPadding) {
    uint32_t bpp = format == ANDROID_BITMAP_FORMAT_RGBA_8888 ? 4
                   : format == ANDROID_BITMAP_FORMAT_A_8     ? 1
                   : format == ANDROID_BITMAP_FORMAT_NONE    ? 0
                                                             : 2;
    if (width == 0 || height == 0 || bpp == 0 || width > 16384 || height > 16384 ||
        rowPadding > 4096)
        return nullptr;
    HostBitmap *bitmap = new HostBitmap();
    bitmap->info = {width, height, width * bpp + rowPadding, format, 0};
    bitmap->pixels.assign((size_t)bitmap->info.stride * height, 0);
    host_registry_add(HostKind::Bitmap, bitmap);
    return (jobject)bitmap;
}

void host_bitmap_destroy(jobject object) {
    if (!host_registry_contains(HostKind::Bitmap, object))
        return;
    host_registry_remove(HostKind::Bitmap, object);
    delete (HostBitmap *)object;
}

uint8_t *host_bitmap_pixels(jobject object) {
    HostBitmap *bitmap = find_bitmap(nullptr, object);
    return bitmap ? bitmap->pixels.data() : nullptr;
}

bool host_bitmap_is_locked(jobject object) {
    HostBitmap *bitmap = find_bitmap(nullptr, object);
    if (!bitmap)
        return false;
    std::lock_guard<std::mutex> lock(bitmap->mutex);
    return bitmap->locked;
}

extern "C" int AndroidBitmap_getInfo(JNIEnv *env, jobject jbitmap, AndroidBitmapInfo *info) {
    HostBitmap *bitmap = find_bitmap(env, jbitmap);
    if (!bitmap || !info)
        return ANDROID_BITMAP_RESULT_BAD_PARAMETER;
    *info = bitmap->info;
    return ANDROID_BITMAP_RESULT_SUCCESS;
}

extern "C" int AndroidBitmap_lockPixels(JNIEnv *env, jobject jbitmap, void **addrPtr) {
    HostBitmap *bitmap = find_bitmap(env, jbitmap);
    if (!bitmap)
        return ANDROID_BITMAP_RESULT_BAD_PARAMETER;
    std::lock_guard<std::mutex> lock(bitmap->mutex);
    if (bitmap->locked)
        return ANDROID_BITMAP_RESULT_BAD_PARAMETER;
    bitmap->locked = true;
    if (addrPtr)
        *addrPtr = bitmap->pixels.data();
    return ANDROID_BITMAP_RESULT_SUCCESS;
}

extern "C" int AndroidBitmap_unlockPixels(JNIEnv *env, jobject jbitmap) {
    HostBitmap *bitmap = find_bitmap(env, jbitmap);
    if (!bitmap)
        return ANDROID_BITMAP_RESULT_BAD_PARAMETER;
    std::lock_guard<std::mutex> lock(bitmap->mutex);
    if (!bitmap->locked)
        return ANDROID_BITMAP_RESULT_BAD_PARAMETER;
    bitmap->locked = false;
    return ANDROID_BITMAP_RESULT_SUCCESS;
}
