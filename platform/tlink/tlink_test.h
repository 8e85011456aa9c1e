// Test-only controls of the live-streaming library.
#pragma once

#include "tlink.h"

#ifdef __cplusplus
extern "C" {
#endif

// Makes the context's sender wait `delay_ms` before each unit, as a slow link would.
int TlinkTestSetSendDelay(void **context, int delay_ms);

// Units and bytes now waiting in the send queue of `type` (MEDIA_PACKET_VIDEO / _AUDIO).
int TlinkTestGetQueued(void **context, int type, unsigned *units, unsigned *bytes);

// Whether the context drops video up to the next key frame after a drop (TLC_DEBLOCK).
int TlinkTestGetDeblock(void **context, int *deblock);

// The next `count` TlinkAsyncStop calls return `code` (non-zero) and stop nothing; 0 disarms.
int TlinkTestRefuseStops(int count, int code);

// With `hold` non-zero, every host-name lookup started from now on waits before it asks the
// resolver, as behind a DNS server that does not answer; 0 lets the waiting ones go on to the
// real resolver. Numeric hosts are not looked up and never wait.
void TlinkTestHoldLookups(int hold);

// Host-name lookups still running, also those whose context has gone.
int TlinkTestGetLookupsRunning(void);

// The bounds of the send queue of `type`.
void TlinkTestGetQueueLimits(int type, unsigned *units, unsigned *bytes);

#ifdef __cplusplus
}
#endif
