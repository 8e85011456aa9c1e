#include <android/bitmap.h>
#include <android/native_window.h>
#include <android/native_window_jni.h>
#include <gtest/gtest.h>
#include <sys/system_properties.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "host_android.h"
#include "temp_path.h"

namespace {

TEST(NativeWindow, LockPostAndReadBackWithStride) {
    ANativeWindow *window = host_window_create(100, 50);
    ASSERT_NE(window, nullptr);
    host_window_set_stride_padding(window, 7);
    ASSERT_EQ(ANativeWindow_setBuffersGeometry(window, 20, 10, WINDOW_FORMAT_RGBA_8888), 0);
    ANativeWindow_Buffer buffer;
    ASSERT_EQ(ANativeWindow_lock(window, &buffer, nullptr), 0);
    EXPECT_EQ(buffer.width, 20);
    EXPECT_EQ(buffer.height, 10);
    EXPECT_EQ(buffer.stride, 32 + 7);
    EXPECT_EQ(buffer.format, WINDOW_FORMAT_RGBA_8888);
    uint8_t *bits = (uint8_t *)buffer.bits;
    for (int y = 0; y < 10; y++) {
        for (int x = 0; x < 20; x++) {
            uint8_t *p = bits + ((size_t)y * buffer.stride + x) * 4;
            p[0] = (uint8_t)x;
            p[1] = (uint8_t)y;
            p[2] = 200;
            p[3] = 255;
        }
    }
    EXPECT_EQ(host_window_post_count(window), 0);
    ASSERT_EQ(ANativeWindow_unlockAndPost(window), 0);
    EXPECT_EQ(host_window_post_count(window), 1);

    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    ASSERT_TRUE(host_window_last_picture(window, &pixels, &width, &height));
    ASSERT_EQ(width, 20);
    ASSERT_EQ(height, 10);
    const uint8_t *p = &pixels[((size_t)9 * 20 + 19) * 4];
    EXPECT_EQ(p[0], 19);
    EXPECT_EQ(p[1], 9);
    EXPECT_EQ(p[2], 200);

    std::string png = temp_path("window.png");
    EXPECT_TRUE(host_window_save_png(window, png.c_str()));
    EXPECT_EQ(access(png.c_str(), R_OK), 0);
    unlink(png.c_str());

    // Every post has its time, in order.
    for (int i = 0; i < 4; i++) {
        ASSERT_EQ(ANativeWindow_lock(window, &buffer, nullptr), 0);
        ASSERT_EQ(ANativeWindow_unlockAndPost(window), 0);
    }
    std::vector<int64_t> times = host_window_post_times(window);
    ASSERT_EQ(times.size(), 5u);
    for (size_t i = 1; i < times.size(); i++)
        EXPECT_GE(times[i], times[i - 1]);
    ANativeWindow_release(window);
}

TEST(NativeWindow, GeometryRulesAndRefusal) {
    ANativeWindow *window = host_window_create(64, 32);
    EXPECT_EQ(ANativeWindow_getWidth(window), 64);
    EXPECT_NE(ANativeWindow_setBuffersGeometry(window, -1, 10, 1), 0);
    EXPECT_NE(ANativeWindow_setBuffersGeometry(window, 10, 0, 1), 0);
    EXPECT_NE(ANativeWindow_setBuffersGeometry(window, 10, 10, 99), 0);
    EXPECT_EQ(ANativeWindow_setBuffersGeometry(window, 0, 0, 1), 0);
    EXPECT_EQ(ANativeWindow_getWidth(window), 64);
    host_window_refuse_geometry(window, true);
    EXPECT_NE(ANativeWindow_setBuffersGeometry(window, 640, 480, 1), 0);
    EXPECT_EQ(ANativeWindow_getWidth(window), 64);
    host_window_refuse_geometry(window, false);
    EXPECT_EQ(ANativeWindow_setBuffersGeometry(window, 640, 480, 1), 0);
    EXPECT_EQ(ANativeWindow_getHeight(window), 480);
    ANativeWindow_release(window);
}

TEST(NativeWindow, BadUseGivesErrorsNotCrashes) {
    ANativeWindow_Buffer buffer;
    EXPECT_NE(ANativeWindow_lock(nullptr, &buffer, nullptr), 0);
    EXPECT_NE(ANativeWindow_unlockAndPost(nullptr), 0);
    EXPECT_NE(ANativeWindow_setBuffersGeometry(nullptr, 1, 1, 1), 0);
    EXPECT_EQ(ANativeWindow_fromSurface(nullptr, nullptr), nullptr);
    ANativeWindow_release(nullptr);
    ANativeWindow_acquire(nullptr);

    ANativeWindow *window = host_window_create(8, 8);
    EXPECT_NE(ANativeWindow_unlockAndPost(window), 0);  // not locked
    ASSERT_EQ(ANativeWindow_lock(window, &buffer, nullptr), 0);
    EXPECT_NE(ANativeWindow_lock(window, &buffer, nullptr), 0);  // locked twice
    EXPECT_EQ(ANativeWindow_unlockAndPost(window), 0);
    EXPECT_EQ(host_window_post_count(window), 1);
    std::vector<uint8_t> pixels;
    EXPECT_FALSE(host_window_last_picture(nullptr, &pixels, nullptr, nullptr));
    EXPECT_EQ(host_window_create(0, 10), nullptr);
    ANativeWindow_release(window);
}

TEST(NativeWindow, LastReferenceFreesTheWindow) {
    int before = host_window_live_count();
    ANativeWindow *window = host_window_create(8, 8);
    EXPECT_EQ(host_window_live_count(), before + 1);
    ANativeWindow *again = ANativeWindow_fromSurface(nullptr, (jobject)window);
    EXPECT_EQ(again, window);  // takes a reference
    ANativeWindow_acquire(window);
    ANativeWindow_release(window);
    ANativeWindow_release(window);
    EXPECT_EQ(host_window_live_count(), before + 1);
    ANativeWindow_release(window);
    EXPECT_EQ(host_window_live_count(), before);
    // A pointer that is no longer a window is not taken for one.
    EXPECT_EQ(ANativeWindow_fromSurface(nullptr, (jobject)window), nullptr);
}

TEST(Bitmap, InfoAndPixels) {
    jobject bitmap = host_bitmap_create(3, 2, ANDROID_BITMAP_FORMAT_RGBA_8888);
    ASSERT_NE(bitmap, nullptr);
    AndroidBitmapInfo info;
    ASSERT_EQ(AndroidBitmap_getInfo(nullptr, bitmap, &info), ANDROID_BITMAP_RESULT_SUCCESS);
    EXPECT_EQ(info.width, 3u);
    EXPECT_EQ(info.height, 2u);
    EXPECT_EQ(info.stride, 12u);
    EXPECT_EQ(info.format, ANDROID_BITMAP_FORMAT_RGBA_8888);
    void *pixels = nullptr;
    ASSERT_EQ(AndroidBitmap_lockPixels(nullptr, bitmap, &pixels), ANDROID_BITMAP_RESULT_SUCCESS);
    EXPECT_TRUE(host_bitmap_is_locked(bitmap));
    memset(pixels, 0x5a, 24);
    EXPECT_EQ(AndroidBitmap_unlockPixels(nullptr, bitmap), ANDROID_BITMAP_RESULT_SUCCESS);
    EXPECT_EQ(host_bitmap_pixels(bitmap)[23], 0x5a);
    EXPECT_FALSE(host_bitmap_is_locked(bitmap));
    host_bitmap_destroy(bitmap);
}

TEST(Bitmap, BadUseGivesErrors) {
    AndroidBitmapInfo info;
    void *pixels = nullptr;
    EXPECT_EQ(AndroidBitmap_getInfo(nullptr, nullptr, &info), ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    EXPECT_EQ(AndroidBitmap_lockPixels(nullptr, nullptr, &pixels),
              ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    EXPECT_EQ(AndroidBitmap_unlockPixels(nullptr, nullptr), ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    int notABitmap = 0;
    EXPECT_EQ(AndroidBitmap_getInfo(nullptr, (jobject)&notABitmap, &info),
              ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    jobject bitmap = host_bitmap_create(4, 4, ANDROID_BITMAP_FORMAT_RGB_565);
    EXPECT_EQ(AndroidBitmap_getInfo(nullptr, bitmap, nullptr), ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    EXPECT_EQ(AndroidBitmap_unlockPixels(nullptr, bitmap), ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    ASSERT_EQ(AndroidBitmap_lockPixels(nullptr, bitmap, &pixels), 0);
    EXPECT_EQ(AndroidBitmap_lockPixels(nullptr, bitmap, &pixels),
              ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    host_bitmap_destroy(bitmap);
    EXPECT_EQ(AndroidBitmap_getInfo(nullptr, bitmap, &info), ANDROID_BITMAP_RESULT_BAD_PARAMETER);
    EXPECT_EQ(host_bitmap_create(0, 4, ANDROID_BITMAP_FORMAT_RGBA_8888), nullptr);
}

TEST(SystemProperty, SetReadAndLimits) {
    char value[PROP_VALUE_MAX];
    host_property_clear();
    EXPECT_EQ(__system_property_get("ro.product.model", value), 0);
    EXPECT_STREQ(value, "");
    host_property_set("ro.product.model", "LUMIVO-X1");
    EXPECT_EQ(__system_property_get("ro.product.model", value), 9);
    EXPECT_STREQ(value, "LUMIVO-X1");
    std::string longValue(200, 'v');
    host_property_set("long.value", longValue.c_str());
    EXPECT_EQ(__system_property_get("long.value", value), PROP_VALUE_MAX - 1);
    EXPECT_EQ(strlen(value), (size_t)PROP_VALUE_MAX - 1);
    std::string longName(PROP_NAME_MAX, 'n');
    strcpy(value, "stale");
    EXPECT_EQ(__system_property_get(longName.c_str(), value), -1);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(__system_property_get(nullptr, value), -1);
    EXPECT_EQ(__system_property_get("ro.product.model", nullptr), -1);
    host_property_clear();
}

}  // namespace
