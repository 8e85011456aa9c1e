// Text of RTSP requests and replies.
#pragma once

#include <string>

struct RtspReply {
    int status = 0;
    int cseq = -1;
    std::string session;  // without parameters such as ";timeout="
    size_t content_length = 0;
};

// One request; `headers` are extra "Name: value\r\n" lines, `body` goes after them.
std::string rtsp_request(const char *method, const std::string &uri, int cseq,
                         const std::string &session, const std::string &headers,
                         const std::string &body);

// Finds a whole reply head in `inbox` (anything before "RTSP/1.0" is skipped, e.g. interleaved
// data). On success fills `reply` and sets *consumed to the bytes up to the end of the head.
// False while the head is incomplete or when it is malformed (*malformed set).
bool parse_rtsp_reply(const std::string &inbox, RtspReply *reply, size_t *consumed,
                      bool *malformed);
