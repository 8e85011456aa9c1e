#include "host_registry.h"

#include <mutex>
#include <set>
#include <utility>

namespace {
std::mutex g_mutex;  // guards g_objects
std::set<std::pair<int, const void *>> g_objects;
}  // namespace

void host_registry_add(HostKind kind, const void *object) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_objects.insert({(int)kind, object});
}

void host_registry_remove(HostKind kind, const void *object) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_objects.erase({(int)kind, object});
}

bool host_registry_contains(HostKind kind, const void *object) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_objects.count({(int)kind, object}) != 0;
}

int host_registry_count(HostKind kind) {
    std::lock_guard<std::mutex> lock(g_mutex);
    int count = 0;
    for (const auto &entry : g_objects)
        count += entry.first == (int)kind;
    return count;
}
