// Loopback peers for tests, started and stopped through scripts/peers. Each peer lives in its
// own fresh folder below the build tree and is stopped when the object goes, also when the
// test failed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "media_probe.h"
#include "process_counts.h"

class LoopbackPeer {
  public:
    enum Kind { Rtmp, Rtsp };
    explicit LoopbackPeer(Kind kind);
    ~LoopbackPeer() { stop(); }
    LoopbackPeer(const LoopbackPeer &) = delete;
    LoopbackPeer &operator=(const LoopbackPeer &) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    // Where to publish: rtmp://127.0.0.1:PORT/live/<name>, or rtsp://127.0.0.1:PORT/live.
    std::string url(const std::string &name = "test") const;
    // The file the peer writes the received stream to.
    std::string recording(const std::string &name = "test") const;
    // Stops the peer; an RTSP listener first gets `grace_ms` to finish its file.
    void stop(int grace_ms = 5000);

  private:
    Kind kind_;
    std::string dir_;
    int port_ = 0;
};

// The peer of live-stream mode `mode` (1 is RTMP, any other RTSP), and "Rtmp" or "Rtsp" as the
// name of a test parameterized by that mode.
LoopbackPeer::Kind peer_kind(int mode);
std::string protocol_name(const testing::TestParamInfo<int> &info);
