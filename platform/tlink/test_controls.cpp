// Test-only controls (tlink_test.h).
#include "session_registry.h"
#include "tlink_test.h"

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

void TlinkTestGetQueueLimits(int type, unsigned *units, unsigned *bytes) {
    Session::queue_limits(type, units, bytes);
}

}  // extern "C"
