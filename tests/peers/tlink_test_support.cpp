#include "tlink_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace {
int bound_socket(int *port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}
}  // namespace

int closed_port() {
    int port = 0;
    int fd = bound_socket(&port);
    if (fd >= 0)
        close(fd);
    return port;
}

SilentServer::SilentServer() {
    fd_ = bound_socket(&port_);
    if (fd_ >= 0)
        listen(fd_, 8);
}

SilentServer::~SilentServer() {
    if (fd_ >= 0)
        close(fd_);
}

bool SilentServer::client_closed_within(int timeout_ms) {
    int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0)
        return false;
    bool closed = false;
    auto start = std::chrono::steady_clock::now();
    while (!closed && elapsed_ms(start) < timeout_ms) {
        pollfd entry = {client, POLLIN, 0};
        if (poll(&entry, 1, 20) > 0) {
            char chunk[4096];
            ssize_t got = recv(client, chunk, sizeof(chunk), 0);
            closed = got == 0 || (got < 0 && errno != EAGAIN);
        }
    }
    close(client);
    return closed;
}

int push_paced(void *context, const std::vector<TestUnit> &units) {
    auto start = std::chrono::steady_clock::now();
    int taken = 0;
    for (const TestUnit &unit : units) {
        if (!unit.header) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(unit.dts_us));
        }
        MediaPacket packet = unit.packet();
        if (TlinkPush(context, &packet) == 0 && !unit.header)
            taken++;
    }
    return taken;
}

int count_frames(const std::vector<TestUnit> &units, int type) {
    int count = 0;
    for (const TestUnit &unit : units) {
        if (unit.type == type && !unit.header)
            count++;
    }
    return count;
}

long elapsed_ms(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}
