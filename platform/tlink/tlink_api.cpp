// The library's C entry points: argument checks and context look-up; the work is the session's.
#include <cstring>

#include "session_registry.h"
#include "stop_refusal.h"
#include "stream_url.h"
#include "tlink.h"
#include "tlink_log.h"

namespace {
constexpr uint16_t kVersion[4] = {1, 0, 0, 1};
// Larger units are surely corrupt: no encoder setting here produces them.
constexpr int32_t kMaxUnitBytes = 16 << 20;

// The session named by the slot, or the code that says why there is none.
int resolve(void **slot, std::shared_ptr<Session> *session) {
    if (!slot)
        return TL_ERROR_INVALID_PARAMETER;
    if (!*slot)
        return TL_ERROR_NOT_INITIALIZED;
    *session = registry_find(*slot);
    return *session ? 0 : TL_ERROR_INVALID_OBJECT;
}

bool unit_is_valid(const MediaPacket &packet) {
    if (packet.type != MEDIA_PACKET_VIDEO && packet.type != MEDIA_PACKET_AUDIO)
        return false;
    if (!packet.data || packet.size <= 0 || packet.size > kMaxUnitBytes)
        return false;
    if (!packet.is_header)
        return true;
    if (packet.type == MEDIA_PACKET_VIDEO)
        return packet.width > 0 && packet.height > 0;
    return packet.sample_rate > 0 && packet.channels > 0;
}
}  // namespace

extern "C" {

int TlinkGetVersion(uint16_t *major, uint16_t *minor, uint16_t *revision, uint16_t *build) {
    uint16_t *parts[4] = {major, minor, revision, build};
    for (int i = 0; i < 4; i++) {
        if (parts[i])
            *parts[i] = kVersion[i];
    }
    return 0;
}

int TlinkSetDebug(int level) {
    if (level < TLINK_LOG_ERROR || level > TLINK_LOG_VERBOSE)
        return TL_ERROR_INVALID_PARAMETER;
    tlink_set_log_level(level);
    return 0;
}

int TlinkAsyncStart(int mode, const char *url, void **context) {
    if (!context)
        return TL_ERROR_INVALID_PARAMETER;
    StreamUrl parsed;
    if (!parse_stream_url(url, mode, &parsed)) {
        TLINK_LOGE("unusable %s URL", mode == TLINK_MODE_RTMP ? "RTMP" : "RTSP");
        return TL_ERROR_INVALID_PARAMETER;
    }
    // The slot is about to name a new context; the one it named cannot be reached any more.
    if (*context)
        registry_retire(*context);
    void *handle = registry_new_handle();
    auto session = std::make_shared<Session>(handle, parsed);
    int result = session->start();
    if (result)
        return result;
    registry_add(handle, session);
    *context = handle;
    TLINK_LOGI("connecting to %s", parsed.canonical().c_str());
    return 0;
}

int TlinkWaitAsyncJobCompletion(void **context, int timeout_ms) {
    std::shared_ptr<Session> session;
    int result = resolve(context, &session);
    if (result)
        return result;
    if (timeout_ms < -1)
        return TL_ERROR_INVALID_PARAMETER;
    void *handle = *context;
    bool ended = false;
    result = session->wait(timeout_ms, &ended);
    if (ended)
        registry_retire(handle);
    return result;
}

int TlinkCancelAsyncJob(void **context) {
    std::shared_ptr<Session> session;
    int result = resolve(context, &session);
    return result ? result : session->cancel();
}

const char *TlinkGetUrl(void **context) {
    thread_local char text[TLINK_MAX_URL_LENGTH + 1];
    std::shared_ptr<Session> session;
    text[0] = '\0';
    if (resolve(context, &session) == 0) {
        std::string url = session->url();
        strncpy(text, url.c_str(), TLINK_MAX_URL_LENGTH);
        text[TLINK_MAX_URL_LENGTH] = '\0';
    }
    return text;
}

int TlinkSetConfig(void **context, int id, const void *value) {
    std::shared_ptr<Session> session;
    int result = resolve(context, &session);
    return result ? result : session->set_config(id, value);
}

int TlinkSetCallbackRuntimeError(void **context, TlinkRuntimeErrorCallback fn, void *user) {
    std::shared_ptr<Session> session;
    int result = resolve(context, &session);
    if (result)
        return result;
    session->set_runtime_error_callback(fn, user);
    return 0;
}

int TlinkPush(void *context, const MediaPacket *packet) {
    if (!context)
        return TL_ERROR_NOT_INITIALIZED;
    if (!packet || !unit_is_valid(*packet))
        return TL_ERROR_INVALID_PARAMETER;
    std::shared_ptr<Session> session = registry_find(context);
    return session ? session->push(*packet) : TL_ERROR_INVALID_OBJECT;
}

unsigned int TlinkGetStats(void **context, int id, double *seconds) {
    std::shared_ptr<Session> session;
    if (resolve(context, &session))
        return 0;
    return session->stat(id, seconds);
}

int TlinkAsyncStop(void **context) {
    if (int refusal = take_stop_refusal())
        return refusal;
    std::shared_ptr<Session> session;
    int result = resolve(context, &session);
    return result ? result : session->request_stop();
}

}  // extern "C"
