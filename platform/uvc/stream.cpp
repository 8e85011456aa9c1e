// The streaming thread: one frame per frame interval to the frame callback, with the
// description's button presses, triggered stills and injected faults.
#include <string.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "device_presence.h"
#include "frame_producer.h"
#include "restart_markers.h"
#include "uvc_internal.h"

namespace {

const size_t kHandoverSlots = 4096;

int64_t clock_ns(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

int64_t monotonic_ns() {
    return clock_ns(CLOCK_MONOTONIC);
}

struct StreamJob {
    uvc_device_handle_t *devh;
    StreamFormat format;
    std::unique_ptr<FrameProducer> producer;
    uvc_frame_callback_t *cb;
    void *user;
};

// The sensor runs on a free grid of the monotonic clock, as a device's sensor runs whether or
// not anyone streams: slot n starts at n / fps seconds, computed from n so that no rounding adds
// up. A clap at a multiple of the clapper interval then falls on a slot start whenever the
// interval is a whole number of frames.
int64_t slot_start_ns(int64_t slot, int fps) {
    return slot * 1000000000LL / fps;
}

int64_t first_slot_from(int64_t ns, int fps) {
    return (ns * fps + 999999999LL) / 1000000000LL;
}

// True when a clap happens within the slot's frame time.
bool slot_holds_clap(int64_t slot, int fps, int clapper_ms) {
    if (clapper_ms <= 0)
        return false;
    const int64_t interval = clapper_ms * 1000000LL, start = slot_start_ns(slot, fps);
    const int64_t next_clap = (start + interval - 1) / interval * interval;
    return next_clap < slot_start_ns(slot + 1, fps);
}

std::chrono::steady_clock::time_point steady_at(int64_t ns) {
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}

bool every(int n, uint32_t number) {
    return n > 0 && number % (uint32_t)n == 0;
}

// Applies the per-frame faults to a produced frame.
void apply_faults(const FaultSettings &faults, int format, uint32_t number, uvc_frame_t *frame) {
    if (every(faults.broken_every, number)) {
        frame->actual_bytes /= 2;
        frame->data_bytes = frame->actual_bytes;
    }
    if (every(faults.wrong_size_every, number)) {
        // Half the width; a YUYV frame then carries just the bytes of that size.
        frame->width /= 2;
        if (format == 3) {
            frame->actual_bytes =
                std::min(frame->actual_bytes, (size_t)frame->width * frame->height * 2);
            frame->data_bytes = frame->actual_bytes;
            frame->step = frame->width * 2;
        }
    }
    if (format == 9 && every(faults.corrupt_jpeg_every, number)) {
        // Overwrites the start marker and the tables: no decoder can read the frame.
        memset(frame->data, 0x5a, std::min<size_t>(frame->actual_bytes, 64));
    }
    if (format == 9 && every(faults.misnumbered_restart_every, number))
        misnumber_restart_marker(static_cast<uint8_t *>(frame->data), frame->actual_bytes);
}

void fill_frame(uvc_frame_t *frame, uvc_device_handle_t *devh, int format, int width, int height,
                uint8_t *data, size_t bytes, uint32_t number) {
    memset(frame, 0, sizeof(*frame));
    frame->data = data;
    frame->data_bytes = bytes;
    frame->actual_bytes = bytes;
    frame->width = width;
    frame->height = height;
    // H.264 goes out under the compressed-payload code (see the library header).
    frame->frame_format = format == 3 ? UVC_FRAME_FORMAT_YUYV : UVC_FRAME_FORMAT_MJPEG;
    frame->step = format == 3 ? (size_t)width * 2 : 0;
    frame->sequence = number;
    gettimeofday(&frame->capture_time, nullptr);
    frame->source = devh;
    frame->library_owns_data = 1;
}

void record_handover(uvc_device_handle_t *devh, uint32_t number) {
    std::lock_guard<std::mutex> lock(devh->times_mutex);
    devh->handover_ns[number % kHandoverSlots] = monotonic_ns();
    devh->frames_delivered = number;
}

// Sends the still frame of a triggered still, if any.
void send_still(StreamJob &job, uint32_t number) {
    StillSettings still;
    int format;
    if (!take_still_request(job.devh, &still, &format))
        return;
    const std::vector<FrameSize> &sizes = still_sizes_for(job.devh->dev->camera, format);
    if (still.frame_index < 1 || still.frame_index > sizes.size()) {
        uvc_log("committed still frame index %d is no still size of format %d", still.frame_index,
                format);
        return;
    }
    const FrameSize &size = sizes[still.frame_index - 1];
    std::string bytes;
    if (!make_single_picture(job.devh->dev->camera, format, size.width, size.height, number,
                             &bytes)) {
        uvc_log("still frame %dx%d could not be made", size.width, size.height);
        return;
    }
    uvc_frame_t frame;
    fill_frame(&frame, job.devh, format, size.width, size.height,
               reinterpret_cast<uint8_t *>(&bytes[0]), bytes.size(), number);
    frame.is_still = 1;
    job.cb(&frame, job.user);
}

bool wait_until(uvc_device_handle_t *devh, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(devh->wake_mutex);
    return !devh->wake.wait_until(lock, deadline, [devh] { return devh->stop_requested; });
}

void run_stream(StreamJob *job_ptr) {
    std::unique_ptr<StreamJob> job(job_ptr);
    uvc_device_handle_t *devh = job->devh;
    const CameraDescription &camera = devh->dev->camera;
    int64_t slot = first_slot_from(monotonic_ns(), camera.fps);
    uint32_t number = 0;
    while (wait_until(devh, steady_at(slot_start_ns(slot, camera.fps)))) {
        const bool clap = slot_holds_clap(slot, camera.fps, camera.clapper_ms);
        // A late camera leaves out the slots it missed.
        slot = std::max(slot + 1, first_slot_from(monotonic_ns(), camera.fps));
        FaultSettings faults;
        {
            std::lock_guard<std::mutex> lock(devh->fault_mutex);
            faults = devh->faults;
        }
        if (faults.stall_after > 0 && number >= (uint32_t)faults.stall_after)
            continue;
        ++number;
        uint8_t *data;
        size_t bytes;
        if (!job->producer->produce(number, clap, &data, &bytes)) {
            uvc_log("frame %u could not be made", number);
            continue;
        }
        uvc_frame_t frame;
        fill_frame(&frame, devh, job->format.format, job->format.width, job->format.height, data,
                   bytes, number);
        apply_faults(faults, job->format.format, number, &frame);
        record_handover(devh, number);
        const int64_t cpu_before = clock_ns(CLOCK_THREAD_CPUTIME_ID);
        job->cb(&frame, job->user);
        devh->callback_cpu_ns += clock_ns(CLOCK_THREAD_CPUTIME_ID) - cpu_before;
        send_still(*job, number);
        if (std::find(camera.buttons.begin(), camera.buttons.end(), (int)number) !=
            camera.buttons.end()) {
            post_button_press(devh);
        }
        if (faults.unplug_after > 0 && number >= (uint32_t)faults.unplug_after) {
            uvc_log("camera unplugged after frame %u", number);
            devh->dev->gone = true;
            device_unplugged(devh->dev->identity);  // its microphone goes with it
            break;
        }
    }
    --g_live_threads;
}

bool on_stream_thread(const uvc_device_handle_t *devh) {
    return devh->stream_thread.joinable() &&
           devh->stream_thread.get_id() == std::this_thread::get_id();
}

}  // namespace

void stop_stream(uvc_device_handle_t *devh) {
    std::thread finished;
    {
        std::lock_guard<std::mutex> lock(devh->stream_mutex);
        if (!devh->stream_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> wake_lock(devh->wake_mutex);
            devh->stop_requested = true;
        }
        devh->wake.notify_one();
        // From inside a frame callback the thread ends on its own; it is joined later.
        if (on_stream_thread(devh))
            return;
        finished = std::move(devh->stream_thread);
        devh->stream_cpu_clock = 0;
    }
    finished.join();
}

extern "C" uvc_error_t uvc_start_iso_streaming(uvc_device_handle_t *devh, uvc_stream_ctrl_t *ctrl,
                                               uvc_frame_callback_t *cb, void *user_ptr) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_start_iso_streaming", &error))
        return error;
    StreamFormat format;
    if (!cb || !stream_ctrl_valid(devh, ctrl, &format)) {
        uvc_log("uvc_start_iso_streaming: null callback or a stream control not negotiated here");
        return UVC_ERROR_INVALID_PARAM;
    }
    error = injected_error(devh, &FaultSettings::start_error, "uvc_start_iso_streaming");
    if (error != UVC_SUCCESS)
        return error;
    std::lock_guard<std::mutex> lock(devh->stream_mutex);
    if (devh->stream_thread.joinable()) {
        bool ended = false;
        {
            std::lock_guard<std::mutex> wake_lock(devh->wake_mutex);
            ended = devh->stop_requested;
        }
        if (!ended || on_stream_thread(devh)) {
            uvc_log("uvc_start_iso_streaming: a stream is already running");
            return UVC_ERROR_BUSY;
        }
        devh->stream_thread.join();  // stopped from its own callback earlier
    }
    std::string reason;
    std::unique_ptr<StreamJob> job(new StreamJob{devh, format, nullptr, cb, user_ptr});
    job->producer =
        make_frame_producer(devh->dev->camera, format.format, format.width, format.height, &reason);
    if (!job->producer) {
        uvc_log("uvc_start_iso_streaming: %s", reason.c_str());
        return UVC_ERROR_NOT_SUPPORTED;
    }
    {
        std::lock_guard<std::mutex> times_lock(devh->times_mutex);
        devh->handover_ns.assign(kHandoverSlots, -1);
        devh->frames_delivered = 0;
        devh->callback_cpu_ns = 0;
    }
    {
        std::lock_guard<std::mutex> wake_lock(devh->wake_mutex);
        devh->stop_requested = false;
    }
    ++g_live_threads;
    devh->stream_thread = std::thread(run_stream, job.release());
    pthread_getcpuclockid(devh->stream_thread.native_handle(), &devh->stream_cpu_clock);
    return UVC_SUCCESS;
}

extern "C" void uvc_stop_streaming(uvc_device_handle_t *devh) {
    if (!devh) {
        uvc_log("uvc_stop_streaming: null device handle");
        return;
    }
    stop_stream(devh);
}

int64_t stream_handover_ns(uvc_device_handle_t *devh, uint32_t number) {
    std::lock_guard<std::mutex> lock(devh->times_mutex);
    if (devh->handover_ns.empty() || number == 0 || number > devh->frames_delivered ||
        devh->frames_delivered - number >= kHandoverSlots) {
        return -1;
    }
    return devh->handover_ns[number % kHandoverSlots];
}
