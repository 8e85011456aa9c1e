#include "stream_url.h"

#include <strings.h>

#include <cstring>

#include "tlink.h"

namespace {
constexpr int kRtmpDefaultPort = 1935;
constexpr int kRtspDefaultPort = 554;

bool has_bad_characters(const std::string &text) {
    for (unsigned char c : text) {
        if (c <= ' ' || c == 0x7f)
            return true;
    }
    return false;
}

bool parse_port(const std::string &text, int *port) {
    if (text.empty() || text.size() > 5)
        return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = value;
    return true;
}

// Splits "host[:port]" or "[v6]:port".
bool parse_authority(const std::string &authority, StreamUrl *url) {
    std::string port_text;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        url->host = authority.substr(1, close - 1);
        std::string rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                return false;
            port_text = rest.substr(1);
            if (port_text.empty())
                return false;
        }
    } else {
        size_t colon = authority.find(':');
        url->host = authority.substr(0, colon);
        if (colon != std::string::npos) {
            port_text = authority.substr(colon + 1);
            if (port_text.empty())
                return false;
        }
    }
    if (url->host.empty() || url->host.find('@') != std::string::npos)
        return false;
    if (!port_text.empty())
        return parse_port(port_text, &url->port);
    url->port = url->rtmp ? kRtmpDefaultPort : kRtspDefaultPort;
    return true;
}

// RTMP needs "/app/stream": two non-empty parts.
bool rtmp_path_ok(const std::string &path) {
    size_t second = path.find('/', 1);
    return second != std::string::npos && second > 1 && second + 1 < path.size();
}

// FFmpeg's RTMP client: with a "slist=" query all of the path before the query, "ondemand" for
// "/ondemand/...", otherwise the first segment, or the first two when a third follows and the
// second has no ':' (an application instance, not a "mp4:" play path).
std::string rtmp_application(const std::string &path) {
    size_t query = path.find('?');
    if (query != std::string::npos && path.find("slist=", query) != std::string::npos)
        return path.substr(1, query - 1);
    if (path.compare(0, 10, "/ondemand/") == 0)
        return "ondemand";
    size_t first = path.find('/', 1);
    if (first == std::string::npos)
        return std::string();
    size_t second = path.find('/', first + 1);
    size_t colon = path.find(':', first + 1);
    if (second == std::string::npos || (colon != std::string::npos && colon < second))
        return path.substr(1, first - 1);
    return path.substr(1, second - 1);
}
}  // namespace

std::string StreamUrl::canonical() const {
    std::string host_part = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return std::string(rtmp ? "rtmp://" : "rtsp://") + host_part + ":" + std::to_string(port) +
           path;
}

bool parse_stream_url(const char *text, int mode, StreamUrl *out) {
    if (!text || strlen(text) > TLINK_MAX_URL_LENGTH)
        return false;
    std::string url(text);
    if (has_bad_characters(url))
        return false;
    StreamUrl parsed;
    parsed.rtmp = mode == TLINK_MODE_RTMP;
    const std::string scheme = parsed.rtmp ? "rtmp://" : "rtsp://";
    if (url.size() <= scheme.size() || strncasecmp(url.c_str(), scheme.c_str(), scheme.size()))
        return false;
    std::string rest = url.substr(scheme.size());
    size_t slash = rest.find('/');
    if (!parse_authority(rest.substr(0, slash), &parsed))
        return false;
    parsed.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (parsed.rtmp && !rtmp_path_ok(parsed.path))
        return false;
    if (parsed.canonical().size() > TLINK_MAX_URL_LENGTH)
        return false;
    *out = parsed;
    return true;
}

std::string rtmp_tc_url(const StreamUrl &url) {
    StreamUrl base = url;
    base.path = "/" + rtmp_application(url.path);
    return base.canonical();
}
