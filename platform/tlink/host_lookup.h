// Host-name lookups that a cancel can walk away from, for both protocols' connects.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <string>
#include <vector>

#include "publisher.h"

struct HostAddress {
    sockaddr_storage address = {};
    socklen_t length = 0;
    // As a URL's host part takes it, without brackets: "192.0.2.7", "2001:db8::7".
    std::string numeric() const;
};

// The stream addresses of `host`, in the resolver's order. A numeric host is converted at once;
// a name is looked up on a thread of its own while this waits, so that a set `abort` ends the
// wait within a few milliseconds even when the resolver does not answer. Failures:
// {failure_code, EHOSTUNREACH} (no such host), {failure_code, EAGAIN} (no thread for the
// lookup), {TL_ERROR_PENDING, EINTR} (aborted).
SendStatus look_up_host(const std::string &host, int port, const std::atomic<bool> *abort,
                        int failure_code, std::vector<HostAddress> *out);

// Name lookups started and not yet finished, also those whose connect has gone.
int lookups_running();
