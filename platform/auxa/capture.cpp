#include "capture.h"

#include <chrono>
#include <new>
#include <system_error>

#include "auxa_log.h"
#include "callback_stage.h"
#include "device_presence.h"
#include "processing_stage.h"
#include "resampler_stage.h"
#include "signal_source.h"

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC

// The graph as the capture thread runs it: one step per node reachable from the source.
struct CaptureStep {
    std::unique_ptr<BlockStage> stage;
    std::vector<size_t> outputs;  // indices into CapturePlan::steps
};

struct CapturePlan {
    std::vector<CaptureStep> steps;
    std::vector<size_t> source_outputs;
};

std::unique_ptr<BlockStage> make_stage(CDataDistributor *node) {
    switch (node->kind) {
        case AUXA_NODE_RESAMPLER:
            return std::make_unique<ResamplerStage>(node->resampler);
        case AUXA_NODE_PROCESSING:
            return std::make_unique<ProcessingStage>(node);
        default:
            return std::make_unique<CallbackStage>(node);
    }
}

// Adds steps for the nodes fed by `node` (a node has one input, so the graph below the source
// is a tree) and answers the indices of the added steps; counts the callback nodes reached.
std::vector<size_t> add_outputs(CDataDistributor *node, CapturePlan *plan, int *callbacks) {
    std::vector<size_t> indices;
    for (CDataDistributor *output : node->outputs) {
        size_t index = plan->steps.size();
        plan->steps.push_back({make_stage(output), {}});
        if (output->kind == AUXA_NODE_CALLBACK)
            (*callbacks)++;
        std::vector<size_t> below = add_outputs(output, plan, callbacks);
        plan->steps[index].outputs = below;
        indices.push_back(index);
    }
    return indices;
}

void deliver(CapturePlan &plan, const std::vector<size_t> &targets, const AudioBlock &block) {
    for (size_t index : targets) {
        CaptureStep &step = plan.steps[index];
        step.stage->process(block,
                            [&](const AudioBlock &out) { deliver(plan, step.outputs, out); });
    }
}

int64_t to_us(Clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
}

// Produces blocks at the device's rate in real time: block k covers frames [k*n, (k+1)*n) and
// is handed on once its last frame has been "recorded".
void run_capture(_AUXA_DEV *device, CapturePlan plan, unsigned rate) {
    const int frames = frames_per_block((int)rate);
    const Clock::time_point start = Clock::now();
    const int64_t start_us = to_us(start);
    SignalSource source(
        device->mic, (int)rate,
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count());
    const DeviceIdentity identity = {device->file_device, device->file_inode};
    AudioBlock block;
    block.rate = (int)rate;
    block.channels = device->mic.channels;
    block.bits = device->mic.bits;
    for (int64_t index = 0;; index++) {
        Clock::time_point due =
            start + std::chrono::microseconds(time_after_frames(0, (index + 1) * frames, rate));
        {
            std::unique_lock<std::mutex> lock(device->mutex);
            if (device->wake.wait_until(lock, due, [&] { return device->stop_requested; }))
                break;
        }
        if (device_unplug_count(identity) != device->unplugs_at_open) {
            auxa_log_error("capture: the device was unplugged, its microphone with it");
            device->gone = true;
            break;
        }
        block.first_us = time_after_frames(start_us, index * frames, rate);
        source.generate(frames, device->volume.load() / 100.0f, &block.samples);
        deliver(plan, plan.source_outputs, block);
    }
}

}  // namespace

int start_capture(_AUXA_DEV *device) {
    std::unique_lock<std::mutex> lock(device->mutex);
    if (device->state != CaptureState::Idle &&
        std::this_thread::get_id() == device->capture_thread_id) {
        // From a callback: waiting for a stop to end would wait for this very thread.
        return device->state == CaptureState::Running ? AUXA_OK : AUXA_ERROR_BUSY;
    }
    device->state_changed.wait(lock, [&] { return device->state != CaptureState::Stopping; });
    if (device->state == CaptureState::Running)
        return AUXA_OK;
    if (device->gone) {
        auxa_log_error("start: the device was unplugged");
        return AUXA_ERROR_DEVICE;
    }
    try {
        CapturePlan plan;
        int callbacks = 0;
        plan.source_outputs = add_outputs(device->nodes[0].get(), &plan, &callbacks);
        if (callbacks == 0) {
            auxa_log_error("start: no callback node is linked below the source");
            return AUXA_ERROR_NO_GRAPH;
        }
        device->stop_requested = false;
        device->capture_thread = std::thread(run_capture, device, std::move(plan), device->rate);
        device->capture_thread_id = device->capture_thread.get_id();
    } catch (const std::bad_alloc &) {
        return AUXA_ERROR_NO_MEMORY;
    } catch (const std::system_error &error) {
        auxa_log_error("start: capture thread cannot be created: %s", error.what());
        return AUXA_ERROR_NO_MEMORY;
    }
    device->state = CaptureState::Running;
    return AUXA_OK;
}

int stop_capture(_AUXA_DEV *device) {
    std::thread thread;
    {
        std::unique_lock<std::mutex> lock(device->mutex);
        if (device->state != CaptureState::Idle &&
            std::this_thread::get_id() == device->capture_thread_id) {
            return AUXA_ERROR_BUSY;
        }
        // A stop already under way must end before this one may return.
        device->state_changed.wait(lock, [&] { return device->state != CaptureState::Stopping; });
        if (device->state == CaptureState::Idle)
            return AUXA_OK;
        device->state = CaptureState::Stopping;
        device->stop_requested = true;
        thread = std::move(device->capture_thread);
    }
    device->wake.notify_all();
    thread.join();
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        device->state = CaptureState::Idle;
        device->capture_thread_id = std::thread::id();
    }
    device->state_changed.notify_all();
    return AUXA_OK;
}
