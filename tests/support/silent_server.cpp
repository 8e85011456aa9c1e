#include "silent_server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

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
    while (!closed &&
           std::chrono::steady_clock::now() - start < std::chrono::milliseconds(timeout_ms)) {
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
