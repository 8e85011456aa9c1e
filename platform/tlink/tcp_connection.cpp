#include "tcp_connection.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "tlink.h"

namespace {
constexpr int kSliceMs = 20;
constexpr int kConnectTimeoutMs = 10000;
constexpr int kSendTimeoutMs = 10000;
}  // namespace

int TcpConnection::wait_for(short events, int timeout_ms) {
    int waited = 0;
    for (;;) {
        if (abort_->load()) {
            errno = EINTR;
            return -1;
        }
        pollfd entry = {fd_, events, 0};
        int slice = timeout_ms < 0 ? kSliceMs : std::min(kSliceMs, timeout_ms - waited);
        int ready = poll(&entry, 1, slice);
        if (ready > 0)
            return 1;
        if (ready < 0 && errno != EINTR)
            return -1;
        waited += slice;
        if (timeout_ms >= 0 && waited >= timeout_ms)
            return 0;
    }
}

SendStatus TcpConnection::connect(const std::vector<HostAddress> &addresses) {
    SendStatus status = {TL_ERROR_SOCKET_WRITE, ECONNREFUSED};
    for (const HostAddress &at : addresses) {
        const sockaddr *address = reinterpret_cast<const sockaddr *>(&at.address);
        fd_ = socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            status.err = errno;
            continue;
        }
        int ret = ::connect(fd_, address, at.length);
        int err = ret == 0 ? 0 : errno;
        if (err == EINPROGRESS) {
            int ready = wait_for(POLLOUT, kConnectTimeoutMs);
            socklen_t length = sizeof(err);
            if (ready == 1) {
                getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &length);
            } else {
                err = ready == 0 ? ETIMEDOUT : errno;
            }
        }
        if (err == 0) {
            int on = 1;
            setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
            return {};
        }
        status = {abort_->load() ? TL_ERROR_PENDING : TL_ERROR_SOCKET_WRITE, err};
        close();
        if (abort_->load())
            break;
    }
    return status;
}

SendStatus TcpConnection::send_all(const void *data, size_t size) {
    const uint8_t *at = static_cast<const uint8_t *>(data);
    while (size > 0) {
        if (fd_ < 0)
            return {TL_ERROR_SOCKET_WRITE, ENOTCONN};
        ssize_t sent = ::send(fd_, at, size, MSG_NOSIGNAL);
        if (sent > 0) {
            at += sent;
            size -= static_cast<size_t>(sent);
            bytes_sent_ += static_cast<uint64_t>(sent);
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EINTR)
            return {TL_ERROR_SOCKET_WRITE, errno};
        int ready = wait_for(POLLOUT, kSendTimeoutMs);
        if (ready == 0)
            return {TL_ERROR_SOCKET_WRITE, ETIMEDOUT};
        if (ready < 0)
            return {abort_->load() ? TL_ERROR_PENDING : TL_ERROR_SOCKET_WRITE, errno};
    }
    return {};
}

SendStatus TcpConnection::receive(void *data, size_t size, int timeout_ms, size_t *got) {
    *got = 0;
    if (fd_ < 0)
        return {TL_ERROR_SOCKET_READ, ENOTCONN};
    int ready = wait_for(POLLIN, timeout_ms);
    if (ready == 0)
        return {};
    if (ready < 0)
        return {abort_->load() ? TL_ERROR_PENDING : TL_ERROR_SOCKET_READ, errno};
    ssize_t received = ::recv(fd_, data, size, 0);
    if (received == 0)
        return {TL_ERROR_SOCKET_READ, ECONNRESET};
    if (received < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return {};
        return {TL_ERROR_SOCKET_READ, errno};
    }
    *got = static_cast<size_t>(received);
    return {};
}

void TcpConnection::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
