// The library's context and device objects.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "auxa_lumivo.h"
#include "mic_description.h"
#include "node.h"

struct _AUXA_CONTEXT {
    std::string name;
    struct libusb_context *usb = nullptr;
    std::vector<_AUXA_DEV *> devices;  // guarded by the handle registry's mutex
};

enum class CaptureState { Idle, Running, Stopping };

struct _AUXA_DEV {
    _AUXA_CONTEXT *context = nullptr;
    MicDescription mic;
    dev_t file_device = 0;  // identity of the description file: one open per context
    ino_t file_inode = 0;
    uint64_t unplugs_at_open = 0;   // the device's unplug count when it was opened
    std::atomic<bool> gone{false};  // unplugged while open: no more sound, no start

    std::atomic<int> volume{100};  // percent, read by the capture thread for every block

    std::mutex mutex;  // guards everything below and the nodes' links and resampler settings
    std::condition_variable wake;           // stop requests reach the capture thread
    std::condition_variable state_changed;  // `state` left Stopping
    CaptureState state = CaptureState::Idle;
    bool stop_requested = false;
    unsigned rate = 0;
    std::vector<std::unique_ptr<CDataDistributor>> nodes;  // nodes[0] is the source
    std::thread capture_thread;
    std::thread::id capture_thread_id;
};
