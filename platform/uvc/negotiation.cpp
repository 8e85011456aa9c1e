// Stream negotiation: format, size and frame index into a stream control block, and the frame
// descriptor of what was negotiated.
#include <string.h>

#include "uvc_internal.h"

namespace {

const uint32_t kCtrlSignature = 0x55564331;  // marks a block filled by a negotiation

uint32_t frame_interval(int fps) {
    return 10000000u / (uint32_t)fps;
}

uint32_t max_frame_bytes(int format, int width, int height) {
    // Uncompressed frames are exactly width x height x 2; compressed ones stay below that.
    return (uint32_t)width * height * (format == 3 ? 2 : 3) / (format == 3 ? 1 : 2);
}

// Finds format, size and index; formats lists the ones to try in order.
bool choose(const CameraDescription &camera, const std::vector<int> &formats, int width, int height,
            int frame_index, StreamFormat *chosen) {
    for (int format : formats) {
        const std::vector<FrameSize> &sizes = *stream_sizes(camera, format);
        if (frame_index > 0) {
            if ((size_t)frame_index > sizes.size())
                continue;
            const FrameSize &size = sizes[frame_index - 1];
            bool any_size = width == 0 && height == 0;
            if (!any_size && (size.width != width || size.height != height))
                continue;
            *chosen = {format, size.width, size.height, frame_index};
            return true;
        }
        for (size_t i = 0; i < sizes.size(); ++i) {
            if (sizes[i].width == width && sizes[i].height == height) {
                *chosen = {format, width, height, (int)i + 1};
                return true;
            }
        }
    }
    return false;
}

uvc_error_t negotiate(uvc_device_handle_t *devh, uvc_stream_ctrl_t *ctrl, int format, int width,
                      int height, int frame_index, bool h264, const char *call) {
    uvc_error_t error;
    if (handle_unusable(devh, call, &error))
        return error;
    if (!ctrl) {
        uvc_log("%s: null stream control", call);
        return UVC_ERROR_INVALID_PARAM;
    }
    const CameraDescription &camera = devh->dev->camera;
    std::vector<int> formats;
    if (h264 || format == UVC_FRAME_FORMAT_H264) {
        formats = {13};
    } else if (format == UVC_FRAME_FORMAT_ANY) {
        formats = {camera.default_format, 9, 3};
    } else if (format == UVC_FRAME_FORMAT_MJPEG || format == UVC_FRAME_FORMAT_YUYV) {
        formats = {format};
    }
    StreamFormat chosen;
    if (formats.empty() || frame_index < 0 || (frame_index == 0 && (width <= 0 || height <= 0)) ||
        !choose(camera, formats, width, height, frame_index, &chosen)) {
        uvc_log("%s: the camera offers no format %d %dx%d with frame index %d", call, format, width,
                height, frame_index);
        return UVC_ERROR_INVALID_MODE;
    }
    memset(ctrl, 0, sizeof(*ctrl));
    ctrl->bmHint = 1;
    ctrl->bFormatIndex = chosen.format == 9 ? 1 : chosen.format == 3 ? 2 : 3;
    ctrl->bFrameIndex = (uint8_t)chosen.frame_index;
    ctrl->dwFrameInterval = frame_interval(camera.fps);
    ctrl->dwMaxVideoFrameSize = max_frame_bytes(chosen.format, chosen.width, chosen.height);
    ctrl->dwMaxPayloadTransferSize = 3072;
    ctrl->dwClockFrequency = 48000000;
    ctrl->bInterfaceNumber = 1;
    ctrl->negotiated_format = chosen.format;
    ctrl->wWidth = (uint16_t)chosen.width;
    ctrl->wHeight = (uint16_t)chosen.height;
    ctrl->owner = devh;
    ctrl->signature = kCtrlSignature;
    std::lock_guard<std::mutex> lock(devh->stream_mutex);
    devh->negotiated = chosen;
    return UVC_SUCCESS;
}

}  // namespace

bool stream_ctrl_valid(const uvc_device_handle_t *devh, const uvc_stream_ctrl_t *ctrl,
                       StreamFormat *format) {
    if (!ctrl || ctrl->signature != kCtrlSignature || ctrl->owner != devh)
        return false;
    const std::vector<FrameSize> *sizes = stream_sizes(devh->dev->camera, ctrl->negotiated_format);
    if (!sizes || ctrl->bFrameIndex < 1 || ctrl->bFrameIndex > sizes->size())
        return false;
    const FrameSize &size = (*sizes)[ctrl->bFrameIndex - 1];
    *format = {ctrl->negotiated_format, size.width, size.height, ctrl->bFrameIndex};
    return size.width == ctrl->wWidth && size.height == ctrl->wHeight;
}

extern "C" uvc_error_t uvc_get_stream_ctrl_format_size(uvc_device_handle_t *devh,
                                                       uvc_stream_ctrl_t *ctrl, int format,
                                                       int width, int height, int frame_index) {
    return negotiate(devh, ctrl, format, width, height, frame_index, false,
                     "uvc_get_stream_ctrl_format_size");
}

extern "C" uvc_error_t uvc_get_stream_ctrl_format_size1(uvc_device_handle_t *devh,
                                                        uvc_stream_ctrl_t *ctrl, int format,
                                                        int width, int height, int frame_index,
                                                        int stream_kind) {
    return negotiate(devh, ctrl, format, width, height, frame_index, stream_kind == 2,
                     "uvc_get_stream_ctrl_format_size1");
}

extern "C" uvc_error_t uvc_get_frame_desc(uvc_device_handle_t *devh, const uvc_stream_ctrl_t *ctrl,
                                          uvc_frame_desc_t *desc) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_get_frame_desc", &error))
        return error;
    StreamFormat format;
    if (!desc || !stream_ctrl_valid(devh, ctrl, &format)) {
        uvc_log("uvc_get_frame_desc: null descriptor or a stream control not negotiated here");
        return UVC_ERROR_INVALID_PARAM;
    }
    const CameraDescription &camera = devh->dev->camera;
    memset(desc, 0, sizeof(*desc));
    desc->bDescriptorSubtype = format.format == 3 ? 0x05 : format.format == 9 ? 0x07 : 0x11;
    desc->bFrameIndex = (uint8_t)format.frame_index;
    desc->wWidth = (uint16_t)format.width;
    desc->wHeight = (uint16_t)format.height;
    uint32_t bits_per_second =
        max_frame_bytes(format.format, format.width, format.height) * 8u * camera.fps;
    desc->dwMinBitRate = bits_per_second / 8;
    desc->dwMaxBitRate = bits_per_second;
    desc->dwMaxVideoFrameBufferSize = max_frame_bytes(format.format, format.width, format.height);
    desc->dwDefaultFrameInterval = frame_interval(camera.fps);
    desc->dwMinFrameInterval = desc->dwDefaultFrameInterval;
    desc->dwMaxFrameInterval = desc->dwDefaultFrameInterval;
    return UVC_SUCCESS;
}
