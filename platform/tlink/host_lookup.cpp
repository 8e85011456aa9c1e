#include "host_lookup.h"

#include <netdb.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "lookup_hold.h"
#include "tlink.h"
#include "tlink_log.h"

namespace {
constexpr std::chrono::milliseconds kAbortSlice(20);

std::atomic<int> g_running{0};

// The answer of one lookup thread. The waiting connect and the lookup thread each hold it, so
// a connect that gave up leaves it to the thread, which frees it when it finishes.
struct LookupBox {
    std::mutex mutex;  // guards done, result and addresses
    std::condition_variable finished;
    bool done = false;
    int result = 0;  // getaddrinfo's code
    std::vector<HostAddress> addresses;
};

// getaddrinfo's code; `out` gets the addresses of a successful lookup.
int resolve(const std::string &host, const std::string &service, int flags,
            std::vector<HostAddress> *out) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo *found = nullptr;
    int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (result != 0)
        return result;
    for (addrinfo *at = found; at; at = at->ai_next) {
        if (at->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        HostAddress address;
        memcpy(&address.address, at->ai_addr, at->ai_addrlen);
        address.length = at->ai_addrlen;
        out->push_back(address);
    }
    freeaddrinfo(found);
    return out->empty() ? EAI_NONAME : 0;
}

void run_lookup(std::shared_ptr<LookupBox> box, const std::string &host,
                const std::string &service) {
    wait_while_lookups_held();
    std::vector<HostAddress> addresses;
    int result = resolve(host, service, 0, &addresses);
    {
        std::lock_guard<std::mutex> lock(box->mutex);
        box->done = true;
        box->result = result;
        box->addresses = std::move(addresses);
        box->finished.notify_all();
    }
    box.reset();
    g_running--;
}
}  // namespace

std::string HostAddress::numeric() const {
    char text[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<const sockaddr *>(&address), length, text, sizeof(text),
                    nullptr, 0, NI_NUMERICHOST) != 0)
        return std::string();
    return text;
}

SendStatus look_up_host(const std::string &host, int port, const std::atomic<bool> *abort,
                        int failure_code, std::vector<HostAddress> *out) {
    const std::string service = std::to_string(port);
    if (resolve(host, service, AI_NUMERICHOST, out) == 0)
        return {};
    if (abort->load())
        return {TL_ERROR_PENDING, EINTR};
    auto box = std::make_shared<LookupBox>();
    g_running++;
    try {
        // getaddrinfo cannot be interrupted, and a resolver that does not answer holds it for
        // many seconds. The thread owns nothing but its share of the box, so it is left to
        // finish on its own: a connect that is cancelled meanwhile returns at once, and the
        // late answer only lands in the box.
        std::thread(run_lookup, box, host, service).detach();
    } catch (const std::system_error &) {
        g_running--;
        return {failure_code, EAGAIN};
    }
    std::unique_lock<std::mutex> lock(box->mutex);
    while (!box->done) {
        if (abort->load())
            return {TL_ERROR_PENDING, EINTR};
        box->finished.wait_for(lock, kAbortSlice);
    }
    if (box->result != 0) {
        TLINK_LOGE("lookup of %s failed: %s", host.c_str(), gai_strerror(box->result));
        return {failure_code, EHOSTUNREACH};
    }
    *out = std::move(box->addresses);
    return {};
}

int lookups_running() {
    return g_running.load();
}
