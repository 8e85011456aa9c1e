// Publish URLs: "rtmp://host[:port]/app/stream" and "rtsp://host[:port][/path]".
#pragma once

#include <string>

struct StreamUrl {
    bool rtmp = false;
    std::string host;  // as written, without brackets for IPv6 literals
    int port = 0;
    std::string path;  // starts with '/'

    // scheme://host:port/path, the port always written out.
    std::string canonical() const;
};

// Parses `text` for the protocol chosen by `mode` (1 RTMP, other RTSP). False for a scheme that
// does not fit the mode, an empty host, a bad port, control characters or spaces, an RTMP path
// without application and stream name, or a result longer than TLINK_MAX_URL_LENGTH.
bool parse_stream_url(const char *text, int mode, StreamUrl *out);

// The tcUrl FFmpeg's RTMP client sends when it is given `url` itself: scheme, host as written,
// port and the application, read from the path as that client reads it.
std::string rtmp_tc_url(const StreamUrl &url);
