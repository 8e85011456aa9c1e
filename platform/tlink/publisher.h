// One live connection to a server, driven only by its session's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "stream_url.h"
#include "unit_queue.h"

// Codec header of one stream, as its header unit gave it.
struct StreamHeader {
    bool present = false;
    std::vector<uint8_t> config;  // SPS/PPS (Annex B) or AudioSpecificConfig
    int width = 0, height = 0;
    int sample_rate = 0, channels = 0;
};

struct StreamHeaders {
    StreamHeader video;
    StreamHeader audio;
};

// Outcome of a connection step: a TL_ERROR_* code (0 = done) and the errno behind a failure.
struct SendStatus {
    int code = 0;
    int err = 0;
};

class Publisher {
  public:
    virtual ~Publisher() = default;
    // Connects until the server is ready to take the stream.
    virtual SendStatus connect() = 0;
    // Announces the streams and writes their headers.
    virtual SendStatus start(const StreamHeaders &headers) = 0;
    // Sends one unit (times in µs from the stream's start). *dropped is set, with a 0 code,
    // when the unit's time does not follow its stream's previous unit.
    virtual SendStatus send(int type, const EncodedUnit &unit, int64_t pts_us, int64_t dts_us,
                            bool *dropped) = 0;
    // Ends the stream cleanly (trailer, teardown).
    virtual SendStatus finish() = 0;
    // Releases the connection; safe at any point and more than once.
    virtual void close() = 0;
    virtual uint64_t bytes_sent() const = 0;
};

// `abort` stays valid for the publisher's life; once set, every blocking step gives up.
std::unique_ptr<Publisher> make_rtmp_publisher(const StreamUrl &url,
                                               const std::atomic<bool> *abort);
std::unique_ptr<Publisher> make_rtsp_publisher(const StreamUrl &url,
                                               const std::atomic<bool> *abort);
