#include "session_registry.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {
struct Registry {
    std::mutex mutex;  // guards next and sessions
    uintptr_t next = 0x7100;
    std::unordered_map<uintptr_t, std::shared_ptr<Session>> sessions;
};

// Never destroyed: sessions still open at exit are left to the process's end.
Registry &registry() {
    static Registry *instance = new Registry;
    return *instance;
}
}  // namespace

void *registry_new_handle() {
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.next += 0x10;
    return reinterpret_cast<void *>(r.next);
}

void registry_add(void *handle, std::shared_ptr<Session> session) {
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.sessions[reinterpret_cast<uintptr_t>(handle)] = std::move(session);
}

std::shared_ptr<Session> registry_find(void *handle) {
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.sessions.find(reinterpret_cast<uintptr_t>(handle));
    return found == r.sessions.end() ? nullptr : found->second;
}

bool registry_retire(void *handle) {
    std::shared_ptr<Session> session;
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        auto found = r.sessions.find(reinterpret_cast<uintptr_t>(handle));
        if (found == r.sessions.end())
            return false;
        session = std::move(found->second);
        r.sessions.erase(found);
    }
    session->shut_down();
    return true;
}
