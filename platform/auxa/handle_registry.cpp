#include "handle_registry.h"

#include <algorithm>
#include <set>

namespace {
std::mutex g_mutex;  // guards g_contexts, g_devices and every context's device list
std::set<_AUXA_CONTEXT *> g_contexts;
std::set<_AUXA_DEV *> g_devices;
}  // namespace

void register_context(_AUXA_CONTEXT *context) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_contexts.insert(context);
}

bool unregister_context(_AUXA_CONTEXT *context) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_contexts.erase(context) == 1;
}

bool context_is_open(_AUXA_CONTEXT *context) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_contexts.count(context) == 1;
}

bool register_device(_AUXA_DEV *device) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (_AUXA_DEV *open : device->context->devices) {
        if (open->file_device == device->file_device && open->file_inode == device->file_inode) {
            return false;
        }
    }
    device->context->devices.push_back(device);
    g_devices.insert(device);
    return true;
}

bool unregister_device(_AUXA_DEV *device) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_devices.erase(device) == 0)
        return false;
    std::vector<_AUXA_DEV *> &list = device->context->devices;
    list.erase(std::remove(list.begin(), list.end(), device), list.end());
    return true;
}

bool device_is_open(_AUXA_DEV *device) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_devices.count(device) == 1;
}

std::vector<_AUXA_DEV *> context_devices(_AUXA_CONTEXT *context) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return context->devices;
}
