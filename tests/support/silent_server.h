// Peers that never answer, for connection faults.
#pragma once

// A TCP port on 127.0.0.1 where nothing listens.
int closed_port();

// A server that takes TCP connections and never answers; closes its socket when it goes.
class SilentServer {
  public:
    SilentServer();
    ~SilentServer();
    int port() const { return port_; }
    // Accepts one pending connection and tells whether the client has closed it within
    // `timeout_ms`.
    bool client_closed_within(int timeout_ms);

  private:
    int fd_ = -1;
    int port_ = 0;
};
