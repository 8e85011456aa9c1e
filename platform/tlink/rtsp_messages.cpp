#include "rtsp_messages.h"

#include <strings.h>

#include <cstdlib>

namespace {
std::string trim(const std::string &text) {
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t\r");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}
}  // namespace

std::string rtsp_request(const char *method, const std::string &uri, int cseq,
                         const std::string &session, const std::string &headers,
                         const std::string &body) {
    std::string text = std::string(method) + " " + uri + " RTSP/1.0\r\n";
    text += "CSeq: " + std::to_string(cseq) + "\r\n";
    text += "User-Agent: tlink\r\n";
    if (!session.empty())
        text += "Session: " + session + "\r\n";
    text += headers;
    if (!body.empty())
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    text += "\r\n";
    return text + body;
}

bool parse_rtsp_reply(const std::string &inbox, RtspReply *reply, size_t *consumed,
                      bool *malformed) {
    *malformed = false;
    size_t start = inbox.find("RTSP/1.0 ");
    if (start == std::string::npos)
        return false;
    size_t end = inbox.find("\r\n\r\n", start);
    if (end == std::string::npos)
        return false;
    *consumed = end + 4;
    RtspReply parsed;
    size_t line_start = start;
    bool first = true;
    while (line_start < end) {
        size_t line_end = inbox.find("\r\n", line_start);
        std::string line = inbox.substr(line_start, line_end - line_start);
        line_start = line_end + 2;
        if (first) {
            first = false;
            char *after = nullptr;
            parsed.status = static_cast<int>(strtol(line.c_str() + 9, &after, 10));
            if (after == line.c_str() + 9) {
                *malformed = true;
                return false;
            }
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = trim(line.substr(0, colon));
        std::string value = trim(line.substr(colon + 1));
        if (!strcasecmp(name.c_str(), "CSeq")) {
            parsed.cseq = atoi(value.c_str());
        } else if (!strcasecmp(name.c_str(), "Session")) {
            parsed.session = value.substr(0, value.find(';'));
        } else if (!strcasecmp(name.c_str(), "Content-Length")) {
            parsed.content_length = strtoul(value.c_str(), nullptr, 10);
        }
    }
    *reply = parsed;
    return true;
}
