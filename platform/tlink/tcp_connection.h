// A TCP connection whose blocking steps wake every few milliseconds to honour an abort flag.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host_lookup.h"
#include "publisher.h"

class TcpConnection {
  public:
    explicit TcpConnection(const std::atomic<bool> *abort) : abort_(abort) {}
    ~TcpConnection() { close(); }
    TcpConnection(const TcpConnection &) = delete;
    TcpConnection &operator=(const TcpConnection &) = delete;

    // Tries the addresses in turn until one takes the connection. Failures: TL_ERROR_SOCKET_WRITE
    // (nothing could be sent), TL_ERROR_PENDING (aborted).
    SendStatus connect(const std::vector<HostAddress> &addresses);
    SendStatus send_all(const void *data, size_t size);
    // Reads what is there, waiting up to `timeout_ms` for the first byte (0 = do not wait).
    // *got is 0 when nothing came in time; the peer closing is TL_ERROR_SOCKET_READ.
    SendStatus receive(void *data, size_t size, int timeout_ms, size_t *got);
    void close();
    bool is_open() const { return fd_ >= 0; }
    uint64_t bytes_sent() const { return bytes_sent_; }

  private:
    // Waits for `events` in slices; 1 ready, 0 timed out, -1 aborted or failed (errno set).
    int wait_for(short events, int timeout_ms);

    const std::atomic<bool> *abort_;
    int fd_ = -1;
    uint64_t bytes_sent_ = 0;
};
