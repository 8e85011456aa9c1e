// Test-only controls (tlink_test.h).
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "host_lookup.h"
#include "lookup_hold.h"
#include "session_registry.h"
#include "stop_refusal.h"
#include "tlink_test.h"

namespace {
std::atomic<int> g_refused_stops{0};
std::atomic<int> g_refusal_code{0};

struct LookupHold {
    std::mutex mutex;  // guards held
    std::condition_variable released;
    bool held = false;
};

// Never destroyed: a lookup thread whose connect has gone may still wait here at exit.
LookupHold &lookup_hold() {
    static LookupHold *hold = new LookupHold;
    return *hold;
}
}  // namespace

void wait_while_lookups_held() {
    LookupHold &hold = lookup_hold();
    std::unique_lock<std::mutex> lock(hold.mutex);
    hold.released.wait(lock, [&] { return !hold.held; });
}

int take_stop_refusal() {
    int left = g_refused_stops.load();
    while (left > 0 && !g_refused_stops.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0 ? g_refusal_code.load() : 0;
}

extern "C" {

int TlinkTestSetSendDelay(void **context, int delay_ms) {
    if (!context || delay_ms < 0)
        return TL_ERROR_INVALID_PARAMETER;
    std::shared_ptr<Session> session = registry_find(*context);
    if (!session)
        return TL_ERROR_INVALID_OBJECT;
    session->set_send_delay(delay_ms);
    return 0;
}

int TlinkTestGetQueued(void **context, int type, unsigned *units, unsigned *bytes) {
    if (!context)
        return TL_ERROR_INVALID_PARAMETER;
    std::shared_ptr<Session> session = registry_find(*context);
    if (!session)
        return TL_ERROR_INVALID_OBJECT;
    session->queued(type, units, bytes);
    return 0;
}

int TlinkTestGetDeblock(void **context, int *deblock) {
    if (!context || !deblock)
        return TL_ERROR_INVALID_PARAMETER;
    std::shared_ptr<Session> session = registry_find(*context);
    if (!session)
        return TL_ERROR_INVALID_OBJECT;
    *deblock = session->deblock() ? 1 : 0;
    return 0;
}

int TlinkTestRefuseStops(int count, int code) {
    if (count < 0 || (count > 0 && code == 0))
        return TL_ERROR_INVALID_PARAMETER;
    g_refusal_code = code;
    g_refused_stops = count;
    return 0;
}

void TlinkTestHoldLookups(int hold) {
    LookupHold &state = lookup_hold();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.held = hold != 0;
    state.released.notify_all();
}

int TlinkTestGetLookupsRunning(void) {
    return lookups_running();
}

void TlinkTestGetQueueLimits(int type, unsigned *units, unsigned *bytes) {
    Session::queue_limits(type, units, bytes);
}

}  // extern "C"
