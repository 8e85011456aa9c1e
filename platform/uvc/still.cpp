// Still images: still method, still size lists, probe / commit / trigger.
#include "uvc_internal.h"

namespace {

const uint32_t kStillPayloadSize = 3072;

int pixel_kind(int format) {
    return format == 3 ? 1 : 2;
}

// Format of the stills that go with the negotiated stream (MJPEG when none was negotiated).
int still_format(uvc_device_handle_t *devh) {
    std::lock_guard<std::mutex> lock(devh->stream_mutex);
    return devh->negotiated.format == 3 ? 3 : 9;
}

uint32_t still_frame_bytes(const FrameSize &size) {
    return (uint32_t)size.width * size.height * 2;  // a JPEG of the size stays below this
}

// Adjusts a probe to what the camera can do; false when the frame index is not a still size.
bool settle(const std::vector<FrameSize> &sizes, StillSettings *still) {
    if (still->frame_index < 1 || still->frame_index > sizes.size())
        return false;
    still->compression_index = 1;
    still->max_video_frame_size = still_frame_bytes(sizes[still->frame_index - 1]);
    still->max_payload_size = kStillPayloadSize;
    return true;
}

// Settles a probe or commit request against the stills of the stream's format; `fault` is
// the injected error of the request.
uvc_error_t settle_request(uvc_device_handle_t *devh, const char *call, int FaultSettings::*fault,
                           StillSettings *still, int *format) {
    uvc_error_t error;
    if (handle_unusable(devh, call, &error))
        return error;
    if (devh->dev->camera.still_method != 2) {
        uvc_log("%s: the camera has no still transfer", call);
        return UVC_ERROR_NOT_SUPPORTED;
    }
    error = injected_error(devh, fault, call);
    if (error != UVC_SUCCESS)
        return error;
    *format = still_format(devh);
    if (!settle(still_sizes_for(devh->dev->camera, *format), still)) {
        uvc_log("%s: no still frame index %d", call, still->frame_index);
        return UVC_ERROR_INVALID_PARAM;
    }
    return UVC_SUCCESS;
}

}  // namespace

const std::vector<FrameSize> &still_sizes_for(const CameraDescription &camera, int format) {
    return format == 3 ? camera.still_yuyv : camera.still_mjpeg;
}

bool take_still_request(uvc_device_handle_t *devh, StillSettings *still, int *format) {
    {
        std::lock_guard<std::mutex> lock(devh->still_mutex);
        if (!devh->still_pending)
            return false;
        devh->still_pending = false;
        *still = devh->committed;
    }
    *format = still_format(devh);
    return true;
}

extern "C" int uvc_get_StillMethod(uvc_device_handle_t *devh) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_StillMethod", &error))
        return error;
    return devh->dev->camera.still_method;
}

extern "C" uvc_error_t uvc_get_current_resolution(uvc_device_handle_t *devh, int format,
                                                  int *list) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_current_resolution", &error))
        return error;
    if (!list || (format != 9 && format != 3)) {
        uvc_log("uvc_get_current_resolution: null list or format %d (9 or 3 expected)", format);
        return UVC_ERROR_INVALID_PARAM;
    }
    const std::vector<FrameSize> &sizes = still_sizes_for(devh->dev->camera, format);
    if (sizes.empty())
        return UVC_ERROR_NOT_SUPPORTED;
    list[0] = (int)sizes.size();  // at most 32 sizes: 65 of the 100 ints
    for (size_t i = 0; i < sizes.size(); ++i) {
        list[1 + 2 * i] = sizes[i].width;
        list[2 + 2 * i] = sizes[i].height;
    }
    return UVC_SUCCESS;
}

extern "C" int uvc_get_current_resolution_Index(uvc_device_handle_t *devh, int format, int width,
                                                int height) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_current_resolution_Index", &error))
        return error;
    if (format != 9 && format != 13 && format != 3) {
        uvc_log("uvc_get_current_resolution_Index: format %d has no stills", format);
        return UVC_ERROR_INVALID_PARAM;
    }
    const std::vector<FrameSize> &sizes = still_sizes_for(devh->dev->camera, format);
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].width == width && sizes[i].height == height)
            return (int)i + 1;
    }
    uvc_log("uvc_get_current_resolution_Index: no still size %dx%d", width, height);
    return UVC_ERROR_NOT_FOUND;
}

extern "C" int uvc_set_still_probe(uvc_device_handle_t *devh, uint8_t bFrameIndex,
                                   uint8_t bCompressionIndex, uint32_t dwMaxVideoFrameSize,
                                   uint32_t dwMaxPayloadTransferSize) {
    StillSettings still = {bFrameIndex, bCompressionIndex, dwMaxVideoFrameSize,
                           dwMaxPayloadTransferSize};
    int format;
    uvc_error_t error = settle_request(devh, "uvc_set_still_probe",
                                       &FaultSettings::still_probe_error, &still, &format);
    if (error != UVC_SUCCESS)
        return error;
    std::lock_guard<std::mutex> lock(devh->still_mutex);
    devh->probe = still;
    return pixel_kind(format);
}

extern "C" uvc_error_t uvc_get_still_probe(uvc_device_handle_t *devh, uint8_t *bFrameIndex,
                                           uint8_t *bCompressionIndex, int *dwMaxVideoFrameSize,
                                           int *dwMaxPayloadTransferSize) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_still_probe", &error))
        return error;
    if (!bFrameIndex || !bCompressionIndex || !dwMaxVideoFrameSize || !dwMaxPayloadTransferSize) {
        uvc_log("uvc_get_still_probe: null argument");
        return UVC_ERROR_INVALID_PARAM;
    }
    std::lock_guard<std::mutex> lock(devh->still_mutex);
    if (devh->probe.frame_index == 0) {
        uvc_log("uvc_get_still_probe: no still probe was set");
        return UVC_ERROR_PIPE;
    }
    *bFrameIndex = devh->probe.frame_index;
    *bCompressionIndex = devh->probe.compression_index;
    *dwMaxVideoFrameSize = (int)devh->probe.max_video_frame_size;
    *dwMaxPayloadTransferSize = (int)devh->probe.max_payload_size;
    return UVC_SUCCESS;
}

extern "C" uvc_error_t uvc_set_still_commit(uvc_device_handle_t *devh, uint8_t bFrameIndex,
                                            uint8_t bCompressionIndex, uint32_t dwMaxVideoFrameSize,
                                            uint32_t dwMaxPayloadTransferSize) {
    StillSettings settled = {bFrameIndex, bCompressionIndex, dwMaxVideoFrameSize,
                             dwMaxPayloadTransferSize};
    int format;
    uvc_error_t error = settle_request(devh, "uvc_set_still_commit",
                                       &FaultSettings::still_commit_error, &settled, &format);
    if (error != UVC_SUCCESS)
        return error;
    if (settled.compression_index != bCompressionIndex) {
        uvc_log("uvc_set_still_commit: compression index %d not offered", bCompressionIndex);
        return UVC_ERROR_INVALID_PARAM;
    }
    std::lock_guard<std::mutex> lock(devh->still_mutex);
    devh->committed = settled;
    devh->has_commit = true;
    return UVC_SUCCESS;
}

extern "C" uvc_error_t uvc_set_still_image(uvc_device_handle_t *devh) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_set_still_image", &error))
        return error;
    error = injected_error(devh, &FaultSettings::still_image_error, "uvc_set_still_image");
    if (error != UVC_SUCCESS)
        return error;
    {
        std::lock_guard<std::mutex> lock(devh->stream_mutex);
        if (!devh->stream_thread.joinable()) {
            uvc_log("uvc_set_still_image: no stream is running");
            return UVC_ERROR_INVALID_MODE;
        }
    }
    std::lock_guard<std::mutex> lock(devh->still_mutex);
    if (!devh->has_commit) {
        uvc_log("uvc_set_still_image: no still was committed");
        return UVC_ERROR_INVALID_MODE;
    }
    devh->still_pending = true;
    return UVC_SUCCESS;
}
