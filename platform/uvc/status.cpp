// Status interrupts: a per-handle thread delivers queued events to the status callback.
#include "uvc_internal.h"

namespace {

void run_status_thread(uvc_device_handle_t *devh) {
    for (;;) {
        std::unique_lock<std::mutex> lock(devh->status_mutex);
        devh->status_wake.wait(lock,
                               [devh] { return devh->status_stop || !devh->status_queue.empty(); });
        if (devh->status_stop)
            break;
        StatusEvent event = devh->status_queue.front();
        devh->status_queue.pop_front();
        uvc_status_callback_t *cb = devh->status_cb;
        void *user = devh->status_user;
        // An interrupt nobody listened for when it happened is lost, as on a real device: it
        // never reaches a callback registered after it.
        if (!cb || event.registration != devh->status_registration)
            continue;
        devh->status_in_callback = true;
        lock.unlock();
        cb(UVC_STATUS_CLASS_STREAMING, 0, 0, UVC_STATUS_ATTRIBUTE_VALUE_CHANGE, event.data,
           sizeof(event.data), user);
        lock.lock();
        devh->status_in_callback = false;
        devh->status_idle.notify_all();
    }
    --g_live_threads;
}

}  // namespace

void start_status_thread(uvc_device_handle_t *devh) {
    ++g_live_threads;
    devh->status_thread = std::thread(run_status_thread, devh);
}

void stop_status_thread(uvc_device_handle_t *devh) {
    {
        std::lock_guard<std::mutex> lock(devh->status_mutex);
        devh->status_stop = true;
    }
    devh->status_wake.notify_one();
    if (devh->status_thread.joinable())
        devh->status_thread.join();
}

void post_button_press(uvc_device_handle_t *devh) {
    {
        std::lock_guard<std::mutex> lock(devh->status_mutex);
        // Nobody reads the interrupt endpoint without a status callback: the press is lost
        // then, instead of reaching whoever registers next.
        if (!devh->status_cb)
            return;
        devh->status_queue.push_back({{0, 1}, devh->status_registration});
        devh->status_queue.push_back({{0, 0}, devh->status_registration});
    }
    devh->status_wake.notify_one();
}

extern "C" void uvc_set_status_callback(uvc_device_handle_t *devh, uvc_status_callback_t *cb,
                                        void *user_ptr) {
    uvc_error_t error;
    if (handle_unusable(devh, "uvc_set_status_callback", &error))
        return;
    std::unique_lock<std::mutex> lock(devh->status_mutex);
    devh->status_cb = cb;
    devh->status_user = user_ptr;
    ++devh->status_registration;
    // Once this returns the old callback is never running: its owner may go away. A callback
    // that changes the registration itself cannot wait for its own return.
    if (std::this_thread::get_id() != devh->status_thread.get_id())
        devh->status_idle.wait(lock, [devh] { return !devh->status_in_callback; });
}
