// libandroid stand-in: native windows backed by host memory, counting what is posted.
#include <android/native_window.h>
#include <android/native_window_jni.h>
#include <png.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

#include "host_android.h"
#include "host_registry.h"
#include "java_handle.h"

namespace {
const size_t kMaxPostTimes = 1 << 16;
const int32_t kMaxDimension = 16384;

int32_t bytes_per_pixel(int32_t format) {
    return format == WINDOW_FORMAT_RGB_565 ? 2 : 4;
}

int64_t monotonic_us() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
}

struct Picture {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    int32_t format = 0;
};
}  // namespace

struct ANativeWindow {
    std::atomic<int> refs{1};
    std::mutex mutex;  // guards everything below
    int32_t width = 0;
    int32_t height = 0;
    int32_t format = WINDOW_FORMAT_RGBA_8888;
    int32_t geometryWidth = 0;  // 0: the window's own size
    int32_t geometryHeight = 0;
    int32_t stridePadding = 0;
    bool refuseGeometry = false;
    bool locked = false;
    Picture back;
    Picture posted;
    int64_t postCount = 0;
    std::vector<int64_t> postTimes;
};

ANativeWindow *host_window_create(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        return nullptr;
    ANativeWindow *window = new ANativeWindow();
    window->width = width;
    window->height = height;
    host_registry_add(HostKind::Window, window);
    return window;
}

extern "C" void ANativeWindow_acquire(ANativeWindow *window) {
    if (window)
        window->refs.fetch_add(1);
}

extern "C" void ANativeWindow_release(ANativeWindow *window) {
    if (!window)
        return;
    if (window->refs.fetch_sub(1) == 1) {
        host_registry_remove(HostKind::Window, window);
        delete window;
    }
}

extern "C" int32_t ANativeWindow_getWidth(ANativeWindow *window) {
    if (!window)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->geometryWidth ? window->geometryWidth : window->width;
}

extern "C" int32_t ANativeWindow_getHeight(ANativeWindow *window) {
    if (!window)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->geometryHeight ? window->geometryHeight : window->height;
}

extern "C" int32_t ANativeWindow_getFormat(ANativeWindow *window) {
    if (!window)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->format;
}

extern "C" int32_t ANativeWindow_setBuffersGeometry(ANativeWindow *window, int32_t width,
                                                    int32_t height, int32_t format) {
    if (!window)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(window->mutex);
    bool sizeOk = width >= 0 && height >= 0 && (width == 0) == (height == 0) &&
                  width <= kMaxDimension && height <= kMaxDimension;
    bool formatOk = format == 0 || format == WINDOW_FORMAT_RGBA_8888 ||
                    format == WINDOW_FORMAT_RGBX_8888 || format == WINDOW_FORMAT_RGB_565;
    if (window->refuseGeometry || !sizeOk || !formatOk)
        return -EINVAL;
    window->geometryWidth = width;
    window->geometryHeight = height;
    if (format)
        window->format = format;
    return 0;
}

extern "C" int32_t ANativeWindow_lock(ANativeWindow *window, ANativeWindow_Buffer *outBuffer,
                                      ARect *inOutDirtyBounds) {
    if (!window || !outBuffer)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(window->mutex);
    if (window->locked)
        return -EINVAL;
    Picture &back = window->back;
    back.width = window->geometryWidth ? window->geometryWidth : window->width;
    back.height = window->geometryHeight ? window->geometryHeight : window->height;
    back.stride = ((back.width + 15) & ~15) + window->stridePadding;
    back.format = window->format;
    back.bytes.resize((size_t)back.stride * back.height * bytes_per_pixel(back.format));
    window->locked = true;
    memset(outBuffer, 0, sizeof(*outBuffer));
    outBuffer->width = back.width;
    outBuffer->height = back.height;
    outBuffer->stride = back.stride;
    outBuffer->format = back.format;
    outBuffer->bits = back.bytes.data();
    if (inOutDirtyBounds)
        *inOutDirtyBounds = {0, 0, back.width, back.height};
    return 0;
}

extern "C" int32_t ANativeWindow_unlockAndPost(ANativeWindow *window) {
    if (!window)
        return -EINVAL;
    std::lock_guard<std::mutex> lock(window->mutex);
    if (!window->locked)
        return -EINVAL;
    window->locked = false;
    // Double buffering: the posted picture becomes the front, the old front the next back
    // buffer (its contents are undefined to the next writer, as on a device).
    std::swap(window->posted, window->back);
    window->postCount++;
    if (window->postTimes.size() >= kMaxPostTimes)
        window->postTimes.clear();
    window->postTimes.push_back(monotonic_us());
    return 0;
}

extern "C" ANativeWindow *ANativeWindow_fromSurface(JNIEnv *env, jobject surface) {
    ANativeWindow *window =
        (ANativeWindow *)host_object_from_java(env, surface, HostKind::Window, "mNativeObject");
    ANativeWindow_acquire(window);
    return window;
}

void host_window_set_stride_padding(ANativeWindow *window, int32_t pixels) {
    if (!window || pixels < 0)
        return;
    std::lock_guard<std::mutex> lock(window->mutex);
    window->stridePadding = pixels;
}

void host_window_refuse_geometry(ANativeWindow *window, bool refuse) {
    if (!window)
        return;
    std::lock_guard<std::mutex> lock(window->mutex);
    window->refuseGeometry = refuse;
}

int64_t host_window_post_count(ANativeWindow *window) {
    if (!window)
        return 0;
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->postCount;
}

std::vector<int64_t> host_window_post_times(ANativeWindow *window) {
    if (!window)
        return {};
    std::lock_guard<std::mutex> lock(window->mutex);
    return window->postTimes;
}

bool host_window_last_picture(ANativeWindow *window, std::vector<uint8_t> *pixels, int32_t *width,
                              int32_t *height) {
    if (!window || !pixels)
        return false;
    std::lock_guard<std::mutex> lock(window->mutex);
    const Picture &posted = window->posted;
    if (window->postCount == 0)
        return false;
    pixels->resize((size_t)posted.width * posted.height * 4);
    for (int32_t y = 0; y < posted.height; y++) {
        uint8_t *dst = pixels->data() + (size_t)y * posted.width * 4;
        if (posted.format == WINDOW_FORMAT_RGB_565) {
            const uint16_t *src = (const uint16_t *)posted.bytes.data() + (size_t)y * posted.stride;
            for (int32_t x = 0; x < posted.width; x++) {
                uint16_t v = src[x];
                dst[x * 4 + 0] = (uint8_t)(((v >> 11) & 0x1f) * 255 / 31);
                dst[x * 4 + 1] = (uint8_t)(((v >> 5) & 0x3f) * 255 / 63);
                dst[x * 4 + 2] = (uint8_t)((v & 0x1f) * 255 / 31);
                dst[x * 4 + 3] = 255;
            }
        } else {
            memcpy(dst, posted.bytes.data() + (size_t)y * posted.stride * 4,
                   (size_t)posted.width * 4);
        }
    }
    if (width)
        *width = posted.width;
    if (height)
        *height = posted.height;
    return true;
}

bool host_window_save_png(ANativeWindow *window, const char *path) {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    if (!path || !host_window_last_picture(window, &pixels, &width, &height))
        return false;
    // The fourth byte may be padding (RGBX), so the picture is saved opaque.
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path, 0, pixels.data(), 0, nullptr) != 0;
}

int host_window_live_count() {
    return host_registry_count(HostKind::Window);
}
