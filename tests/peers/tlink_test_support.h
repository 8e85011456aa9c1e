// Helpers shared by the live-streaming library tests.
#pragma once

#include <chrono>
#include <vector>

#include "test_encoder.h"
#include "tlink.h"

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

// Pushes the units, frames at the pace of their decoding times; returns how many frames were
// taken (result 0).
int push_paced(void *context, const std::vector<TestUnit> &units);

// Counts of frames of one type among the units.
int count_frames(const std::vector<TestUnit> &units, int type);

// Milliseconds since `start`.
long elapsed_ms(std::chrono::steady_clock::time_point start);
