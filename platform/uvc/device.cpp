// Context, device discovery behind a descriptor, open and close, diagnostic data.
#include <android/log.h>
#include <stdarg.h>
#include <stdio.h>

#include "description.h"
#include "uvc_internal.h"

std::atomic<int> g_live_contexts{0}, g_live_devices{0}, g_live_handles{0}, g_live_threads{0};

void uvc_log(const char *fmt, ...) {
    char line[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(line, sizeof(line), fmt, args);
    va_end(args);
    __android_log_print(ANDROID_LOG_ERROR, "libuvc", "%s", line);
}

bool handle_unusable(const uvc_device_handle_t *devh, const char *call, uvc_error_t *error) {
    if (!devh) {
        uvc_log("%s: null device handle", call);
        *error = UVC_ERROR_INVALID_PARAM;
        return true;
    }
    if (devh->dev->gone) {
        uvc_log("%s: device is gone", call);
        *error = UVC_ERROR_NO_DEVICE;
        return true;
    }
    return false;
}

namespace {

void release_device(uvc_device *dev) {
    if (dev && --dev->refs == 0) {
        delete dev;
        --g_live_devices;
    }
}

}  // namespace

extern "C" uvc_error_t uvc_init2(uvc_context_t **ctx, libusb_context *usb_ctx, const char *) {
    if (!ctx) {
        uvc_log("uvc_init2: null context pointer");
        return UVC_ERROR_INVALID_PARAM;
    }
    uvc_context *context = new uvc_context();
    context->usb = usb_ctx ? usb_ctx : &context->own_usb;
    ++g_live_contexts;
    *ctx = context;
    return UVC_SUCCESS;
}

extern "C" void uvc_exit(uvc_context_t *ctx) {
    if (!ctx)
        return;
    delete ctx;
    --g_live_contexts;
}

extern "C" libusb_context *uvc_get_libusb_context(uvc_context_t *ctx) {
    return ctx ? ctx->usb : nullptr;
}

extern "C" libusb_device_handle *uvc_get_libusb_handle(uvc_device_handle_t *devh) {
    return devh ? &devh->usb : nullptr;
}

extern "C" uvc_error_t uvc_find_device2(uvc_context_t *ctx, uvc_device_t **dev, int vid, int pid,
                                        const char *, int fd) {
    if (!ctx || !dev) {
        uvc_log("uvc_find_device2: null context or device pointer");
        return UVC_ERROR_INVALID_PARAM;
    }
    *dev = nullptr;
    if (!is_description_fd(fd)) {
        uvc_log("uvc_find_device2: descriptor %d is no camera this library can serve", fd);
        return UVC_ERROR_NO_DEVICE;
    }
    CameraDescription camera;
    std::string error;
    if (!parse_camera_description(fd, &camera, &error)) {
        uvc_log("uvc_find_device2: camera description: %s", error.c_str());
        return UVC_ERROR_INVALID_DEVICE;
    }
    if (camera.vid != vid || camera.pid != pid) {
        uvc_log("uvc_find_device2: camera %04x:%04x is not the wanted %04x:%04x", camera.vid,
                camera.pid, vid & 0xffff, pid & 0xffff);
        return UVC_ERROR_NO_DEVICE;
    }
    uvc_device *device = new uvc_device();
    device->camera = camera;
    device->fd = fd;
    device_identity_of(fd, &device->identity);
    ++g_live_devices;
    *dev = device;
    return UVC_SUCCESS;
}

extern "C" void uvc_unref_device(uvc_device_t *dev) {
    release_device(dev);
}

extern "C" uvc_error_t uvc_open(uvc_device_t *dev, uvc_device_handle_t **devh) {
    if (!dev || !devh) {
        uvc_log("uvc_open: null device or handle pointer");
        return UVC_ERROR_INVALID_PARAM;
    }
    if (dev->gone) {
        uvc_log("uvc_open: device is gone");
        return UVC_ERROR_NO_DEVICE;
    }
    uvc_error_t error = injected_open_error(dev);
    if (error != UVC_SUCCESS)
        return error;
    if (dev->open.exchange(true)) {
        uvc_log("uvc_open: device is already open");
        return UVC_ERROR_BUSY;
    }
    ++dev->refs;
    uvc_device_handle *handle = new uvc_device_handle();
    handle->dev = dev;
    handle->usb = {dev->fd, dev->camera.vid, dev->camera.pid};
    for (int bit = 0; bit < 24; ++bit)
        handle->ct[bit] = {dev->camera.ct_ranges[bit].def, false};
    for (int bit = 0; bit < 15; ++bit)
        handle->pu[bit] = {dev->camera.pu_ranges[bit].def, false};
    handle->faults = dev->camera.faults;
    handle->terminal = {nullptr, nullptr, 1, 0x0201, 0, 0, 0, dev->camera.ct_controls};
    handle->processing_unit = {nullptr, nullptr, 2, 1, dev->camera.pu_controls};
    start_status_thread(handle);
    register_open_handle(handle);
    ++g_live_handles;
    *devh = handle;
    return UVC_SUCCESS;
}

extern "C" void uvc_close(uvc_device_handle_t *devh) {
    if (!devh)
        return;
    unregister_open_handle(devh);
    stop_stream(devh);
    stop_status_thread(devh);
    uvc_device *dev = devh->dev;
    delete devh;
    --g_live_handles;
    dev->open = false;
    release_device(dev);
}

extern "C" uvc_error_t uvc_get_devInfo(uvc_device_handle_t *devh, int *data, int *count) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_devInfo", &error))
        return error;
    if (!data || !count) {
        uvc_log("uvc_get_devInfo: null data or count");
        return UVC_ERROR_INVALID_PARAM;
    }
    error = injected_error(devh, &FaultSettings::devinfo_error, "uvc_get_devInfo");
    if (error != UVC_SUCCESS)
        return error;
    const CameraDescription &camera = devh->dev->camera;
    const std::vector<FrameSize> &defaults = *stream_sizes(camera, camera.default_format);
    int index = 0;
    for (size_t i = 0; i < defaults.size(); ++i) {
        if (defaults[i].width == camera.default_size.width &&
            defaults[i].height == camera.default_size.height) {
            index = (int)i + 1;
        }
    }
    std::vector<int> entries = {camera.default_format, camera.default_size.width,
                                camera.default_size.height, index, camera.fps};
    for (int format : {9, 3, 13}) {
        const std::vector<FrameSize> &sizes = *stream_sizes(camera, format);
        if (sizes.empty())
            continue;
        entries.push_back(format);
        entries.push_back((int)sizes.size());
        for (const FrameSize &size : sizes) {
            entries.push_back(size.width);
            entries.push_back(size.height);
        }
    }
    // At most 3 lists of 32 sizes: far below the 1020 entries a caller provides.
    std::copy(entries.begin(), entries.end(), data);
    *count = (int)entries.size();
    return UVC_SUCCESS;
}
