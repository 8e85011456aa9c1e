// Live-streaming library (libtlink): publishes encoded H.264 + AAC units to an RTMP server
// (FLV over RTMP) or to an RTSP server (ANNOUNCE / RECORD, RTP interleaved over TCP).
//
// The caller owns a pointer-sized context slot and passes its address to every call but
// TlinkGetVersion, TlinkSetDebug and TlinkPush; TlinkAsyncStart fills the slot. TlinkPush takes
// the value held in the slot. A slot holding 0 gives TL_ERROR_NOT_INITIALIZED; a slot naming a
// context that has ended (or never existed) gives TL_ERROR_INVALID_OBJECT. Neither ever crashes.
//
// Each context has one thread of the library that runs its jobs (connect, stop), sends the
// queued units and calls the runtime-error function.
#pragma once

#include <stdint.h>

#include "media_packet.h"

#ifdef __cplusplus
extern "C" {
#endif

// Result codes.
enum {
    TL_ERROR_SUCCESS = 0,
    TL_ERROR_INVALID_PARAMETER = 0x10,
    TL_ERROR_INVALID_PARAMETER_1 = 0x11,
    TL_ERROR_INVALID_PARAMETER_2 = 0x12,
    TL_ERROR_INVALID_PARAMETER_3 = 0x13,
    TL_ERROR_INVALID_PARAMETER_4 = 0x14,
    TL_ERROR_INVALID_PARAMETER_5 = 0x15,
    TL_ERROR_INVALID_PARAMETER_6 = 0x16,
    TL_ERROR_INVALID_OBJECT = 0x17,
    TL_ERROR_INSUFFICIENT_MEMORY = 0x30,
    TL_ERROR_NOT_INITIALIZED = 0x40,
    TL_ERROR_BUFFER_OVERFLOW = 0x41,
    TL_ERROR_NO_PENDING_JOB = 0x97,
    TL_ERROR_WAIT_TIMEOUT = 0x98,
    TL_ERROR_PENDING = 0x99,
    TL_ERROR_NO_HEADER_FRAME = 0x101,
    TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED = 0x200,
    TL_ERROR_CREATE_THREAD = 0x805,
    TL_ERROR_RTMP_HANDSHAKE = 0x10001,
    TL_ERROR_RTMP_CONNECT_APP = 0x10002,
    TL_ERROR_RTMP_PUBLISH_STREAM = 0x10003,
    TL_ERROR_SOCKET_READ = 0x1000001,
    TL_ERROR_SOCKET_WRITE = 0x1000002,
    TL_ERROR_UNSUPPORTED_FUNCTION = 0x20000001,
    TL_ERROR_UNSUPPORTED_STATS = 0x20000002,
};

// Protocol given to TlinkAsyncStart: 1 RTMP, any other value RTSP.
enum { TLINK_MODE_RTMP = 1, TLINK_MODE_RTSP = 2 };

// Configuration ids for TlinkSetConfig.
enum {
    // int, default 1. Non-zero: once a video unit has been dropped because the send queue was
    // full, later video units are dropped as well until the next key frame, so the receiver
    // never gets frames whose references are missing. 0: only the units that do not fit are
    // dropped.
    TLC_DEBLOCK = 1,
};

// Statistic ids for TlinkGetStats: counts since the connection was made.
enum {
    TLS_BYTES_SENT = 0,
    TLS_AUDIO_FRAMES_SENT = 1,
    TLS_AUDIO_FRAMES_DROPPED = 2,
    TLS_VIDEO_FRAMES_SENT = 3,
    TLS_VIDEO_FRAMES_DROPPED = 4,
};

// Log levels for TlinkSetDebug.
enum { TLINK_LOG_ERROR = 0, TLINK_LOG_INFO = 1, TLINK_LOG_DEBUG = 2, TLINK_LOG_VERBOSE = 3 };

// Longest URL accepted, in bytes without the terminator; TlinkGetUrl's text always fits into
// 255 bytes with its terminator.
#define TLINK_MAX_URL_LENGTH 254

// Called once, on the context's thread, when the connection fails while streaming:
// (context value, TL_ERROR_SOCKET_READ or TL_ERROR_SOCKET_WRITE, errno value, user).
typedef void (*TlinkRuntimeErrorCallback)(void *context, int code, int err, void *user);

// The library's version as four numbers; null pointers are skipped. Returns 0.
int TlinkGetVersion(uint16_t *major, uint16_t *minor, uint16_t *revision, uint16_t *build);

// Sets the library's log level (TLINK_LOG_*), process-wide. 0, or TL_ERROR_INVALID_PARAMETER.
int TlinkSetDebug(int level);

// Creates a context for `url` ("rtmp://host[:port]/app/stream" in mode 1,
// "rtsp://host[:port]/path" otherwise), fills *context and queues the connect job; returns at
// once. TL_ERROR_INVALID_PARAMETER for a missing, malformed or over-long URL or a scheme that
// does not fit the mode. A slot that still names a live context has that context closed first.
int TlinkAsyncStart(int mode, const char *url, void **context);

// Waits for the context's current job (connect or stop) for up to `timeout_ms` (-1: without
// limit). 0 when the job succeeded; TL_ERROR_WAIT_TIMEOUT when the time ran out; otherwise the
// job's failure code (RTMP handshake, connect app or publish refused, socket read or write).
// A job abandoned by TlinkCancelAsyncJob ends with TL_ERROR_PENDING. Once a failed connect or a
// stop has been reported here, the context has ended and its slot value is stale.
int TlinkWaitAsyncJobCompletion(void **context, int timeout_ms);

// Abandons the current job: a connect is aborted and its connection closed (also when it
// completed after the caller stopped waiting), a stop closes without sending what is left.
// The wait that follows returns promptly. TL_ERROR_NO_PENDING_JOB when nothing is pending.
int TlinkCancelAsyncJob(void **context);

// The service URL (where the stream can be played), at most 254 characters; "" on error. The
// text stays valid on the calling thread until its next TlinkGetUrl call.
const char *TlinkGetUrl(void **context);

// Sets configuration `id` from the value at `value` (see TLC_*). TL_ERROR_INVALID_PARAMETER for
// unknown ids or a null value.
int TlinkSetConfig(void **context, int id, const void *value);

// Installs the runtime-error function; null removes it.
int TlinkSetCallbackRuntimeError(void **context, TlinkRuntimeErrorCallback fn, void *user);

// Queues one encoded unit (copied) for sending; matches MediaPushFunction. Header units must
// come before the frames of their stream. Results: 0 queued; TL_ERROR_BUFFER_OVERFLOW dropped
// because the stream's queue is full (counted); TL_ERROR_NO_HEADER_FRAME a frame before its
// stream's header; TL_ERROR_PENDING the connection is not ready yet; the failure code once the
// connection has failed; TL_ERROR_INVALID_PARAMETER a malformed unit; context errors as above.
int TlinkPush(void *context, const MediaPacket *packet);

// Statistic `id` (TLS_*) as an unsigned count; when `seconds` is not null it receives the
// seconds since the connection was made. Unknown ids and bad contexts give 0 and leave
// `seconds` untouched.
unsigned int TlinkGetStats(void **context, int id, double *seconds);

// Queues the stop job: what is queued is sent, the stream is ended and the connection closed.
// The wait that follows returns its result. TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED while the
// connect job is still running.
int TlinkAsyncStop(void **context);

#ifdef __cplusplus
}
#endif
