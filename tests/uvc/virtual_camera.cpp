#include "virtual_camera.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <sstream>
#include <thread>

std::string webcam_text(const std::string &extra) {
    FILE *file = fopen(uvc_test_default_description(), "r");
    std::string text;
    char chunk[4096];
    size_t got;
    while (file && (got = fread(chunk, 1, sizeof(chunk), file)) > 0)
        text.append(chunk, got);
    if (file)
        fclose(file);
    // Keys of `extra` replace those of the default description.
    std::istringstream extra_lines(extra), lines(text);
    std::set<std::string> replaced;
    std::string line, result;
    while (std::getline(extra_lines, line))
        replaced.insert(line.substr(0, line.find(' ')));
    while (std::getline(lines, line)) {
        if (!replaced.count(line.substr(0, line.find(' '))))
            result += line + "\n";
    }
    return result + extra;
}

OpenCamera::OpenCamera(int fd, int vid, int pid) {
    uvc_init2(&ctx, nullptr, nullptr);
    find_result = uvc_find_device2(ctx, &dev, vid, pid, nullptr, fd);
    if (find_result == UVC_SUCCESS)
        open_result = uvc_open(dev, &devh);
}

OpenCamera::~OpenCamera() {
    if (devh)
        uvc_close(devh);
    if (dev)
        uvc_unref_device(dev);
    uvc_exit(ctx);
}

void FrameCollector::callback(uvc_frame_t *frame, void *user) {
    FrameCollector *self = static_cast<FrameCollector *>(user);
    const uint8_t *bytes = static_cast<const uint8_t *>(frame->data);
    CollectedFrame copy{std::vector<uint8_t>(bytes, bytes + frame->actual_bytes),
                        frame->width,
                        frame->height,
                        frame->sequence,
                        frame->frame_format,
                        frame->is_still != 0};
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->frames_.push_back(std::move(copy));
}

std::vector<CollectedFrame> FrameCollector::frames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

bool FrameCollector::wait_for(size_t count, double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (frames_.size() >= count)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

uvc_error_t start_stream(uvc_device_handle_t *devh, int format, int width, int height,
                         FrameCollector *collector, int stream_kind) {
    uvc_stream_ctrl_t ctrl;
    uvc_error_t result =
        uvc_get_stream_ctrl_format_size1(devh, &ctrl, format, width, height, 0, stream_kind);
    if (result != UVC_SUCCESS)
        return result;
    return uvc_start_iso_streaming(devh, &ctrl, FrameCollector::callback, collector);
}

std::vector<CollectedFrame> collect_frames(uvc_device_handle_t *devh, int format, int width,
                                           int height, size_t count, int stream_kind) {
    FrameCollector collector;
    if (start_stream(devh, format, width, height, &collector, stream_kind) != UVC_SUCCESS) {
        return {};
    }
    collector.wait_for(count, 3.0);
    uvc_stop_streaming(devh);
    std::vector<CollectedFrame> frames = collector.frames();
    if (frames.size() > count)
        frames.resize(count);  // one more can come before the stream stops
    return frames;
}

bool to_rgbx(const CollectedFrame &frame, std::vector<uint8_t> *rgbx) {
    uvc_frame_t in;
    memset(&in, 0, sizeof(in));
    in.data = const_cast<uint8_t *>(frame.data.data());
    in.data_bytes = in.actual_bytes = frame.data.size();
    in.width = frame.width;
    in.height = frame.height;
    in.frame_format = (uvc_frame_format)frame.format;
    uvc_frame_t *out = uvc_allocate_frame((size_t)frame.width * frame.height * 4);
    bool ok = uvc_any2rgbx(&in, out) == UVC_SUCCESS;
    if (ok) {
        const uint8_t *pixels = static_cast<const uint8_t *>(out->data);
        rgbx->assign(pixels, pixels + out->data_bytes);
    }
    uvc_free_frame(out);
    return ok;
}
